#include "core/services/database.h"
#include "core/services/handler.h"
#include "core/services/session.h"
#include "core/students/degreechange.h"
#include "core/students/university.h"

#include "studentsfixture.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

using namespace Qt::StringLiterals;

using namespace students;

namespace {

class DegreeChange : public StudentsTest
{
protected:
    void SetUp() override
    {
        StudentsTest::SetUp();
        addCollegesAndDegrees();
        // Anu has an application with two subjects and a document; Bala has none.
        admin(QStringList{
                u"insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname) values"
                "('1', 'C101', 'BA', '9100000001', 'Anu'), ('2', 'C101', 'BA', '9100000002', 'Bala')"_s,
                u"insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, fappno, "
                "fappstatus, ffinsub) values('0001', 'C101', 'BA', '9100000001', '5231', NULL, 'T')"_s,
                u"insert into corvane3_tsc.options(fdegree, fexamno, fcollcode, fslno, fsubcode, fappno) "
                "values('BA', 'A', 'C101', '0001', 'BA01', '5231'), "
                "('BA', 'A', 'C101', '0001', 'BA02', '5231')"_s,
                u"insert into corvane3_tsc.studoc(app_no, login_cnt, fdegree, fcollcode, fdoctype) "
                "values('0001', '5231', 'BA', 'C101', 'Photo')"_s});
    }

    static ChangeRequest request(const QString &mobile, const QString &newColl, const QString &newDeg)
    {
        return ChangeRequest{mobile, u"C101"_s, newColl, u"BA"_s, newDeg, u"DESK21"_s};
    }

    // Runs the command from its retry point as the screen does, answering Yes.
    bool change(const ChangeRequest &r, const ChangeObserver &observer = {}, ChangeRun *out = nullptr)
    {
        selectUniversity(u"041"_s);
        if (ui.answers.isEmpty())
            ui.answers = {Answer::Yes, Answer::Yes, Answer::Yes};
        ChangeRun run;
        HandlerOptions options;
        options.style = ErrorStyle::NumberCommaDescription;
        options.icon = Icon::None;
        bool refused = false;
        const bool ok = runHandled(options, [&](int) {
            const ChangeRefusal refusal = prepareChange(r, run);
            if (refusal.refused()) {
                refused = true;
                msgBox(refusal.text, refusal.critical ? Icon::Critical : Icon::Exclamation);
                return;
            }
            if (askYesNo(u"Are you sure about changing the details"_s, Icon::Question) != Answer::Yes)
                return;
            applyChange(r, run, observer);
        });
        if (out)
            *out = run;
        return ok && !refused;
    }
};

// The look-up by mobile number, by application number (followed once only),
// of unknown or quoted numbers, and before any university is chosen.
TEST_F(DegreeChange, lookUpFindsByMobileOrApplicationNumberOnly)
{
    const StudentLookup s = lookupStudent(u"041"_s, u"9100000001"_s);
    ASSERT_TRUE(s.found);
    EXPECT_EQ(QStringList({s.name, s.college, s.collegeText, s.degreeText}),
              QStringList({"Anu", "C101", "Hillview Arts College, Tessaly", "Bachelor of Arts"}));
    const StudentLookup byApp = lookupStudent(u"041"_s, u"5231"_s);
    EXPECT_TRUE(byApp.found);
    EXPECT_EQ(byApp.mobile, u"9100000001"_s);
    // An application whose contact number is itself only another application
    // number is not followed a second time.
    admin(u"insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, fappno) "
          "values('0009', 'C101', 'BA', '5231', '777')"_s);
    const StudentLookup chain = lookupStudent(u"041"_s, u"777"_s);
    EXPECT_FALSE(chain.found);
    EXPECT_EQ(chain.mobile, u"5231"_s);
    for (const char *text : {"", "123", "1' or '1' = '1"})
        EXPECT_FALSE(lookupStudent(u"041"_s, QLatin1String(text)).found) << text;

    session().SelUnivDb.clear();
    try {
        lookupStudent(QString(), u"9100000001"_s);
        ADD_FAILURE() << "looked up without a university";
    } catch (const AppError &e) {
        EXPECT_EQ(e.number(), kNoUniversity);
        EXPECT_EQ(e.description(), u"Select the university first!!"_s);
    }
    EXPECT_THROW(currentUniversityDb(), AppError);
}

// Input checks, unknown new codes (with quotes) and only a lower-case
// "verified" application stop the change before anything is written.
TEST_F(DegreeChange, refusalsComeBeforeAnything)
{
    const struct
    {
        const char *mobile, *newColl, *newDeg, *status, *text;
    } cases[] = {
            {"", "C102", "BA", "", "All entries mandatory!!"},
            {"9100000001", "C101", "", "", "All entries mandatory!!"},
            {"9100000001", "C101", "BA", "", "No Modification done!!"},
            {"9100000001", "C'9", "BA", "", "Invalid New College code"},
            {"9100000001", "C101", "X\\'", "", "Invalid New Degree Code"},
            {"9100000001", "C102", "BA", "verified",
             "Application is already submitted. Modification is not allowed!!"},
            {"9100000001", "C102", "BA", "Verified", ""},
            {"9100000001", "C102", "BA", "VERIFIED", ""},
            {"9100000001", "C101", "BSC", "", ""},
    };
    selectUniversity(u"041"_s);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        admin(u"update corvane3_tsc.studadm set fappstatus = '%1'"_s.arg(QLatin1String(c.status)));
        const ChangeRequest r =
                request(QLatin1String(c.mobile), QLatin1String(c.newColl), QLatin1String(c.newDeg));
        ChangeRun run;
        const ChangeRefusal input = checkChangeInput(r);
        EXPECT_EQ(input.refused() ? input.text : prepareChange(r, run).text, QLatin1String(c.text));
    }
    EXPECT_EQ(count(u"colldegchange"_s), 0);
}

