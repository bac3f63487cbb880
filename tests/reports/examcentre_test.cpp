#include "core/reports/examcentre.h"
#include "core/reports/pagesetup.h"
#include "core/services/errors.h"
#include "core/services/session.h"
#include "core/services/sqltext.h"
#include "core/services/workbook.h"
#include "gui/reports/examcentrelist.h"

#include "support/testdb.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <zip.h>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

// The text of the first `element` of one part of a written workbook: for the
// page setup, which the workbook reader has no use for.
QString partText(const QString &path, const char *part, const char *element)
{
    int error = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    zip_stat_t st;
    if (!z || zip_stat(z, part, 0, &st) != 0)
        return u"(no part)"_s;
    QByteArray bytes(qsizetype(st.size), '\0');
    zip_file_t *f = zip_fopen(z, part, 0);
    zip_fread(f, bytes.data(), st.size);
    zip_fclose(f);
    zip_discard(z);
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String(element))
            return xml.readElementText();
    return u"(no element)"_s;
}

struct College
{
    const char *code, *name, *town, *konst, *centre, *faculty = "PG Arts", *deleted = nullptr;
};

// Groups of one and of four (the centre itself first, then by college code,
// leaving out undergraduate and deleted colleges).
const std::vector<College> kGroups = {
        {"C100", "Alpha", "T", "K1", "C100"},
        {"C201", "Gamma", "E", "K3", "C200"},
        {"C200", "Beta", "M", "K2", "C200"},
        {"C199", "Omega", "E", "K7", "C200"},
        {"C202", "Delta", "E", "K4", "C200", "MBA PG"},
        {"C500", "Ug", "M", "K5", "C200", "UG Arts"},
        {"C501", "Closed", "M", "K6", "C200", "PG", "T"},
};

class ExamCentreList : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        session().InstAddress1 = u"Fort & Bay Road"_s;
        session().InstAddress2 = u"Tessaly 600 001"_s;
        ui.clock = QDateTime(QDate(2019, 1, 15), QTime(10, 30, 0));
        QStandardPaths::setTestModeEnabled(true);
        QDir(reportsFolder()).removeRecursively();
    }
    void TearDown() override
    {
        QDir(reportsFolder()).removeRecursively();
        QStandardPaths::setTestModeEnabled(false);
        setWorkbookOpener({});
        DbTest::TearDown();
    }

    static void colleges(const std::vector<College> &list)
    {
        admin(QStringList{u"delete from corvane3_tsc.college"_s, u"delete from corvane3_tsc.examcntr"_s,
                          u"drop table if exists corvane3_tsc.tmpcntrpg"_s});
        const auto lit = [](const char *v) { return v ? sql::quote(QString::fromUtf8(v)) : u"NULL"_s; };
        for (const College &c : list)
            admin(u"insert into corvane3_tsc.college(fcollcode, fcollname, ftown, fconst, fpgthcntrmba, "
                  "ffaculty, fdeleted) values(%1, %2, %3, %4, %5, %6, %7)"_s.arg(
                          lit(c.code), lit(c.name), lit(c.town), lit(c.konst), lit(c.centre), lit(c.faculty),
                          lit(c.deleted)));
    }

    QString run()
    {
        const ExamCentreResult result = Gen_Exam_Centre_List(dir.path());
        EXPECT_FALSE(result.noRecords);
        return result.path;
    }

    static QString sheet(const QString &path) { return QString::fromUtf8(toCsv(readActiveSheet(path))); }
    static int worked() { return count(u"select count(*) from corvane3_tsc.tmpcntrpg"_s); }

    QTemporaryDir dir;
};

