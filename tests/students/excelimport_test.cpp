#include "core/services/database.h"
#include "core/services/handler.h"

#include "excelfixture.h"

#include <QDir>
#include <QFile>

using namespace students;

namespace {

class ExcelSheet : public ExcelTest
{};

// Every kind of cell a college's sheet brings reaches the staging table as
// the cell shows it: no exponent, no regional date, the backslash kept.
TEST_F(ExcelSheet, trickyCellsReachTheStagingTableAsTyped)
{
    const QString path = workbook(
            QStringLiteral("2001 tricky.xlsx"),
            {listHeading(),
             {QStringLiteral("0041"), QStringLiteral("2001"), QStringLiteral("BA"),
              QStringLiteral("Rao, K. \"Kittu\""), 987654321012.0, QStringLiteral("a\\b@x")},
             {7, 2001, QStringLiteral("BSC"), QStringLiteral("Zoë Ñandú 名前"), QStringLiteral("9000000002")},
             {QDate(2019, 1, 15), QStringLiteral("2001"), QVariant(), QStringLiteral("Line\nbreak"),
              QVariant::fromValue(Formula{QStringLiteral("=9000000000+3"), 9000000003.0}), true},
             {12.5, QStringLiteral("2001"), QStringLiteral("BA"), QStringLiteral("O'Neil"),
              QStringLiteral("9000000004"), QStringLiteral("d,e@x")}});
    const ImportCounters c = stage(QStringLiteral("041"), QStringLiteral("2001"), path);
    EXPECT_EQ(c.sheet, 4);
    EXPECT_EQ(c.nameEmpty, 0);
    EXPECT_EQ(
            adminValue(QStringLiteral(
                    "select group_concat(concat_ws('|', fslno, fcollcode, fdegree, fname, fmobileno, femail) "
                    "order by fintid separator '#') from corvane3_tsc.tmpcollstud")),
            QStringLiteral("0041|2001|BA|Rao, K. \"Kittu\"|987654321012|a\\b@x#"
                           "7|2001|BSC|Zoë Ñandú 名前|9000000002|#"
                           "2019-01-15|2001||Line\nbreak|9000000003|TRUE#"
                           "12.5|2001|BA|O'Neil|9000000004|d,e@x"));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("csv/2001 tricky.csv"))));
}

TEST_F(ExcelSheet, theActiveTabIsTheOneRead)
{
    const QString path =
            workbook(QStringLiteral("2001.xlsx"),
                     {listHeading(),
                      {QStringLiteral("1"), QStringLiteral("2001"), QStringLiteral("BA"),
                       QStringLiteral("Anu"), QStringLiteral("9000000001"), QStringLiteral("a@x")}},
                     true);
    EXPECT_EQ(stage(QStringLiteral("041"), QStringLiteral("2001"), path).sheet, 1);
    EXPECT_EQ(count(QStringLiteral("tmpcollstud"), QStringLiteral("fname = 'Anu'")), 1);
}

TEST_F(ExcelSheet, rowsWithoutNamesAreCountedAndNoDegreeIsListed)
{
    SheetRows rows{listHeading()};
    for (int i = 1; i <= 3; ++i)
        rows.append({QString::number(i), QStringLiteral("2001"), QStringLiteral("BA"),
                     i == 2 ? QStringLiteral("   ") : QString(), QStringLiteral("900000000%1").arg(i)});
    const ImportCounters c =
            stage(QStringLiteral("041"), QStringLiteral("2001"), workbook(QStringLiteral("2001.xlsx"), rows));
    EXPECT_EQ(c.sheet, 0);
    EXPECT_EQ(c.nameEmpty, 3);
    EXPECT_TRUE(stagedDegrees(kDb).isEmpty());
}