TEST_F(DegreeChange, collegeOnlyChangeMovesTheSubjectsWithTheNextSerial)
{
    admin(u"insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, fappno) "
          "values('0007', 'C102', 'BA', '9199999999', '5299'), ('0042', 'C102', 'BSC', '1', '1')"_s);
    ui.answers = {Answer::No};
    change(request(u"9100000001"_s, u"C102"_s, u"BA"_s));
    EXPECT_EQ(ui.last().defaultButton, Answer::No);
    EXPECT_EQ(count(u"colldegchange"_s) + count(u"collstud"_s, u"fcollcode = 'C102'"_s), 0)
            << "declined: nothing written";

    ASSERT_TRUE(change(request(u"9100000001"_s, u"C102"_s, u"BA"_s)));
    EXPECT_EQ(adminValue(u"select concat_ws('|', fcollcode, fdegree, fslno, ffinsub, "
                         "ifnull(fappstatus, 'null')) from corvane3_tsc.studadm where fappno = '5231'"_s),
              u"C102|BA|0008|F|null"_s);
    EXPECT_EQ(count(u"options"_s, u"fcollcode = 'C102' and fslno = '0008'"_s), 2);
    EXPECT_EQ(count(u"studoc"_s, u"fcollcode = 'C102' and login_cnt = '5231'"_s), 1);
    EXPECT_EQ(count(u"collstud"_s, u"fcollcode = 'C102' and fmobileno = '9100000001'"_s), 1);
    EXPECT_EQ(adminValue(u"select concat_ws('|', fmobileno, foldcoll, fnewcoll, folddeg, fnewdeg, fappno, "
                         "fusername) from corvane3_tsc.colldegchange"_s),
              u"9100000001|C101|C102|BA|BA|5231|DESK21"_s);
}

TEST_F(DegreeChange, degreeChangeDropsTheSubjectsAndStartsSerialsAt0001)
{
    ASSERT_TRUE(change(request(u"9100000001"_s, u"C101"_s, u"BSC"_s)));
    EXPECT_EQ(count(u"options"_s), 0);
    EXPECT_EQ(adminValue(u"select fslno from corvane3_tsc.studadm where fappno = '5231'"_s), u"0001"_s);
    EXPECT_EQ(count(u"studoc"_s, u"fdegree = 'BSC'"_s), 1);

    // Bala has no application: only the upload row moves, the log has no fappno.
    ChangeRun run;
    ASSERT_TRUE(change(request(u"9100000002"_s, u"C102"_s, u"BSC"_s), {}, &run));
    EXPECT_FALSE(run.hasApplication);
    EXPECT_EQ(count(u"collstud"_s, u"fmobileno = '9100000002' and fcollcode = 'C102'"_s), 1);
    EXPECT_EQ(adminValue(u"select concat('[', fappno, ']') from corvane3_tsc.colldegchange "
                         "where fmobileno = '9100000002'"_s),
              u"[]"_s);
    EXPECT_EQ(count(u"studadm"_s, u"fcollcode = 'C102'"_s), 0);
}

