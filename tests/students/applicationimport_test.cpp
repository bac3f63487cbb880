#include "core/services/database.h"
#include "core/services/handler.h"

#include "excelfixture.h"

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
        stage(QStringLiteral("023"), QStringLiteral("2301"), workbook(QStringLiteral("2301.xlsx"), all));
    }
    static QString rowsOf(const QString &sql) { return appValue(sql); }
};

TEST_F(Applications, serialsContinueAfterTheHighestStoredAndEveryTableIsFilled)
{
    admin(QStringLiteral("insert into corvane3_023.studadm(fslno, fcollcode, fdegree, fappno) values"
                         "('0041', '2301', 'BA', '5239'), ('0007', '2301', 'BA', '5238'), ('0100', '2302', "
                         "'BA', '5237')"));
    stageRows(
            {appRow(QStringLiteral("1"), QStringLiteral("BA"), QStringLiteral("Anu"), QStringLiteral("CAT-I"),
                    12500, {QStringLiteral("ENG"), QStringLiteral("HIS")}, QStringLiteral("9000000001")),
             appRow(QStringLiteral("2"), QStringLiteral("BA"), QStringLiteral("Bala"), QStringLiteral("2-A"),
                    12500.5, {QStringLiteral("ECO")}, QStringLiteral("9000000002"))});
    const ApplicationRun run = importApps({QStringLiteral("BA")});
    EXPECT_EQ(run.total, 2);
    EXPECT_EQ(run.beforeLine, QStringLiteral("Records Before Importing : BA - 2"));
    EXPECT_EQ(run.afterLine, QStringLiteral("Records After Importing : BA - 4"));
    EXPECT_EQ(rowsOf(QStringLiteral("select group_concat(concat_ws('|', fslno, fname, fcaste, ftotfee, "
                                    "fappno = concat('523', "
                                    "internal_code), fxlsintno is not null, fappstatus, ffinsub, fexamno, "
                                    "fcombcode, fcreateuser, "
                                    "fackuser, fblood_group, fadmdate, freligion, fconstype, fcatbirth, "
                                    "farea) order by fslno "
                                    "separator '#') from corvane3_023.studadm where fcreateuser = 'XLS'")),
              QStringLiteral(
                      "0042|Anu|CAT-I|12500.00|1|1|verified|T|A|GEN|XLS|XLS|NOT KNOWN|2026-06-01|Others|No|.|"
                      "Rural#0043|Bala|2A|12500.50|1|1|verified|T|A|GEN|XLS|XLS|NOT KNOWN|2026-06-01|Others|"
                      "No|.|Rural"));
    // Subjects by code, under the final application number.
    EXPECT_EQ(
            rowsOf(QStringLiteral(
                    "select group_concat(concat(o.fslno, ':', o.fsubcode) order by o.fslno, o.fsubcode) from "
                    "corvane3_023.options o join corvane3_023.studadm a on a.fappno = o.fappno and a.fslno = "
                    "o.fslno and a.fcollcode = o.fcollcode")),
            QStringLiteral("0042:BA01,0042:BA02,0043:BA03"));
    EXPECT_EQ(rowsOf(QStringLiteral(
                      "select group_concat(concat(d.app_no, ':', d.fdoctype) order by d.app_no, d.fdoctype) "
                      "from "
                      "corvane3_023.studoc d join corvane3_023.studadm a on a.fappno = d.login_cnt")),
              QStringLiteral("0042:Photo,0042:Signature,0043:Photo,0043:Signature"));
    EXPECT_EQ(rowsOf(QStringLiteral(
                      "select group_concat(concat(f.fslno, ':', f.fheadcode, ':', f.famount, ':', f.fyear) "
                      "order by "
                      "f.fslno, f.fheadcode) from corvane3_023.admfeedetl f join corvane3_023.studadm a on "
                      "a.fappno = f.fappno")),
              QStringLiteral("0042:01 University Total Fee:12500.00:2018,0042:02 Fine:0.00:2018,"
                             "0043:01 University Total Fee:12500.50:2018,0043:02 Fine:0.00:2018"));
}

struct CasteCase
{
    const char *typed;
    const char *stored;
};

