#include "core/services/database.h"
#include "core/services/session.h"
#include "core/students/degreechange.h"
#include "gui/students/degreechangescreen.h"

#include "studentsfixture.h"
#include "support/faultproxy.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QProcess>
#include <QThread>

using namespace Qt::StringLiterals;

using namespace students;

namespace {

const ChangeObserver slowLog = [](const QString &step) {
    if (step == QLatin1String("log"))
        QThread::msleep(1500);
};

ChangeRequest request(const QString &mobile, const QString &newColl, const QString &newDeg)
{
    return ChangeRequest{u"corvane3_tsc"_s, mobile, u"C101"_s, newColl, u"BA"_s, newDeg, u"DESK21"_s};
}

class DegreeChange : public ScreenTest<DegreeChangeScreen>
{
protected:
    // Anu's application has two subjects and a document; C102/BA holds 0007.
    static void addRows()
    {
        resetStudentTables();
        admin(QStringList{
                u"insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname) values"
                "('1', 'C101', 'BA', '9100000001', 'Anu'), ('2', 'C101', 'BA', '9100000002', 'Bala')"_s,
                u"insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, fappno, "
                "fappstatus, ffinsub) values('0001', 'C101', 'BA', '9100000001', '5231', NULL, 'T'), "
                "('0007', 'C102', 'BA', '9199999999', '5299', 'verified', 'T')"_s,
                u"insert into corvane3_tsc.options(fdegree, fexamno, fcollcode, fslno, fsubcode, fappno) "
                "values('BA', 'A', 'C101', '0001', 'BA01', '5231'), "
                "('BA', 'A', 'C101', '0001', 'BA02', '5231')"_s,
                u"insert into corvane3_tsc.studoc(app_no, login_cnt, fdegree, fcollcode, fdoctype) "
                "values('0001', '5231', 'BA', 'C101', 'Photo')"_s});
    }

    // Every row the change may touch, and whether the serial locks are free.
    static QString tables()
    {
        QString locks;
        // A dropped link frees its locks once the server has noticed.
        for (const QDeadlineTimer deadline(3000);; QThread::msleep(50)) {
            locks = adminValue(
                    u"select concat(is_free_lock(concat('studadm.fslno.', md5('corvane3_tsc.C102.BA'))), "
                    "is_free_lock(concat('studadm.fslno.', md5('corvane3_tsc.C101.BSC'))))"_s);
            if (locks == u"11"_s || deadline.hasExpired())
                break;
        }
        return QStringList{dump(u"corvane3_tsc.collstud"_s, u"fmobileno, fcollcode, fdegree"_s),
                           dump(u"corvane3_tsc.studadm"_s, u"fappno, fcollcode, fdegree, fslno, ffinsub, "
                                                           "ifnull(fappstatus, '-')"_s),
                           dump(u"corvane3_tsc.options"_s, u"fappno, fcollcode, fdegree, fslno, fsubcode"_s),
                           dump(u"corvane3_tsc.studoc"_s, u"login_cnt, fcollcode, fdegree"_s),
                           dump(u"corvane3_tsc.colldegchange"_s,
                                u"fmobileno, foldcoll, fnewcoll, folddeg, fnewdeg, fappno, fusername"_s),
                           u"locks free: "_s + locks}
                .join(u" / "_s)
                .replace(u'\n', u';');
    }
};

// Bad input, a verified application, and another client's change after the
// confirmation: a refusal writes nothing, logs nothing and keeps no lock.
TEST_F(DegreeChange, refusalsWriteNothing)
{
    const QString moved = u"The student's records have changed since the look-up; nothing was changed. "
                          "Look the student up again!!"_s;
    const QString verified = u"Application is already submitted. Modification is not allowed!!"_s;
    const struct
    {
        const char *mobile, *newColl, *newDeg, *status;
        QString meanwhile; // run by another client after the confirmation
        QString text;
    } cases[] = {
            {"", "C102", "BA", "", {}, u"All entries mandatory!!"_s},
            {"9100000001", "C'9", "BA", "", {}, u"Invalid New College code"_s},
            {"9100000001", "C101", "X\\'", "", {}, u"Invalid New Degree Code"_s},
            {"9100000001", "C102", "BA", "verified", {}, verified},
            {"9100000001", "C102", "BA", "",
             u"update corvane3_tsc.studadm set fappstatus = 'verified' where fappno = '5231'"_s, verified},
            {"9100000001", "C102", "BA", "",
             u"update corvane3_tsc.collstud set fcollcode = '2001' where fmobileno = '9100000001'"_s, moved},
            {"9100000001", "C102", "BA", "", u"delete from corvane3_tsc.studadm where fappno = '5231'"_s,
             moved},
            {"9100000002", "C102", "BA", "",
             u"update corvane3_tsc.collstud set fdegree = 'BSC' where fmobileno = '9100000002'"_s, moved},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text.toStdString() + " / " + c.meanwhile.toStdString());
        addRows();
        admin(u"update corvane3_tsc.studadm set fappstatus = '%1' where fappno = '5231'"_s.arg(
                QLatin1String(c.status)));
        const ChangeRequest r =
                request(QLatin1String(c.mobile), QLatin1String(c.newColl), QLatin1String(c.newDeg));
        ChangePlan plan;
        ChangeRefusal refusal = checkChangeInput(r);
        if (!refusal.refused())
            refusal = prepareChange(r, plan);
        if (!refusal.refused() && !c.meanwhile.isEmpty())
            admin(c.meanwhile);
        const QString before = tables();
        if (!refusal.refused())
            refusal = applyChange(r, plan);
        EXPECT_EQ(refusal.text, c.text);
        EXPECT_EQ(tables(), before);
    }
}