// A wrong layout is named before anything is loaded, with both heading rows.
TEST_F(ExcelSheet, aSheetOfAnotherWidthIsDescribedWithBothHeadingRows)
{
    const QString path = workbook(QStringLiteral("2301.xlsx"), {listHeading()});
    const SheetTable table = readActiveSheet(path);
    EXPECT_EQ(layoutMismatch(table, QStringLiteral("041")), QString());
    const QString text = layoutMismatch(table, QStringLiteral("023"));
    EXPECT_TRUE(text.contains(QLatin1String("has 6 columns")) && text.contains(QLatin1String("has 21")))
            << text.toStdString();
    EXPECT_TRUE(text.contains(QLatin1String("Expected: fslno, fcollcode, fdegree, fname, ffatname")));
    EXPECT_TRUE(text.contains(QLatin1String("Found: Sl No, College, Degree, Name, Mobile, Email")));
    EXPECT_TRUE(
            layoutMismatch(SheetTable(), QStringLiteral("041")).contains(QLatin1String("(an empty sheet)")));
}

TEST_F(ExcelSheet, aFileThatIsNoWorkbookLeavesNoCsvBehind)
{
    QDir(dir.path()).mkdir(QStringLiteral("csv"));
    const QString old = dir.filePath(QStringLiteral("csv/2001.csv"));
    QFile stale(old);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("old,csv\n");
    stale.close();
    QFile fake(dir.filePath(QStringLiteral("2001.xlsx")));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("Sl No,College\n1,2001\n");
    fake.close();
    try {
        writeSheetCsv(fake.fileName(), old);
        FAIL() << "a text file was read as a workbook";
    } catch (const AppError &e) {
        EXPECT_EQ(e.number(), ErrNo::Workbook);
        EXPECT_TRUE(e.description().contains(QLatin1String("not an Excel workbook")))
                << e.description().toStdString();
    }
    EXPECT_FALSE(QFile::exists(old));
}

struct PathCase
{
    const char *workbook;
    const char *csv;
};

TEST_F(ExcelSheet, csvAndCompletedPathsFollowTheWorkbooksName)
{
    const PathCase cases[] = {{"/up/1234xyz.xlsx", "/up/csv/1234xyz.csv"},
                              {"/up/1234 list.xls", "/up/csv/1234 list.csv"},
                              {"/up/1234xyz.XLSX", "/up/csv/1234xyz.XLSX"},
                              {"/up/a.xlsx.xls", "/up/csv/a.csv.csv"}};
    for (const PathCase &pc : cases)
        EXPECT_EQ(csvPathFor(QLatin1String(pc.workbook)), QLatin1String(pc.csv)) << pc.workbook;
    EXPECT_EQ(completedPathFor(QStringLiteral("/up/1234xyz.xlsx")),
              QStringLiteral("/up/completed/1234xyz.xlsx"));
    EXPECT_EQ(collegeFromFileName(QStringLiteral("/up/1234xyz.xlsx")), QStringLiteral("1234"));
    EXPECT_EQ(collegeFromFileName(QStringLiteral("/up/12.xlsx")), QStringLiteral("12.x"));
}