// Killed before each statement in turn: the retry asks again, finishes the
// change once, keeps the serial it wrote and logs one row.
TEST_F(DegreeChange, killedConnectionFinishesTheChangeOnceWithOneLogRow)
{
    const ChangeStep steps[] = {ChangeStep::Serial,   ChangeStep::Student,   ChangeStep::Application,
                                ChangeStep::Subjects, ChangeStep::Documents, ChangeStep::Log};
    for (const ChangeStep killAt : steps) {
        SetUp();
        bool killed = false;
        ASSERT_TRUE(change(request(u"9100000001"_s, u"C102"_s, u"BA"_s), [&](ChangeStep s) {
            if (s == killAt && !killed) {
                killed = true;
                killConn();
            }
        }));
        EXPECT_TRUE(killed);
        EXPECT_EQ(count(u"colldegchange"_s), 1) << int(killAt);
        EXPECT_EQ(adminValue(u"select fslno from corvane3_tsc.studadm where fappno = '5231'"_s), u"0001"_s)
                << int(killAt);
        EXPECT_EQ(count(u"options"_s, u"fcollcode = 'C102' and fslno = '0001'"_s), 2);
        EXPECT_EQ(count(u"collstud"_s, u"fcollcode = 'C102'"_s), 1);
        EXPECT_EQ(ui.messages.size(), 2) << "asked again after the reconnect";
        ui.reset();
    }
}

// Two clients change students into one college and degree at the same moment;
// each holds the read-to-write window open for a while. The named lock makes
// the second wait, so the serials differ.
TEST_F(DegreeChange, concurrentChangesIntoOneCollegeGetDistinctSerials)
{
    admin(QStringList{u"insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, fappno) "
                      "values('0002', 'C101', 'BA', '9100000002', '5232'), "
                      "('0001', 'C102', 'BA', '9199999999', '5299')"_s});
    QProcess other;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"GMS_SERIAL_RACE"_s, u"1"_s);
    other.setProcessEnvironment(env);
    other.start(QCoreApplication::applicationFilePath(), {u"--gtest_filter=SerialRace.otherClient"_s});
    ASSERT_TRUE(other.waitForStarted());
    QByteArray out;
    while (!out.contains("ready") && other.waitForReadyRead(20000))
        out += other.readAllStandardOutput();
    ASSERT_TRUE(out.contains("ready")) << out.toStdString();

    ASSERT_TRUE(change(request(u"9100000001"_s, u"C102"_s, u"BA"_s), [](ChangeStep s) {
        if (s == ChangeStep::Serial)
            QThread::msleep(1500);
    }));
    ASSERT_TRUE(other.waitForFinished(30000));
    out += other.readAllStandardOutput();
    EXPECT_EQ(other.exitCode(), 0) << out.toStdString();
    EXPECT_EQ(adminValue(u"select group_concat(fslno order by fslno) from corvane3_tsc.studadm "
                         "where fcollcode = 'C102' and fdegree = 'BA'"_s),
              u"0001,0002,0003"_s);
}

// The other client of the race above; runs only when started by it.
class SerialRace : public DbTest
{};

TEST_F(SerialRace, otherClient)
{
    if (qEnvironmentVariableIsEmpty("GMS_SERIAL_RACE"))
        GTEST_SKIP() << "started by concurrentChangesIntoOneCollegeGetDistinctSerials";
    session().UnivList = {UnivRow{u"041"_s, u"T"_s, u"corvane3_tsc"_s, QString(), QString()}};
    session().univListRead = true;
    selectUniversity(u"041"_s);
    const ChangeRequest r{u"9100000002"_s, u"C101"_s, u"C102"_s, u"BA"_s, u"BA"_s, u"OTHER"_s};
    ChangeRun run;
    ASSERT_FALSE(prepareChange(r, run).refused());
    printf("ready\n");
    fflush(stdout);
    applyChange(r, run, [](ChangeStep s) {
        if (s == ChangeStep::Serial)
            QThread::msleep(1500);
    });
}

} // namespace
