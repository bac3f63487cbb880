#include "core/services/database.h"
#include "core/services/handler.h"
#include "core/services/session.h"
#include "core/students/degreechange.h"
#include "core/students/university.h"

#include "studentsfixture.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

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
                QStringLiteral("insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname) values"
                               "('1', 'C101', 'BA', '9100000001', 'Anu'), ('2', 'C101', 'BA', '9100000002', 'Bala')"),
                QStringLiteral("insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, fappno, "
                               "fappstatus, ffinsub) values('0001', 'C101', 'BA', '9100000001', '5231', NULL, 'T')"),
                QStringLiteral("insert into corvane3_tsc.options(fdegree, fexamno, fcollcode, fslno, fsubcode, fappno) "
                               "values('BA', 'A', 'C101', '0001', 'BA01', '5231'), "
                               "('BA', 'A', 'C101', '0001', 'BA02', '5231')"),
                QStringLiteral("insert into corvane3_tsc.studoc(app_no, login_cnt, fdegree, fcollcode, fdoctype) "
                               "values('0001', '5231', 'BA', 'C101', 'Photo')")});
    }

    static ChangeRequest request(const QString &mobile, const QString &newColl, const QString &newDeg)
    {
        return ChangeRequest{mobile, QStringLiteral("C101"), newColl, QStringLiteral("BA"), newDeg,
                             QStringLiteral("DESK21")};
    }

    // Runs the command from its retry point as the screen does, answering Yes.
    bool change(const ChangeRequest &r, const ChangeObserver &observer = {}, ChangeRun *out = nullptr)
    {
        selectUniversity(QStringLiteral("041"));
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
            if (askYesNo(QStringLiteral("Are you sure about changing the details"), Icon::Question) != Answer::Yes)
                return;
            applyChange(r, run, observer);
        });
        if (out)
            *out = run;
        return ok && !refused;
    }
};

TEST_F(DegreeChange, lookupByMobileFillsTheStudent)
{
    const StudentLookup s = lookupStudent(QStringLiteral("041"), QStringLiteral("9100000001"));
    ASSERT_TRUE(s.found);
    EXPECT_EQ(s.name, QStringLiteral("Anu"));
    EXPECT_EQ(s.college, QStringLiteral("C101"));
    EXPECT_EQ(s.collegeText, QStringLiteral("Hillview Arts College, Tessaly"));
    EXPECT_EQ(s.degreeText, QStringLiteral("Bachelor of Arts"));
}

TEST_F(DegreeChange, applicationNumberIsReplacedByItsContactNumberOnce)
{
    const StudentLookup s = lookupStudent(QStringLiteral("041"), QStringLiteral("5231"));
    EXPECT_TRUE(s.found);
    EXPECT_EQ(s.mobile, QStringLiteral("9100000001"));
    // An application whose contact number is itself only another application
    // number is not followed a second time.
    admin(QStringLiteral("insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, fappno) "
                         "values('0009', 'C101', 'BA', '5231', '777')"));
    const StudentLookup chain = lookupStudent(QStringLiteral("041"), QStringLiteral("777"));
    EXPECT_FALSE(chain.found);
    EXPECT_EQ(chain.mobile, QStringLiteral("5231"));
}

TEST_F(DegreeChange, unknownOrEmptyOrQuotedNumberIsNotFound)
{
    for (const char *text : {"", "123", "1' or '1' = '1"})
        EXPECT_FALSE(lookupStudent(QStringLiteral("041"), QLatin1String(text)).found) << text;
}

TEST_F(DegreeChange, lookupBeforeAnyUniversityIsChosenSaysSo)
{
    session().SelUnivDb.clear();
    try {
        lookupStudent(QString(), QStringLiteral("9100000001"));
        FAIL() << "looked up without a university";
    } catch (const AppError &e) {
        EXPECT_EQ(e.number(), kNoUniversity);
        EXPECT_EQ(e.description(), QStringLiteral("Select the university first!!"));
    }
    EXPECT_THROW(currentUniversityDb(), AppError);
}