TEST_F(Applications, casteCategoriesAreNormalised)
{
    const CasteCase cases[] = {{"CAT-I", "CAT-I"}, {"CATI", "CAT-I"}, {"CAT-II", "CAT-II"}, {"2-A", "2A"}};
    SheetRows rows;
    int i = 0;
    for (const CasteCase &c : cases) {
        ++i;
        rows.append(appRow(QString::number(i), QStringLiteral("BA"), QStringLiteral("S%1").arg(i),
                           QLatin1String(c.typed), 100, {}, QStringLiteral("900000000%1").arg(i)));
    }
    stageRows(rows);
    importApps({QStringLiteral("BA")});
    i = 0;
    for (const CasteCase &c : cases) {
        ++i;
        EXPECT_EQ(
                appValue(
                        QStringLiteral("select fcaste from corvane3_023.studadm where fname = 'S%1'").arg(i)),
                QLatin1String(c.stored))
                << c.typed;
    }
}

// Repeated subjects once, empty cells nothing, a code inside an earlier code
// still taken, a degree without subjects no options rows at all.
TEST_F(Applications, subjectsAreTakenOnceEachAndEmptyCellsAddNothing)
{
    stageRows({appRow(QStringLiteral("1"), QStringLiteral("BA"), QStringLiteral("Anu"),
                      QStringLiteral("CATI"), 100,
                      {QStringLiteral("ENG"), QString(), QStringLiteral("ENG"), QStringLiteral("  "),
                       QStringLiteral("XHIS"), QStringLiteral("HIS"), QStringLiteral("POL")},
                      QStringLiteral("9000000001")),
               appRow(QStringLiteral("2"), QStringLiteral("BSC"), QStringLiteral("Bala"),
                      QStringLiteral("CATI"), 100, {}, QStringLiteral("9000000002"))});
    const ApplicationRun run = importApps({QStringLiteral("BA"), QStringLiteral("BSC")});
    EXPECT_EQ(run.total, 2);
    // POL belongs to another examination, so it stays as typed.
    EXPECT_EQ(appValue(QStringLiteral(
                      "select group_concat(fsubcode order by fsubcode) from corvane3_023.options "
                      "where fdegree = 'BA'")),
              QStringLiteral("BA01,BA02,POL,XHIS"));
    EXPECT_EQ(appCount(QStringLiteral("options"), QStringLiteral("fdegree = 'BSC'")), 0);
    EXPECT_EQ(appCount(QStringLiteral("studadm"), QStringLiteral("fdegree = 'BSC'")), 1);
    EXPECT_EQ(appCount(QStringLiteral("studoc"), QStringLiteral("fdegree = 'BSC'")), 1);
}

TEST_F(Applications, apostrophesInNamesBecomeBackquotesAndOtherValuesAreStoredAsTyped)
{
    QVariantList row = appRow(QStringLiteral("1"), QStringLiteral("BA"), QStringLiteral("D'Souza"),
                              QStringLiteral("CAT'I"), 100, {}, QStringLiteral("9000000001"));
    row[6] = QStringLiteral("M'");
    row[20] = QStringLiteral("o'brien\\x@mail.example");
    stageRows({row});
    EXPECT_EQ(importApps({QStringLiteral("BA")}).total, 1);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(appValue(QStringLiteral(
                      "select concat_ws('|', fname, ffatname, fmotname, fgender, fcaste, femail) from "
                      "corvane3_023.studadm")),
              QStringLiteral("D`Souza|Father of D`Souza|Mother of D`Souza|M'|CAT'I|o'brien\\x@mail.example"));
}

// A fee that is empty or no number stops the import before any degree is
// written, naming the student.
TEST_F(Applications, anEmptyOrMistypedFeeStopsTheImportBeforeAnythingIsStored)
{
    for (const QVariant &fee :
         {QVariant(), QVariant(QStringLiteral("12,500")), QVariant(QStringLiteral("1e3; drop"))}) {
        ui.reset();
        stageRows(
                {appRow(QStringLiteral("1"), QStringLiteral("BA"), QStringLiteral("Anu"),
                        QStringLiteral("CATI"), 100, {QStringLiteral("ENG")}, QStringLiteral("9000000001")),
                 appRow(QStringLiteral("7"), QStringLiteral("BSC"), QStringLiteral("Bala"),
                        QStringLiteral("CATI"), fee, {QStringLiteral("ENG")}, QStringLiteral("9000000002"))});
        const ApplicationRun run = importApps({QStringLiteral("BA"), QStringLiteral("BSC")});
        EXPECT_EQ(run.total, 0);
        EXPECT_EQ(appCount(QStringLiteral("studadm")), 0);
        EXPECT_EQ(appCount(QStringLiteral("options")), 0);
        ASSERT_EQ(ui.messages.size(), 1);
        EXPECT_TRUE(ui.last().text.startsWith(
                QLatin1String("5, The fee of Bala (serial number 7, degree BSC) is ")))
                << ui.last().text.toStdString();
    }
}

