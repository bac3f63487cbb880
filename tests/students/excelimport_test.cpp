#include "core/services/database.h"
#include "core/services/handler.h"

#include "excelfixture.h"

#include <QDir>
#include <QFile>

using namespace students;
using namespace Qt::StringLiterals;

namespace {

class ExcelSheet : public ExcelTest
{};

// Every kind of cell a college's sheet brings reaches the staging table as
// the cell shows it: no exponent, no regional date, the backslash kept. The
// students' tab is the second one, made active.
TEST_F(ExcelSheet, trickyCellsOfTheActiveTabReachTheStagingTableAsTyped)
{
    const QString path =
            workbook(u"2001 tricky.xlsx"_s,
                     {listHeading(),
                      {u"0041"_s, u"2001"_s, u"BA"_s, u"Rao, K. \"Kittu\""_s, 987654321012.0, u"a\\b@x"_s},
                      {7, 2001, u"BSC"_s, u"Zoë Ñandú 名前"_s, u"9000000002"_s},
                      {QDate(2019, 1, 15), u"2001"_s, QVariant(), u"Line\nbreak"_s,
                       QVariant::fromValue(Formula{u"=9000000000+3"_s, 9000000003.0}), true},
                      {12.5, u"2001"_s, u"BA"_s, u"O'Neil"_s, u"9000000004"_s, u"d,e@x"_s},
                      listRow(5, u"BA"_s, u"   "_s, u"9000000005"_s)},
                     true);
    const ImportCounters c = stage(u"041"_s, u"2001"_s, path);
    EXPECT_EQ(c.sheet, 4);
    EXPECT_EQ(c.nameEmpty, 1);
    EXPECT_EQ(adminValue(u"select group_concat(concat_ws('|', fslno, fcollcode, fdegree, fname, fmobileno, "
                         u"femail) "
                         "order by fintid separator '#') from corvane3_tsc.tmpcollstud"_s),
              u"0041|2001|BA|Rao, K. \"Kittu\"|987654321012|a\\b@x#"
              "7|2001|BSC|Zoë Ñandú 名前|9000000002|#"
              "2019-01-15|2001||Line\nbreak|9000000003|TRUE#"
              "12.5|2001|BA|O'Neil|9000000004|d,e@x"_s);
    EXPECT_TRUE(QFile::exists(dir.filePath(u"csv/2001 tricky.csv"_s)));

    // All rows without names: counted, and no degree is listed.
    stage(u"041"_s, u"2001"_s, workbook(u"2001.xlsx"_s, {listHeading(), listRow(1, u"BA"_s, {}, u"9"_s)}));
    EXPECT_TRUE(stagedDegrees(kDb).isEmpty());
}

// A wrong layout is named before anything is loaded, with both heading rows.
TEST_F(ExcelSheet, aSheetOfAnotherWidthIsDescribedWithBothHeadingRows)
{
    const SheetTable table = readActiveSheet(workbook(u"2301.xlsx"_s, {listHeading()}));
    EXPECT_EQ(layoutMismatch(table, u"041"_s), QString());
    const QString text = layoutMismatch(table, u"023"_s);
    for (const char *part :
         {"has 6 columns", "has 21", "Expected: fslno, fcollcode, fdegree, fname, ffatname",
          "Found: Sl No, College, Degree, Name, Mobile, Email"})
        EXPECT_TRUE(text.contains(QLatin1String(part))) << text.toStdString();
    EXPECT_TRUE(layoutMismatch(SheetTable(), u"041"_s).contains(QLatin1String("(an empty sheet)")));
}

TEST_F(ExcelSheet, csvAndCompletedPathsFollowTheWorkbooksName)
{
    const struct
    {
        const char *workbook, *csv;
    } cases[] = {{"/up/1234xyz.xlsx", "/up/csv/1234xyz.csv"},
                 {"/up/1234 list.xls", "/up/csv/1234 list.csv"},
                 {"/up/1234xyz.XLSX", "/up/csv/1234xyz.XLSX"},
                 {"/up/a.xlsx.xls", "/up/csv/a.csv.csv"}};
    for (const auto &pc : cases)
        EXPECT_EQ(csvPathFor(QLatin1String(pc.workbook)), QLatin1String(pc.csv)) << pc.workbook;
    EXPECT_EQ(completedPathFor(u"/up/1234xyz.xlsx"_s), u"/up/completed/1234xyz.xlsx"_s);
    EXPECT_EQ(collegeFromFileName(u"/up/1234xyz.xlsx"_s), u"1234"_s);
    EXPECT_EQ(collegeFromFileName(u"/up/12.xlsx"_s), u"12.x"_s);
}

TEST_F(ExcelSheet, movingIntoCompletedReplacesAnOlderCopyAndKeepsTheWorkbookWhenItCannot)
{
    const QString path = workbook(u"2001.xlsx"_s, {listHeading()});
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
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"other"_s));
    const QString other = workbook(u"other/2002.xlsx"_s, {listHeading()});
    QFile blocker(dir.filePath(u"other/completed"_s));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_THROW(moveToCompleted(other), AppError);
    EXPECT_TRUE(QFile::exists(other));
}

