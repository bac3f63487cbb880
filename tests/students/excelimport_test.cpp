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
                      {12.5, u"2001"_s, u"BA"_s, u"O'Neil"_s, u"9000000004"_s, u"\\N"_s},
                      listRow(5, u"BA"_s, u"   "_s, u"9000000005"_s)},
                     true);
    const SheetResult sheet = stage(u"041"_s, u"2001"_s, path);
    EXPECT_EQ(sheet.counters.sheet, 4);
    EXPECT_EQ(sheet.counters.nameEmpty, 1);
    EXPECT_EQ(sheet.email, u"lakeside@colleges.example"_s);
    EXPECT_EQ(adminValue(u"select group_concat(concat_ws('|', fslno, fcollcode, fdegree, fname, fmobileno, "
                         u"femail) "
                         "order by fintid separator '#') from corvane3_tsc.tmpcollstud"_s),
              u"0041|2001|BA|Rao, K. \"Kittu\"|987654321012|a\\b@x#"
              "7|2001|BSC|Zoë Ñandú 名前|9000000002|#"
              "2019-01-15|2001||Line\nbreak|9000000003|TRUE#"
              "12.5|2001|BA|O'Neil|9000000004|\\N"_s);
    EXPECT_TRUE(QFile::exists(dir.filePath(u"csv/2001 tricky.csv"_s)));
    EXPECT_EQ(sheet.degrees.size(), 3) << "BA, BSC and the empty code";

    // All rows without names: counted, and no degree is listed.
    const SheetResult nameless = stage(
            u"041"_s, u"2001"_s, workbook(u"2001.xlsx"_s, {listHeading(), listRow(1, u"BA"_s, {}, u"9"_s)}));
    EXPECT_EQ(nameless.counters.nameEmpty, 1);
    EXPECT_TRUE(nameless.degrees.isEmpty());
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
    EXPECT_EQ(collegeFromFileName(u"/up/12.xlsx"_s), u"12.x"_s);

    // The move replaces an older copy; a "completed" that is a file leaves
    // the workbook where it is.
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
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"other"_s));
    const QString other = workbook(u"other/2002.xlsx"_s, {listHeading()});
    QFile blocker(dir.filePath(u"other/completed"_s));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_THROW(moveToCompleted(other), AppError);
    EXPECT_TRUE(QFile::exists(other));
}

// The grid's lines apply in grid order (A to B then B to C ends in C), an
// unticked line's students are left out, a code with a quote is stored as
// typed; where the grid says each code ends is what the import stores.
TEST_F(ExcelSheet, degreeGridAppliesItsLinesInOrder)
{
    SheetRows rows{listHeading()};
    const char *degrees[] = {"A", "A", "B", "C", "D", "E"};
    for (int i = 0; i < 6; ++i)
        rows.append(
                listRow(i + 1, QLatin1String(degrees[i]), u"S%1"_s.arg(i + 1), u"900000000%1"_s.arg(i + 1)));
    const SheetResult sheet = stage(u"041"_s, u"2001"_s, workbook(u"2001.xlsx"_s, rows));
    ASSERT_EQ(sheet.degrees.size(), 5);
    EXPECT_EQ(sheet.degrees.at(0).code + QString::number(sheet.degrees.at(0).count), u"A2"_s);
    const QVector<DegreeDecision> grid{{u"A"_s, u"B"_s, true},
                                       {u"B"_s, u" C "_s, true},
                                       {u"C"_s, u"C"_s, true},
                                       {u"D"_s, u"B"_s, false},
                                       {u"E"_s, u"B'A"_s, true}};
    EXPECT_TRUE(runAsImport([&] { importStudentList(kDb, u"2001"_s, grid, sheet.counters); }));
    EXPECT_EQ(
            adminValue(
                    u"select group_concat(concat(fname, fdegree) order by fname) from corvane3_tsc.collstud"_s),
            u"S1C,S2C,S3C,S4C,S6B'A"_s);
    const QHash<QString, QString> finals = finalDegreeCodes(grid);
    EXPECT_EQ(finals.size(), 4);
    for (const char *code : {"A", "B", "C"})
        EXPECT_EQ(finals.value(QLatin1String(code)), u"C"_s) << code;
    EXPECT_EQ(finals.value(u"E"_s), u"B'A"_s);
    EXPECT_EQ(degreesToImport(grid), (QStringList{u"B"_s, u"C"_s, u"B'A"_s}));
}

} // namespace