TEST_F(ExamCentreList, groupsSerialsAndSeparators)
{
    const struct
    {
        const char *name;
        std::vector<College> colleges;
        const char *sheet;
    } cases[] = {
            {"groups", kGroups,
             "1,\"C100 - Alpha, T, Const. : K1\",\"C100 - Alpha, T, Const. : K1\"\n,,\n"
             "2,\"C200 - Beta, M, Const. : K2\",\"C200 - Beta, M, Const. : K2\"\n,,\"C199 - Omega, E, Const. "
             ": K7\"\n"
             ",,\"C201 - Gamma, E, Const. : K3\"\n,,\"C202 - Delta, E, Const. : K4\"\n"},
            {"no town, no centre college",
             {{"C100", "Alpha", "T", "K1", "C100"},
              {"C400", "Nowhere", nullptr, "K4", "C100"},
              {"C600", "Hill", nullptr, "K6", "C600"},
              {"C300", "Eps", "M", "K3", "C999"}, // the centre names no college
              {"C102", "Plain", "M", "K7", nullptr},
              {"C301", "Zeta", "M", nullptr, "C102"}}, // its centre has no centre of its own
             "1,\"C100 - Alpha, T, Const. : K1\",\"C100 - Alpha, T, Const. : K1\"\n,,\"C400 - , Const. : "
             "K4\"\n,,\n"
             "2,\"C600 - , Const. : K6\",\"C600 - , Const. : K6\"\n,,\n"
             "3,\" - , Const. : \",\"C301 - Zeta, M, Const. : \"\n,,\"C300 - Eps, M, Const. : K3\"\n"},
            {"no centre college anywhere",
             {{"C300", "Eps", "M", "K3", "C999"}, {"C301", "Zeta", "M", "K4", "C998"}},
             ",,\"C301 - Zeta, M, Const. : K4\"\n,,\"C300 - Eps, M, Const. : K3\"\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        colleges(c.colleges);
        EXPECT_EQ(sheet(run()),
                  u"Sl. No.,Examination Centre,Tagged College\n"_s + QString::fromUtf8(c.sheet));
    }
}

// A second run writes the same list to another file and adds nothing to the
// work table; a college tagged since adds its one pair.
TEST_F(ExamCentreList, aSecondRunKeepsTheFirstFileAndTheWorkTableOnlyGainsMissingPairs)
{
    colleges(kGroups);
    const QString first = run();
    const int pairs = worked();
    EXPECT_GT(pairs, 0);
    const QString second = run(); // same clock: the second must not overwrite the first
    EXPECT_NE(first, second);
    EXPECT_EQ(sheet(second), sheet(first));
    EXPECT_EQ(worked(), pairs);
    admin(u"insert into corvane3_tsc.college(fcollcode, fcollname, ftown, fconst, fpgthcntrmba, ffaculty) "
          "values('C203', 'Pi', 'E', 'K8', 'C200', 'PG')"_s);
    EXPECT_TRUE(sheet(run()).endsWith(u"\"C203 - Pi, E, Const. : K8\"\n"_s));
    EXPECT_EQ(worked(), pairs + 1);
}

// The heading row repeats on every page; a "&" of the address prints as one,
// and an address too long for the header is shortened no further than needed,
// never leaving a lone "&" at the cut.
TEST_F(ExamCentreList, pageHeaderKeepsTheAddressWithinTheLimit)
{
    colleges(kGroups);
    const QString path = run();
    EXPECT_EQ(partText(path, "xl/workbook.xml", "definedName"), u"Sheet1!$1:$1"_s);
    EXPECT_TRUE(partText(path, "xl/worksheets/sheet1.xml", "oddHeader")
                        .contains(u"&10\nFort && Bay Road, Tessaly 600 001&"_s));

    const PageSetupValues p = pageSetupValues(1, QString(120, u'A') + u" & Sons"_s,
                                              u"Tessaly 600 001 & Co "_s + QString(90, u'B'));
    EXPECT_TRUE(p.addressShortened);
    EXPECT_LE(p.headerText().toUcs4().size(), 255);
    EXPECT_GE(p.headerText().toUcs4().size(), 254);
    EXPECT_TRUE(p.CenterHeader.startsWith(u"&\"Arial,Bold\"&14TESSALY CENTRAL UNIVERSITY"_s));
    EXPECT_TRUE(p.CenterHeader.endsWith(u"Jan / Feb 2019 Examinations"_s));
    EXPECT_TRUE(p.CenterHeader.contains(u"Tessaly 600 001 && Co"_s));
    EXPECT_EQ(QString(p.CenterHeader).remove(u"&&"_s).count(u'&'), 6);
}

TEST_F(ExamCentreList, aListPastSheetRow32767OrAnUnwritableFolderWritesNothing)
{
    const QStringList columns{u"fcollcode"_s, u"fcollname"_s, u"fconst"_s,
                              u"fcntrcode"_s, u"fcntrname"_s, u"fcntrconst"_s};
    QVector<QVector<QVariant>> data(32766, {u"C1"_s, u"n"_s, u"k"_s, u"C9"_s, u"c"_s, u"k"_s});
    EXPECT_EQ(layoutExamCentres(Rows(columns, data)).size(), 32766); // rows 2 to 32767
    data.append(data.first());
    EXPECT_THROW(layoutExamCentres(Rows(columns, data)), AppError);

    EXPECT_THROW(writeExamCentreWorkbook(layoutExamCentres(Rows(columns, data.mid(0, 1))),
                                         dir.path() + u"/missing/list.xlsx"_s),
                 AppError);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

// The menu command: an opened workbook needs no message, one that no program
// shows is named in the message; no records or a database error give their
// message and leave no file.
TEST_F(ExamCentreList, theCommandSaysWhatBecameOfTheList)
{
    colleges({{"C500", "Ug", "M", "K5", "C500", "UG Arts"}});
    QStringList opened;
    bool opens = true;
    setWorkbookOpener([&](const QString &path) {
        opened << path;
        return opens;
    });
    runExamCentreList(nullptr);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, u"No records found!!"_s);
    for (const QString &table : {u"college"_s, u"examcntr"_s}) { // the report query, the work table's fill
        SCOPED_TRACE(table.toStdString());
        colleges({{"C100", "Alpha", "T", "K1", "C100"}});
        ui.reset();
        {
            const TableAway away(u"corvane3_tsc."_s + table);
            runExamCentreList(nullptr);
        }
        ASSERT_EQ(ui.messages.size(), 1);
        EXPECT_TRUE(ui.last().text.startsWith(u"Error Message  : Err No. "_s)) << ui.dump();
        EXPECT_TRUE(ui.last().text.contains(table)) << ui.dump();
    }
    EXPECT_TRUE(QDir(reportsFolder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(opened.isEmpty());

    ui.reset();
    session().InstAddress1 = QString(200, u'X');
    runExamCentreList(nullptr);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_LE(partText(opened[0], "xl/worksheets/sheet1.xml", "oddHeader").size(), 255);
    opens = false;
    runExamCentreList(nullptr);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.last().text.contains(QDir::toNativeSeparators(opened.last())));
    EXPECT_TRUE(QFileInfo(opened.last()).isFile());
    EXPECT_TRUE(opened.last().startsWith(reportsFolder()));
}

} // namespace
