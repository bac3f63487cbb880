#include "core/services/database.h"
#include "core/services/handler.h"

#include "excelfixture.h"

using namespace Qt::StringLiterals;

using namespace students;

namespace {

class Applications : public ExcelTest
{
protected:
    // Stages a 023 sheet of college 2301 from `rows` (heading added).
    void stageRows(const SheetRows &rows)
    {
        SheetRows all{appHeading()};
        all += rows;
        stage(u"023"_s, u"2301"_s, workbook(u"2301.xlsx"_s, all));
    }
};

TEST_F(Applications, serialsContinueAfterTheHighestStoredAndEveryTableIsFilled)
{
    admin(u"insert into corvane3_023.studadm(fslno, fcollcode, fdegree, fappno) values"
          "('0041', '2301', 'BA', '5239'), ('0007', '2301', 'BA', '5238'), ('0100', '2302', "
          "'BA', '5237')"_s);
    stageRows({appRow(u"1"_s, u"BA"_s, u"Anu"_s, u"CAT-I"_s, 12500, {u"ENG"_s, u"HIS"_s}, u"9000000001"_s),
               appRow(u"2"_s, u"BA"_s, u"Bala"_s, u"2-A"_s, 12500.5, {u"ECO"_s}, u"9000000002"_s)});
    const ApplicationRun run = importApps({u"BA"_s});
    EXPECT_EQ(run.total, 2);
    EXPECT_EQ(run.beforeLine, u"Records Before Importing : BA - 2"_s);
    EXPECT_EQ(run.afterLine, u"Records After Importing : BA - 4"_s);
    EXPECT_EQ(adminValue(u"select group_concat(concat_ws('|', fslno, fname, fcaste, ftotfee, "
                         "fappno = concat('523', "
                         "internal_code), fxlsintno is not null, fappstatus, ffinsub, fexamno, "
                         "fcombcode, fcreateuser, "
                         "fackuser, fblood_group, fadmdate, freligion, fconstype, fcatbirth, "
                         "farea) order by fslno "
                         "separator '#') from corvane3_023.studadm where fcreateuser = 'XLS'"_s),
              u"0042|Anu|CAT-I|12500.00|1|1|verified|T|A|GEN|XLS|XLS|NOT KNOWN|2026-06-01|Others|No|.|"
              "Rural#0043|Bala|2A|12500.50|1|1|verified|T|A|GEN|XLS|XLS|NOT KNOWN|2026-06-01|Others|"
              "No|.|Rural"_s);
    // Subjects by code, under the final application number.
    EXPECT_EQ(
            adminValue(
                    u"select group_concat(concat(o.fslno, ':', o.fsubcode) order by o.fslno, o.fsubcode) "
                    u"from "
                    "corvane3_023.options o join corvane3_023.studadm a on a.fappno = o.fappno and a.fslno = "
                    "o.fslno and a.fcollcode = o.fcollcode"_s),
            u"0042:BA01,0042:BA02,0043:BA03"_s);
    EXPECT_EQ(adminValue(
                      u"select group_concat(concat(d.app_no, ':', d.fdoctype) order by d.app_no, d.fdoctype) "
                      "from "
                      "corvane3_023.studoc d join corvane3_023.studadm a on a.fappno = d.login_cnt"_s),
              u"0042:Photo,0042:Signature,0043:Photo,0043:Signature"_s);
    EXPECT_EQ(
            adminValue(u"select group_concat(concat(f.fslno, ':', f.fheadcode, ':', f.famount, ':', f.fyear) "
                       "order by "
                       "f.fslno, f.fheadcode) from corvane3_023.admfeedetl f join corvane3_023.studadm a on "
                       "a.fappno = f.fappno"_s),
            u"0042:01 University Total Fee:12500.00:2018,0042:02 Fine:0.00:2018,"
            "0043:01 University Total Fee:12500.50:2018,0043:02 Fine:0.00:2018"_s);
}

// Repeated subjects once, empty cells nothing, a code inside an earlier code
// still taken, a degree without subjects no options rows at all; caste
// categories normalised; apostrophes in names become backquotes while other
// values are stored as typed.
TEST_F(Applications, subjectsCastesAndQuotesAreStoredAsTheColumnsWant)
{
    QVariantList souza = appRow("3", "BA", "D'Souza", "CAT'I", 100, {}, "9000000003");
    souza[6] = "M'";
    souza[20] = "o'brien\\x@mail.example";
    stageRows({appRow("1", "BA", "Anu", "CATI", 100, {"ENG", "", "ENG", "  ", "XHIS", "HIS", "POL"},
                      "9000000001"),
               appRow("2", "BSC", "Bala", "CAT-II", 100, {}, "9000000002"), souza,
               appRow("4", "BA", "Chitra", "CAT-I", 100, {}, "9000000004"),
               appRow("5", "BA", "Devi", "2-A", 100, {}, "9000000005")});
    EXPECT_EQ(importApps({"BA", "BSC"}).total, 5);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
    // POL belongs to another examination, so it stays as typed.
    EXPECT_EQ(adminValue("select group_concat(fsubcode order by fsubcode) from corvane3_023.options "
                         "where fdegree = 'BA'"),
              "BA01,BA02,POL,XHIS");
    EXPECT_EQ(appCount("options", "fdegree = 'BSC'"), 0);
    EXPECT_EQ(appCount("studoc", "fdegree = 'BSC'"), 1);
    EXPECT_EQ(adminValue("select group_concat(fcaste order by fslno, fdegree) from corvane3_023.studadm"),
              "CAT-I,CAT-II,CAT'I,CAT-I,2A");
    EXPECT_EQ(adminValue("select concat_ws('|', fname, ffatname, fmotname, fgender, fcaste, femail) from "
                         "corvane3_023.studadm where fgender = 'M'''"),
              "D`Souza|Father of D`Souza|Mother of D`Souza|M'|CAT'I|o'brien\\x@mail.example");
}

// A fee that is empty or no number stops the import before any degree is
// written, naming the student.
TEST_F(Applications, anEmptyOrMistypedFeeStopsTheImportBeforeAnythingIsStored)
{
    for (const QVariant &fee : {QVariant(), QVariant(u"12,500"_s), QVariant(u"1e3; drop"_s)}) {
        ui.reset();
        stageRows({appRow(u"1"_s, u"BA"_s, u"Anu"_s, u"CATI"_s, 100, {u"ENG"_s}, u"9000000001"_s),
                   appRow(u"7"_s, u"BSC"_s, u"Bala"_s, u"CATI"_s, fee, {u"ENG"_s}, u"9000000002"_s)});
        const ApplicationRun run = importApps({u"BA"_s, u"BSC"_s});
        EXPECT_EQ(run.total, 0);
        EXPECT_EQ(appCount(u"studadm"_s), 0);
        EXPECT_EQ(appCount(u"options"_s), 0);
        ASSERT_EQ(ui.messages.size(), 1);
        EXPECT_TRUE(ui.last().text.startsWith(
                QLatin1String("5, The fee of Bala (serial number 7, degree BSC) is ")))
                << ui.last().text.toStdString();
    }
}

TEST_F(Applications, theSameWorkbookTwiceCreatesEveryApplicationTwiceWithNewSerials)
{
    const SheetRows rows{appRow(u"1"_s, u"BA"_s, u"Anu"_s, u"CATI"_s, 100, {u"ENG"_s}, u"9000000001"_s)};
    stageRows(rows);
    importApps({u"BA"_s});
    stageRows(rows);
    EXPECT_EQ(importApps({u"BA"_s}).total, 1);
    EXPECT_EQ(adminValue(u"select group_concat(fslno order by fslno) from corvane3_023.studadm"_s),
              u"0001,0002"_s);
    EXPECT_EQ(appCount(u"options"_s), 2);
    EXPECT_EQ(appCount(u"admfeedetl"_s), 4);
}

TEST_F(Applications, aDegreeNamedTwiceIsImportedOnceAndAnUntickedOneNotAtAll)
{
    stageRows({appRow(u"1"_s, u"BA"_s, u"Anu"_s, u"CATI"_s, 100, {}, u"9000000001"_s),
               appRow(u"2"_s, u"XBA"_s, u"Bala"_s, u"CATI"_s, 100, {}, u"9000000002"_s),
               appRow(u"3"_s, u"BSC"_s, u"Chitra"_s, u"CATI"_s, 100, {}, u"9000000003"_s)});
    const QVector<DegreeDecision> grid{
            {u"BA"_s, u"BA"_s, true}, {u"BSC"_s, u"BSC"_s, false}, {u"XBA"_s, u"BA"_s, true}};
    applyDegreeDecisions(kAppDb, grid);
    EXPECT_EQ(importApps(degreesToImport(grid)).total, 2);
    EXPECT_EQ(adminValue(u"select group_concat(concat(fdegree, fslno, fname) order by fslno) from "
                         "corvane3_023.studadm"_s),
              u"BA0001Anu,BA0002Bala"_s);
}

// Small statements: the rows are split into several inserts with the same
// rows and values, none longer than the bound.
TEST_F(Applications, largeDegreesAreSentInBoundedStatements)
{
    SheetRows rows;
    for (int i = 1; i <= 60; ++i)
        rows.append(appRow(QString::number(i), u"BA"_s, u"Student %1"_s.arg(i), u"CATI"_s, 1000 + i,
                           {u"ENG"_s, u"HIS"_s}, u"90000%1"_s.arg(i, 5, 10, QLatin1Char('0'))));
    stageRows(rows);
    const ApplicationRun run = importApps({u"BA"_s}, 2000);
    EXPECT_EQ(run.total, 60);
    ASSERT_EQ(run.plans.size(), 1);
    EXPECT_GT(run.plans.at(0).applications.size(), 5);
    EXPECT_GT(run.plans.at(0).subjects.size(), 2);
    EXPECT_LE(run.largestStatement, 2000);
    EXPECT_EQ(adminValue(u"select concat(count(*), '/', count(distinct fslno), '/', min(fslno), '/', "
                         "max(fslno), '/', sum(ftotfee)) from corvane3_023.studadm"_s),
              u"60/60/0001/0060/61830.00"_s);
    EXPECT_EQ(appCount(u"options"_s), 120);
    EXPECT_EQ(appCount(u"admfeedetl"_s), 120);
}

// The connection is killed before each statement in turn; in one variant
// the server has stored the batch but the reply never came. Every student
// ends with exactly one application, subjects, documents and fees.
TEST_F(Applications, aKilledConnectionNeverStoresABatchTwice)
{
    SheetRows rows;
    for (int i = 1; i <= 12; ++i)
        rows.append(appRow(QString::number(i), i % 3 ? u"BA"_s : u"BSC"_s, u"S%1"_s.arg(i), u"CATI"_s, 100,
                           {u"ENG"_s}, u"90000000%1"_s.arg(i, 2, 10, QLatin1Char('0'))));
    for (bool storedBeforeKill : {false, true}) {
        for (int killAt = 0; killAt < 16; ++killAt) {
            admin(QStringList{u"delete from corvane3_023.studadm"_s, u"delete from corvane3_023.options"_s,
                              u"delete from corvane3_023.studoc"_s,
                              u"delete from corvane3_023.admfeedetl"_s});
            stageRows(rows);
            int calls = 0;
            bool killed = false;
            ApplicationRun *current = nullptr;
            ApplicationRun run;
            ApplicationRequest request;
            request.univCode = u"023"_s;
            request.college = u"2301"_s;
            request.degrees = {u"BA"_s, u"BSC"_s};
            request.admDate = u"2026-06-01"_s;
            request.maxStatementBytes = 900;
            current = &run;
            const auto observer = [&](qint64, qint64, const QString &) {
                if (calls++ != killAt || killed)
                    return;
                killed = true;
                if (storedBeforeKill && current->stage < 2) {
                    const DegreePlan &plan = current->plans.at(current->degree);
                    const QVector<Batch> &batches = current->stage == 0 ? plan.applications : plan.subjects;
                    admin(batches.at(current->item).sql);
                }
                killConn();
            };
            HandlerOptions options;
            options.style = ErrorStyle::NumberCommaDescription;
            EXPECT_TRUE(runHandled(options, [&](int) { importApplications(request, run, observer); }))
                    << ui.texts().join(QLatin1Char('|')).toStdString();
            const std::string label = std::to_string(killAt) + (storedBeforeKill ? " stored" : "");
            EXPECT_EQ(run.total, 12) << label;
            EXPECT_EQ(adminValue(u"select concat(count(*), '/', count(distinct fxlsintno), '/', "
                                 "sum(fappno like '523%')) from corvane3_023.studadm"_s),
                      u"12/12/12"_s)
                    << label;
            EXPECT_EQ(appCount(u"options"_s), 12) << label;
            EXPECT_EQ(appCount(u"options"_s, u"fappno not like '523%'"_s), 0) << label;
            EXPECT_EQ(appCount(u"admfeedetl"_s), 24) << label;
            EXPECT_EQ(appCount(u"studoc"_s), 8 * 2 + 4) << label;
        }
    }
}

// The one-pass replacement of short names must match what the ten column
// updates as first written give: case-blind matches, unknown names and
// other examinations kept, rows of another college left alone.
TEST_F(Applications, subjectCodesInOnePassMatchTheColumnByColumnUpdates)
{
    QVariantList otherCollege = appRow(u"3"_s, u"BA"_s, u"Chitra"_s, u"CATI"_s, 100, {u"ENG"_s, u"HIS"_s},
                                       u"9000000003"_s, u"2302"_s);
    const SheetRows rows{
            appRow(u"1"_s, u"BA"_s, u"Anu"_s, u"CATI"_s, 100,
                   {u"eng"_s, u"HIS "_s, u"XYZ"_s, QString(), u"POL"_s, u"ECO"_s, u"ENG"_s, u"PHY"_s,
                    u"HIS"_s, u"ECO"_s},
                   u"9000000001"_s),
            appRow(u"2"_s, u"BSC"_s, u"Bala"_s, u"CATI"_s, 100, {u"PHY"_s, u"ENG"_s}, u"9000000002"_s),
            otherCollege};
    QStringList results;
    for (ImportPlan plan : {ImportPlan::Literal, ImportPlan::Fast}) {
        admin(QStringList{u"delete from corvane3_023.studadm"_s, u"delete from corvane3_023.options"_s});
        stageRows(rows);
        ApplicationRequest request;
        request.univCode = u"023"_s;
        request.college = u"2301"_s;
        request.degrees = {u"BA"_s, u"BSC"_s};
        request.admDate = u"2026-06-01"_s;
        request.plan = plan;
        ApplicationRun run;
        ASSERT_TRUE(
                runHandled(ErrorStyle::NumberCommaDescription, [&] { importApplications(request, run); }));
        results << adminValue(u"select group_concat(concat_ws(':', o.fdegree, o.fslno, o.fsubcode) order "
                              "by o.fdegree, o.fslno, o.fsubcode) from corvane3_023.options o"_s) +
                           QLatin1Char('#') +
                           adminValue(u"select group_concat(concat_ws(':', fname, fsub01, fsub02, fsub03, "
                                      "fsub05, fsub08) order by fintid) from corvane3_023.tmpcollstud"_s);
    }
    EXPECT_EQ(results.at(0), results.at(1));
    EXPECT_TRUE(results.at(1).startsWith(
            QLatin1String("BA:0001:BA01,BA:0001:BA02,BA:0001:BA03,BA:0001:PHY,BA:0001:POL,"
                          "BA:0001:XYZ,BA:0002:ENG,BA:0002:HIS,BSC:0001:BS01,"
                          "BSC:0001:BS02#")))
            << results.at(1).toStdString();
}

struct SerialCase
{
    const char *previous;
    const char *next;
};

TEST(ApplicationSerial, fourDigitsAtLeastAndAllDigitsPastThem)
{
    const SerialCase cases[] = {
            {"0", "0001"}, {"0041", "0042"}, {"9998", "9999"}, {"9999", "10000"}, {"10000", "10001"}};
    for (const SerialCase &c : cases)
        EXPECT_EQ(nextSerial(QLatin1String(c.previous)), QLatin1String(c.next)) << c.previous;
}

} // namespace
