#include "core/reports/examcentre.h"
#include "core/reports/pagesetup.h"
#include "core/services/errors.h"
#include "core/services/session.h"
#include "core/services/sqltext.h"
#include "gui/reports/examcentrelist.h"

#include "support/testdb.h"
#include "xlsxpart.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

const char *const kNull = nullptr;

QString lit(const char *value)
{
    return value ? sql::quote(QString::fromUtf8(value)) : u"NULL"_s;
}

std::string ref(char column, int row)
{
    return column + std::to_string(row);
}

class ExamCentreList : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        admin(QStringList{u"delete from corvane3_tsc.college"_s, u"delete from corvane3_tsc.examcntr"_s,
                          u"drop table if exists corvane3_tsc.tmpcntrpg"_s});
        session().InstAddress1 = u"12 College Road"_s;
        session().InstAddress2 = u"Tessaly 600 001"_s;
        ui.clock = QDateTime(QDate(2019, 1, 15), QTime(10, 30, 0));
    }

    void college(const char *code, const char *name, const char *town, const char *konst, const char *centre,
                 const char *faculty = "PG Arts", const char *deleted = nullptr)
    {
        admin(u"insert into corvane3_tsc.college(fcollcode, fcollname, ftown, fconst, fpgthcntrmba, "
              "ffaculty, fdeleted) values(%1, %2, %3, %4, %5, %6, %7)"_s.arg(
                      lit(code), lit(name), lit(town), lit(konst), lit(centre), lit(faculty), lit(deleted)));
    }

    QString run()
    {
        const ExamCentreResult result = Gen_Exam_Centre_List(dir.path());
        EXPECT_FALSE(result.noRecords);
        return result.path;
    }

    QStringList filesInDir() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir dir;
};

TEST_F(ExamCentreList, groupsOfOneAndThreeWithSerialsSeparatorAndFormats)
{
    college("C100", "Alpha College", "Tessaly", "K-1", "C100");
    college("C201", "Gamma College", "Eastport", "K-3", "C200");
    college("C200", "Beta College", "Marwick", "K-2", "C200");
    college("C202", "Delta College", "Eastport", "K-4", "C200", "MBA PG");
    college("C500", "Ug College", "Marwick", "K-5", "C200", "UG Arts");     // not postgraduate
    college("C501", "Closed College", "Marwick", "K-6", "C200", "PG", "T"); // deleted
    const QString first = run();
    const int worked = count(u"select count(*) from corvane3_tsc.tmpcntrpg"_s);
    const XlsxFile x(first);
    ASSERT_TRUE(x.ok());

    EXPECT_EQ(x.text("A1"), u"Sl. No."_s);
    EXPECT_EQ(x.text("B1"), u"Examination Centre"_s);
    EXPECT_EQ(x.text("C1"), u"Tagged College"_s);
    EXPECT_EQ(x.text("A2"), u"1"_s);
    EXPECT_EQ(x.text("B2"), u"C100 - Alpha College, Tessaly, Const. : K-1"_s);
    EXPECT_EQ(x.text("C2"), u"C100 - Alpha College, Tessaly, Const. : K-1"_s);
    EXPECT_FALSE(x.row(3).child("c")); // the separator holds no cells
    EXPECT_EQ(x.text("A4"), u"2"_s);
    EXPECT_EQ(x.text("B4"), u"C200 - Beta College, Marwick, Const. : K-2"_s);
    EXPECT_EQ(x.text("C4"),
              u"C200 - Beta College, Marwick, Const. : K-2"_s);                 // the centre itself first
    EXPECT_EQ(x.text("C5"), u"C201 - Gamma College, Eastport, Const. : K-3"_s); // then by college code
    EXPECT_EQ(x.text("C6"), u"C202 - Delta College, Eastport, Const. : K-4"_s);
    for (int r : {5, 6}) {
        EXPECT_TRUE(x.hasCell(ref('A', r)) && x.hasCell(ref('B', r))); // written as empty text
        EXPECT_EQ(x.text(ref('A', r)), QString());
        EXPECT_EQ(x.text(ref('B', r)), QString());
    }
    EXPECT_FALSE(x.row(7));

    // The serial is a number, the texts are text.
    EXPECT_STREQ(x.part("xl/worksheets/sheet1.xml")
                         .child("sheetData")
                         .child("row")
                         .next_sibling()
                         .child("c")
                         .attribute("t")
                         .value(),
                 "");

    const std::map<int, double> heights{{1, 40}, {2, 50}, {3, 10}, {4, 50}, {5, 50}, {6, 50}};
    for (const auto &[r, h] : heights)
        EXPECT_DOUBLE_EQ(x.row(r).attribute("ht").as_double(), h) << "row " << r;

    // A second run gives the same list in another file and adds nothing to
    // the work table; a college tagged since is added.
    const QString second = run(); // same clock: the second must not overwrite the first
    EXPECT_NE(first, second);
    EXPECT_EQ(filesInDir().size(), 2);
    const XlsxFile again(second);
    for (int r = 1; r <= 7; ++r)
        for (char c : {'A', 'B', 'C'})
            EXPECT_EQ(again.text(ref(c, r)), x.text(ref(c, r))) << c << r;
    EXPECT_EQ(count(u"select count(*) from corvane3_tsc.tmpcntrpg"_s), worked);
    EXPECT_GT(worked, 0);
    college("C203", "Omega College", "Eastport", "K-7", "C200");
    EXPECT_EQ(queryExamCentres().value(u"fcollcode"_s, 4), u"C203"_s);
    EXPECT_EQ(count(u"select count(*) from corvane3_tsc.tmpcntrpg"_s), worked + 1);
}