TEST_F(ExcelSheet, movingIntoCompletedReplacesAnOlderCopyAndKeepsTheWorkbookWhenItCannot)
{
    const QString path = workbook(QStringLiteral("2001.xlsx"), {listHeading()});
    makeUploadFolders(path);
    QFile older(completedPathFor(path));
    ASSERT_TRUE(older.open(QIODevice::WriteOnly));
    older.write("older");
    older.close();
    const qint64 size = QFileInfo(path).size();
    moveToCompleted(path);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(QFileInfo(completedPathFor(path)).size(), size);

    // A "completed" that is a file, not a folder: the workbook stays put.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("other")));
    const QString other = workbook(QStringLiteral("other/2002.xlsx"), {listHeading()});
    QFile blocker(dir.filePath(QStringLiteral("other/completed")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_THROW(moveToCompleted(other), AppError);
    EXPECT_TRUE(QFile::exists(other));
}

// ---------------------------------------------------------------- the grid

class ExcelGrid : public ExcelTest
{
protected:
    void SetUp() override
    {
        ExcelTest::SetUp();
        SheetRows rows{listHeading()};
        const char *degrees[] = {"A", "A", "B", "C", "D"};
        for (int i = 0; i < 5; ++i)
            rows.append({QString::number(i + 1), QStringLiteral("2001"), QLatin1String(degrees[i]),
                         QStringLiteral("S%1").arg(i + 1), QStringLiteral("900000000%1").arg(i + 1)});
        stage(QStringLiteral("041"), QStringLiteral("2001"), workbook(QStringLiteral("2001.xlsx"), rows));
    }
    QString degreesStaged()
    {
        return adminValue(QStringLiteral("select group_concat(fdegree order by fname separator '') from "
                                         "corvane3_tsc.tmpcollstud"));
    }
};

TEST_F(ExcelGrid, linesAreAppliedInGridOrderSoAToBThenBToCEndsInC)
{
    const QVector<DegreeCount> listed = stagedDegrees(kDb);
    ASSERT_EQ(listed.size(), 4);
    EXPECT_EQ(listed.at(0).code, QStringLiteral("A"));
    EXPECT_EQ(listed.at(0).count, 2);
    applyDegreeDecisions(kDb, {{QStringLiteral("A"), QStringLiteral("B"), true},
                               {QStringLiteral("B"), QStringLiteral(" C "), true},
                               {QStringLiteral("C"), QStringLiteral("C"), true},
                               {QStringLiteral("D"), QStringLiteral("D"), false}});
    EXPECT_EQ(degreesStaged(), QStringLiteral("CCCC"));
}

TEST_F(ExcelGrid, twoLinesEndingInOneCodeImportThatDegreeOnce)
{
    const QVector<DegreeDecision> grid{{QStringLiteral("A"), QStringLiteral("B"), true},
                                       {QStringLiteral("B"), QStringLiteral("B "), true},
                                       {QStringLiteral("C"), QStringLiteral("C"), false},
                                       {QStringLiteral("D"), QStringLiteral("A"), true}};
    EXPECT_EQ(degreesToImport(grid), (QStringList{QStringLiteral("B"), QStringLiteral("A")}));
}

TEST_F(ExcelGrid, aCodeWithAQuoteIsStoredAsTyped)
{
    applyDegreeDecisions(kDb, {{QStringLiteral("A"), QStringLiteral("B'A"), true}});
    EXPECT_EQ(count(QStringLiteral("tmpcollstud"), QStringLiteral("fdegree = 'B''A'")), 2);
}

// ---------------------------------------------------------------- student list

class ExcelList : public ExcelTest
{
protected:
    ImportRun importList(const ImportCounters &fromSheet, const StepObserver &observer = {})
    {
        ImportRun run;
        run.counters = fromSheet;
        HandlerOptions options;
        options.style = ErrorStyle::NumberCommaDescription;
        EXPECT_TRUE(runHandled(options, [&](int) {
            importStudentList(QStringLiteral("041"), QStringLiteral("2001"), run, observer);
        })) << ui.texts().join(QLatin1Char('|')).toStdString();
        return run;
    }
    SheetRows sheet()
    {
        return {listHeading(),
                {QStringLiteral("1"), QStringLiteral("2001"), QStringLiteral("BA"), QStringLiteral("Anu"),
                 QStringLiteral("9000000001"), QStringLiteral("a@x")},
                {QStringLiteral("2"), QStringLiteral("2001"), QStringLiteral("BA"), QStringLiteral("Bala"),
                 QStringLiteral("9000000002"), QStringLiteral("b@x")},
                {QStringLiteral("3"), QStringLiteral("2001"), QStringLiteral("BSC"), QStringLiteral("Chitra"),
                 QStringLiteral("  "), QStringLiteral("c@x")},
                {QStringLiteral("4"), QStringLiteral("2001"), QStringLiteral("BSC"), QString(),
                 QStringLiteral("9000000004"), QStringLiteral("d@x")}};
    }
};

TEST_F(ExcelList, theSameWorkbookTwiceAddsNothingTheSecondTime)
{
    const QString path = workbook(QStringLiteral("2001.xlsx"), sheet());
    ImportRun first = importList(stage(QStringLiteral("041"), QStringLiteral("2001"), path));
    EXPECT_EQ(first.counters.sheet, 3);
    EXPECT_EQ(first.counters.nameEmpty, 1);
    EXPECT_EQ(first.counters.noMobile, 1);
    EXPECT_EQ(first.counters.finalUploaded, 2);
    EXPECT_EQ(first.beforeLine, QStringLiteral("Records Before Importing : 0"));
    EXPECT_EQ(first.afterLine, QStringLiteral("Records After Importing : BA - 2"));
    ImportRun second = importList(stage(QStringLiteral("041"), QStringLiteral("2001"), path));
    EXPECT_EQ(second.counters.finalUploaded, 0);
    EXPECT_EQ(second.counters.dupDb, 0);
    EXPECT_EQ(second.beforeLine, QStringLiteral("Records Before Importing : BA - 2"));
    EXPECT_EQ(count(QStringLiteral("collstud")), 2);
}

TEST_F(ExcelList, oneMobileNumberOnEveryRowStoresNothing)
{
    SheetRows rows{listHeading()};
    for (int i = 1; i <= 4; ++i)
        rows.append({QString::number(i), QStringLiteral("2001"), QStringLiteral("BA"),
                     QStringLiteral("S%1").arg(i), QStringLiteral("9000000001")});
    const ImportRun run = importList(stage(QStringLiteral("041"), QStringLiteral("2001"),
                                           workbook(QStringLiteral("2001.xlsx"), rows)));
    EXPECT_EQ(run.counters.dupSheet, 4);
    EXPECT_EQ(run.counters.finalUploaded, 0);
    EXPECT_EQ(count(QStringLiteral("collstuddup")), 4);
}

// A connection killed before any statement of the path: the retry resumes,
// and every table ends as after an undisturbed import.
TEST_F(ExcelList, aKilledConnectionAnywhereStoresEachStudentOnce)
{
    const QString path = workbook(QStringLiteral("2001.xlsx"), sheet());
    const int steps = int(dedupSteps(kDb).size());
    for (int killAt = 0; killAt < steps; ++killAt) {
        admin(QStringList{QStringLiteral("delete from corvane3_tsc.collstud"),
                          QStringLiteral("delete from corvane3_tsc.collstudnb")});
        const ImportCounters sheetCounts = stage(QStringLiteral("041"), QStringLiteral("2001"), path);
        bool killed = false;
        const ImportRun run = importList(sheetCounts, [&](int index, int, const QString &) {
            if (index == killAt && !killed) {
                killed = true;
                killConn();
            }
        });
        EXPECT_TRUE(killed);
        EXPECT_EQ(count(QStringLiteral("collstud")), 2) << killAt;
        EXPECT_EQ(run.counters.finalUploaded, 2) << killAt;
        EXPECT_EQ(completionMessage(QStringLiteral("2001"), run.counters, run.beforeLine, run.afterLine),
                  QStringLiteral(
                          "Importing data completed!!\r\n\r\nCollege : 2001\r\n\r\nExcel Sheet Count : "
                          "3\r\n\r\n"
                          "Name Empty Deleted : 1\r\n\r\nWithout Mobile No. : 1\r\n\r\nDuplicate in Excel "
                          "Sheet "
                          ": 0\r\n\r\nDuplicate in DB : 0\r\n\r\nFinal Uploaded : 2\r\n\r\nRecords Before "
                          "Importing : 0\r\n\r\nRecords After Importing : BA - 2"))
                << killAt;
    }
}

} // namespace