TEST_F(Applications, theSameWorkbookTwiceCreatesEveryApplicationTwiceWithNewSerials)
{
    const SheetRows rows{appRow(QStringLiteral("1"), QStringLiteral("BA"), QStringLiteral("Anu"),
                                QStringLiteral("CATI"), 100, {QStringLiteral("ENG")},
                                QStringLiteral("9000000001"))};
    stageRows(rows);
    importApps({QStringLiteral("BA")});
    stageRows(rows);
    EXPECT_EQ(importApps({QStringLiteral("BA")}).total, 1);
    EXPECT_EQ(appValue(QStringLiteral("select group_concat(fslno order by fslno) from corvane3_023.studadm")),
              QStringLiteral("0001,0002"));
    EXPECT_EQ(appCount(QStringLiteral("options")), 2);
    EXPECT_EQ(appCount(QStringLiteral("admfeedetl")), 4);
}

TEST_F(Applications, aDegreeNamedTwiceIsImportedOnceAndAnUntickedOneNotAtAll)
{
    stageRows({appRow(QStringLiteral("1"), QStringLiteral("BA"), QStringLiteral("Anu"),
                      QStringLiteral("CATI"), 100, {}, QStringLiteral("9000000001")),
               appRow(QStringLiteral("2"), QStringLiteral("XBA"), QStringLiteral("Bala"),
                      QStringLiteral("CATI"), 100, {}, QStringLiteral("9000000002")),
               appRow(QStringLiteral("3"), QStringLiteral("BSC"), QStringLiteral("Chitra"),
                      QStringLiteral("CATI"), 100, {}, QStringLiteral("9000000003"))});
    const QVector<DegreeDecision> grid{{QStringLiteral("BA"), QStringLiteral("BA"), true},
                                       {QStringLiteral("BSC"), QStringLiteral("BSC"), false},
                                       {QStringLiteral("XBA"), QStringLiteral("BA"), true}};
    applyDegreeDecisions(kAppDb, grid);
    EXPECT_EQ(importApps(degreesToImport(grid)).total, 2);
    EXPECT_EQ(
            appValue(QStringLiteral("select group_concat(concat(fdegree, fslno, fname) order by fslno) from "
                                    "corvane3_023.studadm")),
            QStringLiteral("BA0001Anu,BA0002Bala"));
}

// Small statements: the rows are split into several inserts with the same
// rows and values, none longer than the bound.
TEST_F(Applications, largeDegreesAreSentInBoundedStatements)
{
    SheetRows rows;
    for (int i = 1; i <= 60; ++i)
        rows.append(appRow(QString::number(i), QStringLiteral("BA"), QStringLiteral("Student %1").arg(i),
                           QStringLiteral("CATI"), 1000 + i, {QStringLiteral("ENG"), QStringLiteral("HIS")},
                           QStringLiteral("90000%1").arg(i, 5, 10, QLatin1Char('0'))));
    stageRows(rows);
    const ApplicationRun run = importApps({QStringLiteral("BA")}, 2000);
    EXPECT_EQ(run.total, 60);
    ASSERT_EQ(run.plans.size(), 1);
    EXPECT_GT(run.plans.at(0).applications.size(), 5);
    EXPECT_GT(run.plans.at(0).subjects.size(), 2);
    EXPECT_LE(run.largestStatement, 2000);
    EXPECT_EQ(appValue(QStringLiteral(
                      "select concat(count(*), '/', count(distinct fslno), '/', min(fslno), '/', "
                      "max(fslno), '/', sum(ftotfee)) from corvane3_023.studadm")),
              QStringLiteral("60/60/0001/0060/61830.00"));
    EXPECT_EQ(appCount(QStringLiteral("options")), 120);
    EXPECT_EQ(appCount(QStringLiteral("admfeedetl")), 120);
}