TEST_F(ExamCentreList, groupWithoutCentreCollegeComesLastAndNullTownsShowNoName)
{
    college("C100", "Alpha College", "Tessaly", "K-1", "C100");
    college("C400", "Nowhere College", kNull, "K-4", "C100");     // NULL town
    college("C600", "Hill College", kNull, "K-6", "C600");        // a centre with a NULL town
    college("C300", "Epsilon College", "Marwick", "K-3", "C999"); // the centre names no college
    college("C102", "Plain College", "Marwick", "K-7", kNull);
    college("C301", "Zeta College", "Marwick", kNull, "C102"); // its centre has no centre of its own
    const XlsxFile x(run());
    ASSERT_TRUE(x.ok());
    EXPECT_EQ(x.text("A2"), u"1"_s);
    EXPECT_EQ(x.text("C2"), u"C100 - Alpha College, Tessaly, Const. : K-1"_s);
    EXPECT_EQ(x.text("C3"), u"C400 - , Const. : K-4"_s);
    EXPECT_DOUBLE_EQ(x.row(4).attribute("ht").as_double(), 10);
    EXPECT_EQ(x.text("A5"), u"2"_s);
    EXPECT_EQ(x.text("B5"), u"C600 - , Const. : K-6"_s);
    EXPECT_EQ(x.text("C5"), u"C600 - , Const. : K-6"_s);
    EXPECT_DOUBLE_EQ(x.row(6).attribute("ht").as_double(), 10);
    EXPECT_EQ(x.text("A7"), u"3"_s);
    EXPECT_EQ(x.text("B7"), u" - , Const. : "_s);
    EXPECT_EQ(x.text("C7"), u"C301 - Zeta College, Marwick, Const. : "_s); // by the centre code it gives
    EXPECT_EQ(x.text("C8"), u"C300 - Epsilon College, Marwick, Const. : K-3"_s);
    EXPECT_EQ(x.text("A8"), QString());
    EXPECT_FALSE(x.row(9));
}

TEST_F(ExamCentreList, noCentreCollegeAnywhereWritesNoSerialAndNoSeparator)
{
    college("C300", "Epsilon College", "Marwick", "K-3", "C999");
    college("C301", "Zeta College", "Marwick", "K-4", "C998");
    const XlsxFile x(run());
    for (int r : {2, 3}) {
        EXPECT_EQ(x.text(ref('A', r)), QString());
        EXPECT_EQ(x.text(ref('B', r)), QString());
        EXPECT_DOUBLE_EQ(x.row(r).attribute("ht").as_double(), 50);
    }
    EXPECT_FALSE(x.text("C3").isEmpty());
}