// The grid's lines apply in grid order (A→B then B→C ends in C), an unticked
// line's students leave the staging table, a code with a quote is stored as
// typed, and two lines ending in one code import that degree once.
TEST_F(ExcelSheet, degreeGridAppliesItsLinesInOrder)
{
    SheetRows rows{listHeading()};
    const char *degrees[] = {"A", "A", "B", "C", "D", "E"};
    for (int i = 0; i < 6; ++i)
        rows.append(
                listRow(i + 1, QLatin1String(degrees[i]), u"S%1"_s.arg(i + 1), u"900000000%1"_s.arg(i + 1)));
    stage(u"041"_s, u"2001"_s, workbook(u"2001.xlsx"_s, rows));
    const QVector<DegreeCount> listed = stagedDegrees(kDb);
    ASSERT_EQ(listed.size(), 5);
    EXPECT_EQ(listed.at(0).code + QString::number(listed.at(0).count), u"A2"_s);
    applyDegreeDecisions(kDb, {{u"A"_s, u"B"_s, true},
                               {u"B"_s, u" C "_s, true},
                               {u"C"_s, u"C"_s, true},
                               {u"D"_s, u"B"_s, false},
                               {u"E"_s, u"B'A"_s, true}});
    EXPECT_EQ(adminValue(u"select group_concat(fdegree order by fname) from corvane3_tsc.tmpcollstud"_s),
              u"C,C,C,C,B'A"_s);
    EXPECT_EQ(degreesToImport({{u"A"_s, u"B"_s, true},
                               {u"B"_s, u"B "_s, true},
                               {u"C"_s, u"C"_s, false},
                               {u"D"_s, u"A"_s, true}}),
              (QStringList{u"B"_s, u"A"_s}));
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
        EXPECT_TRUE(runHandled(options, [&](int) { importStudentList(u"041"_s, u"2001"_s, run, observer); }))
                << ui.dump();
        return run;
    }
    const SheetRows rows{listHeading(),
                         listRow(1, u"BA"_s, u"Anu"_s, u"9000000001"_s, u"a@x"_s),
                         listRow(2, u"BA"_s, u"Bala"_s, u"9000000002"_s, u"b@x"_s),
                         listRow(3, u"BSC"_s, u"Chitra"_s, u"  "_s, u"c@x"_s),
                         listRow(4, u"BSC"_s, QString(), u"9000000004"_s, u"d@x"_s),
                         listRow(5, u"BA"_s, u"Devi"_s, u"9000000005"_s),
                         listRow(6, u"BA"_s, u"Esha"_s, u"9000000005"_s)};
};

// A connection killed before any statement of the path: the retry resumes
// and every table ends as after an undisturbed import; the same workbook a
// second time adds nothing.
TEST_F(ExcelList, aKilledConnectionAnywhereStoresEachStudentOnceAndASecondRunNothing)
{
    const QString path = workbook(u"2001.xlsx"_s, rows);
    const int steps = int(dedupSteps(kDb).size());
    for (int killAt = 0; killAt <= steps; ++killAt) {
        SCOPED_TRACE(killAt);
        admin(QStringList{u"delete from corvane3_tsc.collstud"_s, u"delete from corvane3_tsc.collstudnb"_s,
                          u"delete from corvane3_tsc.collstuddup"_s});
        const ImportCounters sheetCounts = stage(u"041"_s, u"2001"_s, path);
        bool killed = false;
        const ImportRun run = importList(sheetCounts, [&](int index, int, const QString &) {
            if (index == killAt && !killed) {
                killed = true;
                killConn();
            }
        });
        EXPECT_EQ(killed, killAt < steps);
        EXPECT_EQ(dump(u"collstud"_s, u"fname"_s) + u'#' + dump(u"collstuddup"_s, u"fname"_s),
                  u"Anu\nBala#Devi\nEsha"_s);
        EXPECT_EQ(completionMessage(u"2001"_s, run.counters, run.beforeLine, run.afterLine),
                  u"Importing data completed!!\r\n\r\nCollege : 2001\r\n\r\nExcel Sheet Count : 5\r\n\r\n"
                  "Name Empty Deleted : 1\r\n\r\nWithout Mobile No. : 1\r\n\r\nDuplicate in Excel Sheet : "
                  "2\r\n\r\n"
                  "Duplicate in DB : 0\r\n\r\nFinal Uploaded : 2\r\n\r\nRecords Before Importing : 0\r\n\r\n"
                  "Records After Importing : BA - 2"_s);
    }
    const ImportRun second = importList(stage(u"041"_s, u"2001"_s, path));
    EXPECT_EQ(second.counters.finalUploaded + second.counters.dupDb, 0);
    EXPECT_EQ(second.beforeLine, u"Records Before Importing : BA - 2"_s);
    EXPECT_EQ(count(u"collstud"_s), 2);
}

} // namespace