// The connection is killed before each statement in turn; in one variant
// the server has stored the batch but the reply never came. Every student
// ends with exactly one application, subjects, documents and fees.
TEST_F(Applications, aKilledConnectionNeverStoresABatchTwice)
{
    SheetRows rows;
    for (int i = 1; i <= 12; ++i)
        rows.append(appRow(QString::number(i), i % 3 ? QStringLiteral("BA") : QStringLiteral("BSC"),
                           QStringLiteral("S%1").arg(i), QStringLiteral("CATI"), 100, {QStringLiteral("ENG")},
                           QStringLiteral("90000000%1").arg(i, 2, 10, QLatin1Char('0'))));
    for (bool storedBeforeKill : {false, true}) {
        for (int killAt = 0; killAt < 16; ++killAt) {
            admin(QStringList{QStringLiteral("delete from corvane3_023.studadm"),
                              QStringLiteral("delete from corvane3_023.options"),
                              QStringLiteral("delete from corvane3_023.studoc"),
                              QStringLiteral("delete from corvane3_023.admfeedetl")});
            stageRows(rows);
            int calls = 0;
            bool killed = false;
            ApplicationRun *current = nullptr;
            ApplicationRun run;
            ApplicationRequest request;
            request.univCode = QStringLiteral("023");
            request.college = QStringLiteral("2301");
            request.degrees = {QStringLiteral("BA"), QStringLiteral("BSC")};
            request.admDate = QStringLiteral("2026-06-01");
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
            EXPECT_EQ(appValue(QStringLiteral("select concat(count(*), '/', count(distinct fxlsintno), '/', "
                                              "sum(fappno like '523%')) from corvane3_023.studadm")),
                      QStringLiteral("12/12/12"))
                    << label;
            EXPECT_EQ(appCount(QStringLiteral("options")), 12) << label;
            EXPECT_EQ(appCount(QStringLiteral("options"), QStringLiteral("fappno not like '523%'")), 0)
                    << label;
            EXPECT_EQ(appCount(QStringLiteral("admfeedetl")), 24) << label;
            EXPECT_EQ(appCount(QStringLiteral("studoc")), 8 * 2 + 4) << label;
        }
    }
}

// The one-pass replacement of short names must match what the ten column
// updates as first written give: case-blind matches, unknown names and
// other examinations kept, rows of another college left alone.
TEST_F(Applications, subjectCodesInOnePassMatchTheColumnByColumnUpdates)
{
    QVariantList otherCollege =
            appRow(QStringLiteral("3"), QStringLiteral("BA"), QStringLiteral("Chitra"),
                   QStringLiteral("CATI"), 100, {QStringLiteral("ENG"), QStringLiteral("HIS")},
                   QStringLiteral("9000000003"), QStringLiteral("2302"));
    const SheetRows rows{
            appRow(QStringLiteral("1"), QStringLiteral("BA"), QStringLiteral("Anu"), QStringLiteral("CATI"),
                   100,
                   {QStringLiteral("eng"), QStringLiteral("HIS "), QStringLiteral("XYZ"), QString(),
                    QStringLiteral("POL"), QStringLiteral("ECO"), QStringLiteral("ENG"),
                    QStringLiteral("PHY"), QStringLiteral("HIS"), QStringLiteral("ECO")},
                   QStringLiteral("9000000001")),
            appRow(QStringLiteral("2"), QStringLiteral("BSC"), QStringLiteral("Bala"), QStringLiteral("CATI"),
                   100, {QStringLiteral("PHY"), QStringLiteral("ENG")}, QStringLiteral("9000000002")),
            otherCollege};
    QStringList results;
    for (ImportPlan plan : {ImportPlan::Literal, ImportPlan::Fast}) {
        admin(QStringList{QStringLiteral("delete from corvane3_023.studadm"),
                          QStringLiteral("delete from corvane3_023.options")});
        stageRows(rows);
        ApplicationRequest request;
        request.univCode = QStringLiteral("023");
        request.college = QStringLiteral("2301");
        request.degrees = {QStringLiteral("BA"), QStringLiteral("BSC")};
        request.admDate = QStringLiteral("2026-06-01");
        request.plan = plan;
        ApplicationRun run;
        ASSERT_TRUE(
                runHandled(ErrorStyle::NumberCommaDescription, [&] { importApplications(request, run); }));
        results << appValue(QStringLiteral(
                           "select group_concat(concat_ws(':', o.fdegree, o.fslno, o.fsubcode) order "
                           "by o.fdegree, o.fslno, o.fsubcode) from corvane3_023.options o")) +
                           QLatin1Char('#') +
                           appValue(QStringLiteral(
                                   "select group_concat(concat_ws(':', fname, fsub01, fsub02, fsub03, "
                                   "fsub05, fsub08) order by fintid) from corvane3_023.tmpcollstud"));
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