TEST_F(ExamCentreList, everyPageSettingIsInTheFile)
{
    college("C100", "Alpha College", "Tessaly", "K-1", "C100");
    session().InstAddress1 = u"Fort & Bay Road"_s;
    const XlsxFile x(run());
    const pugi::xml_node sheet = x.part("xl/worksheets/sheet1.xml");

    const pugi::xml_node titles =
            x.part("xl/workbook.xml")
                    .child("definedNames")
                    .find_child_by_attribute("definedName", "name", "_xlnm.Print_Titles");
    EXPECT_STREQ(titles.child_value(), "Sheet1!$1:$1");
    EXPECT_EQ(QString::fromUtf8(sheet.child("headerFooter").child_value("oddHeader")),
              u"&C&\"Arial,Bold\"&14TESSALY CENTRAL UNIVERSITY&\"Arial,Regular\"&10\n"
              "Fort && Bay Road, Tessaly 600 001&\"Arial,Bold\"&12\n"
              "PG Theory Examination Centres list with tagged Colleges / Departments - Jan / Feb "
              "2019 Examinations"_s);
    EXPECT_STREQ(sheet.child("headerFooter").child_value("oddFooter"), "&L&D&C&P");

    const pugi::xml_node margins = sheet.child("pageMargins");
    EXPECT_DOUBLE_EQ(margins.attribute("left").as_double(), 0.25);
    EXPECT_DOUBLE_EQ(margins.attribute("right").as_double(), 0.25);
    EXPECT_DOUBLE_EQ(margins.attribute("top").as_double(), 1);
    EXPECT_DOUBLE_EQ(margins.attribute("bottom").as_double(), 0.5);
    EXPECT_DOUBLE_EQ(margins.attribute("header").as_double(), 0.25);
    EXPECT_DOUBLE_EQ(margins.attribute("footer").as_double(), 0.25);

    const pugi::xml_node print = sheet.child("printOptions");
    EXPECT_TRUE(print.attribute("horizontalCentered").as_bool());

    const pugi::xml_node page = sheet.child("pageSetup");
    EXPECT_STREQ(page.attribute("paperSize").value(), "9");
    EXPECT_STREQ(page.attribute("orientation").value(), "portrait");
    EXPECT_STREQ(page.attribute("scale").value(), "90");
}

TEST(PageSetup, titleRowsAndAddressesOutsideTheCommonCase)
{
    EXPECT_EQ(pageSetupValues(3, QString(), QString()).PrintTitleRows, u"$1:$3"_s);
    EXPECT_THROW(pageSetupValues(0, QString(), QString()), AppError);
    // Empty address lines keep the ", " between them.
    const PageSetupValues empty = pageSetupValues(1, QString(), QString());
    EXPECT_TRUE(empty.CenterHeader.contains(u"&10\n, &\"Arial,Bold\"&12\n"_s));
    EXPECT_FALSE(empty.addressShortened);

    const QString longLine = QString(120, QLatin1Char('A')) + u" & Sons"_s;
    const PageSetupValues p =
            pageSetupValues(1, longLine, u"Tessaly 600 001 & Co "_s + QString(90, QLatin1Char('B')));
    EXPECT_TRUE(p.addressShortened);
    EXPECT_LE(p.headerText().toUcs4().size(), 255);
    EXPECT_GE(p.headerText().toUcs4().size(), 254); // shortened no further than needed
    EXPECT_TRUE(p.CenterHeader.startsWith(u"&\"Arial,Bold\"&14TESSALY CENTRAL UNIVERSITY"_s));
    EXPECT_TRUE(p.CenterHeader.endsWith(u"Jan / Feb 2019 Examinations"_s));
    EXPECT_TRUE(p.CenterHeader.contains(u"Tessaly 600 001 && Co"_s));
    // No lone "&" was left at a cut to start a code.
    EXPECT_EQ(QString(p.CenterHeader).remove(u"&&"_s).count(QLatin1Char('&')), 6);
}