TEST_F(DegreeChange, inputChecksComeBeforeAnything)
{
    struct Case
    {
        ChangeRequest r;
        const char *text;
    };
    const Case cases[] = {
            {ChangeRequest{QString(), QStringLiteral("C101"), QStringLiteral("C102"), QStringLiteral("BA"),
                           QStringLiteral("BA"), {}},
             "All entries mandatory!!"},
            {ChangeRequest{QStringLiteral("1"), QStringLiteral("C101"), QStringLiteral("C101"), QStringLiteral("BA"),
                           QString(), {}},
             "All entries mandatory!!"},
            {ChangeRequest{QStringLiteral("1"), QStringLiteral("C101"), QStringLiteral("C101"), QStringLiteral("BA"),
                           QStringLiteral("BA"), {}},
             "No Modification done!!"},
            {ChangeRequest{QStringLiteral("1"), QStringLiteral("C101"), QStringLiteral("C101"), QStringLiteral("BA"),
                           QStringLiteral("BSC"), {}},
             ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(checkChangeInput(c.r).text, QLatin1String(c.text));
}

TEST_F(DegreeChange, unknownNewCollegeOrDegreeIsRefusedEvenWithQuotes)
{
    selectUniversity(QStringLiteral("041"));
    ChangeRun run;
    EXPECT_EQ(prepareChange(request(QStringLiteral("9100000001"), QStringLiteral("C'9"), QStringLiteral("BA")), run).text,
              QStringLiteral("Invalid New College code"));
    EXPECT_EQ(prepareChange(request(QStringLiteral("9100000001"), QStringLiteral("C101"), QStringLiteral("X\\'")), run)
                      .text,
              QStringLiteral("Invalid New Degree Code"));
}

TEST_F(DegreeChange, onlyLowerCaseVerifiedBlocksTheChange)
{
    selectUniversity(QStringLiteral("041"));
    for (const char *status : {"verified", "Verified", "VERIFIED"}) {
        admin(QStringLiteral("update corvane3_tsc.studadm set fappstatus = '%1'").arg(QLatin1String(status)));
        ChangeRun run;
        const ChangeRefusal refusal =
                prepareChange(request(QStringLiteral("9100000001"), QStringLiteral("C102"), QStringLiteral("BA")), run);
        EXPECT_EQ(refusal.refused(), QLatin1String(status) == QLatin1String("verified")) << status;
    }
}

TEST_F(DegreeChange, collegeOnlyChangeMovesTheSubjectsWithTheNewSerial)
{
    admin(QStringLiteral("insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, fappno) "
                         "values('0007', 'C102', 'BA', '9199999999', '5299')"));
    ASSERT_TRUE(change(request(QStringLiteral("9100000001"), QStringLiteral("C102"), QStringLiteral("BA"))));
    EXPECT_EQ(adminValue(QStringLiteral("select concat_ws('|', fcollcode, fdegree, fslno, ffinsub, "
                                        "ifnull(fappstatus, 'null')) from corvane3_tsc.studadm where fappno = '5231'")),
              QStringLiteral("C102|BA|0008|F|null"));
    EXPECT_EQ(count(QStringLiteral("options"), QStringLiteral("fcollcode = 'C102' and fslno = '0008'")), 2);
    EXPECT_EQ(count(QStringLiteral("studoc"), QStringLiteral("fcollcode = 'C102' and login_cnt = '5231'")), 1);
    EXPECT_EQ(count(QStringLiteral("collstud"), QStringLiteral("fcollcode = 'C102' and fmobileno = '9100000001'")), 1);
    EXPECT_EQ(adminValue(QStringLiteral("select concat_ws('|', fmobileno, foldcoll, fnewcoll, folddeg, fnewdeg, fappno, "
                                        "fusername) from corvane3_tsc.colldegchange")),
              QStringLiteral("9100000001|C101|C102|BA|BA|5231|DESK21"));
}

TEST_F(DegreeChange, degreeChangeDropsTheSubjectsAndStartsSerialsAt0001)
{
    ASSERT_TRUE(change(request(QStringLiteral("9100000001"), QStringLiteral("C101"), QStringLiteral("BSC"))));
    EXPECT_EQ(count(QStringLiteral("options")), 0);
    EXPECT_EQ(adminValue(QStringLiteral("select fslno from corvane3_tsc.studadm where fappno = '5231'")),
              QStringLiteral("0001"));
    EXPECT_EQ(count(QStringLiteral("studoc"), QStringLiteral("fdegree = 'BSC'")), 1);
}

TEST_F(DegreeChange, studentWithoutApplicationChangesOnlyTheUploadAndLogsEmptyAppno)
{
    ChangeRun run;
    ASSERT_TRUE(change(request(QStringLiteral("9100000002"), QStringLiteral("C102"), QStringLiteral("BSC")), {}, &run));
    EXPECT_FALSE(run.hasApplication);
    EXPECT_EQ(count(QStringLiteral("collstud"), QStringLiteral("fmobileno = '9100000002' and fcollcode = 'C102'")), 1);
    EXPECT_EQ(adminValue(QStringLiteral("select concat('[', fappno, ']') from corvane3_tsc.colldegchange")),
              QStringLiteral("[]"));
    EXPECT_EQ(count(QStringLiteral("studadm"), QStringLiteral("fcollcode = 'C101'")), 1);
}

TEST_F(DegreeChange, declinedConfirmationWritesNothing)
{
    ui.answers = {Answer::No};
    change(request(QStringLiteral("9100000001"), QStringLiteral("C102"), QStringLiteral("BA")));
    EXPECT_EQ(ui.last().defaultButton, Answer::No);
    EXPECT_EQ(count(QStringLiteral("colldegchange")), 0);
    EXPECT_EQ(count(QStringLiteral("collstud"), QStringLiteral("fcollcode = 'C102'")), 0);
}

// Killed before each statement in turn: the retry asks again, finishes the
// change once, keeps the serial it wrote and logs one row.
TEST_F(DegreeChange, killedConnectionFinishesTheChangeOnceWithOneLogRow)
{
    const ChangeStep steps[] = {ChangeStep::Serial,    ChangeStep::Student,   ChangeStep::Application,
                                ChangeStep::Subjects, ChangeStep::Documents, ChangeStep::Log};
    for (const ChangeStep killAt : steps) {
        SetUp();
        bool killed = false;
        ASSERT_TRUE(change(request(QStringLiteral("9100000001"), QStringLiteral("C102"), QStringLiteral("BA")),
                           [&](ChangeStep s) {
                               if (s == killAt && !killed) {
                                   killed = true;
                                   killConn();
                               }
                           }));
        EXPECT_TRUE(killed);
        EXPECT_EQ(count(QStringLiteral("colldegchange")), 1) << int(killAt);
        EXPECT_EQ(adminValue(QStringLiteral("select fslno from corvane3_tsc.studadm where fappno = '5231'")),
                  QStringLiteral("0001"))
                << int(killAt);
        EXPECT_EQ(count(QStringLiteral("options"), QStringLiteral("fcollcode = 'C102' and fslno = '0001'")), 2);
        EXPECT_EQ(count(QStringLiteral("collstud"), QStringLiteral("fcollcode = 'C102'")), 1);
        EXPECT_EQ(ui.messages.size(), 2)
                << "asked again after the reconnect";
        ui.reset();
    }
}

TEST_F(DegreeChange, nextSerialIsLargestPlusOneInFourDigits)
{
    EXPECT_EQ(nextSerial(kDb, QStringLiteral("C102"), QStringLiteral("BA")), QStringLiteral("0001"));
    admin(QStringLiteral("insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree) values"
                         "('0007', 'C102', 'BA'), ('0003', 'C102', 'BA'), ('0042', 'C102', 'BSC')"));
    EXPECT_EQ(nextSerial(kDb, QStringLiteral("C102"), QStringLiteral("BA")), QStringLiteral("0008"));
}

// Two clients change students into one college and degree at the same moment;
// each holds the read-to-write window open for a while. The named lock makes
// the second wait, so the serials differ.
TEST_F(DegreeChange, concurrentChangesIntoOneCollegeGetDistinctSerials)
{
    admin(QStringList{
            QStringLiteral("insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, fappno) "
                           "values('0002', 'C101', 'BA', '9100000002', '5232'), "
                           "('0001', 'C102', 'BA', '9199999999', '5299')")});
    QProcess other;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("GMS_SERIAL_RACE"), QStringLiteral("1"));
    other.setProcessEnvironment(env);
    other.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=SerialRace.otherClient")});
    ASSERT_TRUE(other.waitForStarted());
    QByteArray out;
    while (!out.contains("ready") && other.waitForReadyRead(20000))
        out += other.readAllStandardOutput();
    ASSERT_TRUE(out.contains("ready")) << out.toStdString();

    ASSERT_TRUE(change(request(QStringLiteral("9100000001"), QStringLiteral("C102"), QStringLiteral("BA")),
                       [](ChangeStep s) {
                           if (s == ChangeStep::Serial)
                               QThread::msleep(1500);
                       }));
    ASSERT_TRUE(other.waitForFinished(30000));
    out += other.readAllStandardOutput();
    EXPECT_EQ(other.exitCode(), 0) << out.toStdString();
    EXPECT_EQ(adminValue(QStringLiteral("select group_concat(fslno order by fslno) from corvane3_tsc.studadm "
                                        "where fcollcode = 'C102' and fdegree = 'BA'")),
              QStringLiteral("0001,0002,0003"));
}

// The other client of the race above; runs only when started by it.
class SerialRace : public DbTest
{
};

TEST_F(SerialRace, otherClient)
{
    if (qEnvironmentVariableIsEmpty("GMS_SERIAL_RACE"))
        GTEST_SKIP() << "started by concurrentChangesIntoOneCollegeGetDistinctSerials";
    session().UnivList = {UnivRow{QStringLiteral("041"), QStringLiteral("T"), QStringLiteral("corvane3_tsc"),
                                  QString(), QString()}};
    session().univListRead = true;
    selectUniversity(QStringLiteral("041"));
    const ChangeRequest r{QStringLiteral("9100000002"), QStringLiteral("C101"), QStringLiteral("C102"),
                          QStringLiteral("BA"), QStringLiteral("BA"), QStringLiteral("OTHER")};
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