// On the screen, codes typed without a look-up lead nowhere. A change goes to
// the university looked up, though the desk picked another meanwhile, and
// ignores a second click or Enter; cut at every statement, it ends as uncut,
// serials included, the serial lock free, "Updated!!" shown once.
TEST_F(DegreeChange, everyCutLeavesOneChangeWithItsSerial)
{
    addRows();
    for (const QString &typed :
         u"oldCollege=C101 newCollege=C102 oldDegree=BA newDegree=BA mobile=9100000001"_s.split(u' '))
        in(qPrintable(typed.section(u'=', 0, 0)))->setText(typed.section(u'=', 1));
    in<QPushButton>("changeButton")->click();
    EXPECT_EQ(ui.dump(), "Look up the student by a valid mobile or application number first!!");
    EXPECT_EQ(rows(u"corvane3_tsc.colldegchange"_s), 0);
    const struct
    {
        const char *name, *number, *newColl, *newDeg;
        QString expected;
    } cases[] = {
            {"college only: subjects move with the next serial", "5231", "C102", "BA",
             u"9100000001|C102|BA;9100000002|C101|BA / 5231|C102|BA|0008|F|-;5299|C102|BA|0007|T|verified / "
             "5231|C102|BA|0008|BA01;5231|C102|BA|0008|BA02 / 5231|C102|BA / "
             "9100000001|C101|C102|BA|BA|5231|DESK21 / locks free: 11 / updated: 1 "_s},
            {"new degree: subjects dropped, first serial", "9100000001", "C101", "BSC",
             u"9100000001|C101|BSC;9100000002|C101|BA / 5231|C101|BSC|0001|F|-;5299|C102|BA|0007|T|verified "
             u"/ "
             " / 5231|C101|BSC / 9100000001|C101|C101|BA|BSC|5231|DESK21 / locks free: 11 / updated: 1 "_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        expectSameUnderEveryCut(
                [this] {
                    addRows();
                    Conn::open(); // a cut after the last run's commit left the link down
                    ui.reset();
                    ui.answers = QList<Answer>(5, Answer::Yes);
                    ui.onMessage = [this](const MessageRequest &) {
                        if (ui.messages.size() > 2)
                            return; // ran again anyway: enough to fail, without endless nesting
                        screen->changeDegree();
                        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                        QApplication::sendEvent(in<QPushButton>("changeButton"), &enter);
                    };
                },
                [&] {
                    universities()->setCurrentIndex(universities()->findText(u"041"_s, Qt::MatchEndsWith));
                    in("mobile")->setText(QLatin1String(c.number));
                    in("mobile")->setFocus();
                    in("newCollege")->setFocus(); // leaving the box looks the student up
                    universityName(u"042"_s);
                    in("newCollege")->setText(QLatin1String(c.newColl));
                    in("newDegree")->setText(QLatin1String(c.newDeg));
                    in<QPushButton>("changeButton")->click();
                },
                [&] {
                    QStringList others = ui.texts();
                    others.removeAll(u"Are you sure about changing the details"_s);
                    const qsizetype updated = others.removeAll(u"Updated!!"_s);
                    return tables() + u" / updated: %1 "_s.arg(updated) + others.join(u", "_s);
                });
        EXPECT_EQ(tables() + u" / updated: 1 "_s, c.expected);
    }
}

// Two processes change students into one college and degree at once, each
// slow after taking its serial: the lock held until the commit keeps the
// serials apart, and across a cluster's nodes (the other process on the port
// GMS_SERIAL_RACE_PORT names) the claim row does.
TEST_F(DegreeChange, concurrentChangesIntoOneCollegeGetDistinctSerials)
{
    addRows();
    // The college's serials have passed four digits: the next is the largest
    // as a number ("10000"), not as text ("9999").
    admin(QStringList{
            u"insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, fappno) "
            "values('0002', 'C101', 'BA', '9100000002', '5232'), ('10000', 'C102', 'BA', '9', '5298')"_s,
            u"update corvane3_tsc.studadm set fslno = '9999' where fappno = '5299'"_s});
    QProcess other;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"GMS_SERIAL_RACE"_s, u"1"_s);
    if (qEnvironmentVariableIsSet("GMS_SERIAL_RACE_PORT"))
        env.insert(u"GMS_DB_PORT"_s, qEnvironmentVariable("GMS_SERIAL_RACE_PORT"));
    other.setProcessEnvironment(env);
    other.start(QCoreApplication::applicationFilePath(), {u"--gtest_filter=SerialRace.otherClient"_s});
    ASSERT_TRUE(other.waitForStarted());
    QByteArray out;
    while (!out.contains("ready") && other.waitForReadyRead(20000))
        out += other.readAllStandardOutput();
    ASSERT_TRUE(out.contains("ready")) << out.toStdString();

    const ChangeRequest r = request(u"9100000001"_s, u"C102"_s, u"BA"_s);
    ChangePlan plan;
    ASSERT_FALSE(prepareChange(r, plan).refused());
    EXPECT_FALSE(applyChange(r, plan, slowLog).refused());
    ASSERT_TRUE(other.waitForFinished(30000));
    out += other.readAllStandardOutput();
    EXPECT_EQ(other.exitCode(), 0) << out.toStdString();
    EXPECT_EQ(dump(u"corvane3_tsc.studadm"_s, u"fslno"_s, u"fcollcode = 'C102' and fdegree = 'BA'"_s),
              u"10000\n10001\n10002\n9999"_s);
}

// The other client of the race above; runs only when started by it.
using SerialRace = DbTest;

TEST_F(SerialRace, otherClient)
{
    if (qEnvironmentVariableIsEmpty("GMS_SERIAL_RACE"))
        GTEST_SKIP() << "started by concurrentChangesIntoOneCollegeGetDistinctSerials";
    const ChangeRequest r = request(u"9100000002"_s, u"C102"_s, u"BA"_s);
    ChangePlan plan;
    ASSERT_FALSE(prepareChange(r, plan).refused());
    printf("ready\n");
    fflush(stdout);
    EXPECT_FALSE(applyChange(r, plan, slowLog).refused());
}

} // namespace