TEST(ExamCentreLayout, listPastSheetRow32767IsAnOverflow)
{
    const QStringList columns{u"fcollcode"_s, u"fcollname"_s, u"fconst"_s,
                              u"fcntrcode"_s, u"fcntrname"_s, u"fcntrconst"_s};
    QVector<QVector<QVariant>> data(32766,
                                    QVector<QVariant>{u"C1"_s, u"n"_s, u"k"_s, u"C9"_s, u"c"_s, u"k"_s});
    EXPECT_EQ(layoutExamCentres(Rows(columns, data)).size(), 32766); // rows 2 to 32767
    data.append(data.first());
    try {
        layoutExamCentres(Rows(columns, data));
        FAIL() << "no overflow";
    } catch (const AppError &e) {
        EXPECT_EQ(e.number(), 6);
        EXPECT_EQ(e.description(), u"Overflow"_s);
    }
}

TEST_F(ExamCentreList, unwritableFolderLeavesNoPartialFile)
{
    QVector<CentreListLine> lines(1);
    lines[0].college = u"C100 - x, Const. : k"_s;
    const QString path = dir.path() + u"/missing/list.xlsx"_s;
    EXPECT_THROW(writeExamCentreWorkbook(lines, path), AppError);
    EXPECT_TRUE(filesInDir().isEmpty());
}

// The menu command: the message seam shows what the person sees.
class ExamCentreCommand : public ExamCentreList
{
protected:
    void SetUp() override
    {
        ExamCentreList::SetUp();
        QStandardPaths::setTestModeEnabled(true);
        QDir(reportsFolder()).removeRecursively();
    }
    void TearDown() override
    {
        QDir(reportsFolder()).removeRecursively();
        QStandardPaths::setTestModeEnabled(false);
        setWorkbookOpener({});
        ExamCentreList::TearDown();
    }
};

TEST_F(ExamCentreCommand, anOpenedWorkbookNeedsNoMessageOtherwiseTheMessageGivesThePath)
{
    college("C100", "Alpha College", "Tessaly", "K-1", "C100");
    // An address long enough to push the page header past the workbook's limit.
    session().InstAddress1 = QString(200, QLatin1Char('X'));
    QStringList asked;
    bool opens = true;
    setWorkbookOpener([&](const QString &path) {
        asked << path;
        return opens;
    });
    runExamCentreList(nullptr);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
    const XlsxFile x(asked.first());
    ASSERT_TRUE(x.ok());
    EXPECT_LE(QString::fromUtf8(
                      x.part("xl/worksheets/sheet1.xml").child("headerFooter").child_value("oddHeader"))
                      .size(),
              255);

    opens = false;
    runExamCentreList(nullptr);
    ASSERT_EQ(asked.size(), 2);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Information);
    EXPECT_TRUE(ui.last().text.contains(QDir::toNativeSeparators(asked.last())));
    EXPECT_TRUE(QFileInfo(asked.last()).isFile());
    EXPECT_TRUE(asked.last().startsWith(reportsFolder()));
}

TEST_F(ExamCentreCommand, noRecordsOrADatabaseErrorGiveTheirMessageAndNoFile)
{
    setWorkbookOpener([&](const QString &) {
        ADD_FAILURE() << "opened";
        return true;
    });
    college("C500", "Ug College", "Marwick", "K-5", "C500", "UG Arts"); // not postgraduate
    runExamCentreList(nullptr);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, u"No records found!!"_s);
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);

    college("C100", "Alpha College", "Tessaly", "K-1", "C100");
    for (const QString &table : {u"college"_s, u"examcntr"_s}) { // the report query, the work table's fill
        SCOPED_TRACE(table.toStdString());
        ui.reset();
        {
            const TableAway away(u"corvane3_tsc."_s + table);
            runExamCentreList(nullptr);
        }
        ASSERT_EQ(ui.messages.size(), 1);
        EXPECT_TRUE(ui.last().text.startsWith(u"Error Message  : Err No. "_s)) << ui.dump();
        EXPECT_TRUE(ui.last().text.contains(table)) << ui.dump();
        EXPECT_EQ(ui.last().icon, Icon::None);
    }
    EXPECT_TRUE(QDir(reportsFolder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

} // namespace
