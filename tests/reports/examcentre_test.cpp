#include "core/reports/examcentre.h"
#include "core/reports/pagesetup.h"
#include "core/services/session.h"
#include "core/services/workbook.h"

#include "gui/reports/examcentrelist.h"
#include "support/testdb.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <zip.h>

using namespace Qt::StringLiterals;

namespace {

// The attributes ("name=value ") and text of the first `element` of one part
// of a written workbook: for the page setup, which the workbook reader has no
// use for.
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
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String(element)) {
            QString out;
            for (const QXmlStreamAttribute &a : xml.attributes())
                out += u"%1=%2 "_s.arg(a.name(), a.value());
            return out + xml.readElementText();
        }
    return u"(no element)"_s;
}

class ExamCentreList : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        session().installationAddress1 = u"Fort & Bay Road"_s;
        session().installationAddress2 = u"Tessaly 600 001"_s;
        ui.clock = QDateTime(QDate(2019, 1, 15), QTime(10, 30, 0));
    }

    // Rows of (code, name, town, constituency, centre, faculty, deleted).
    static void colleges(const char *rows)
    {
        admin(QStringList{
                u"delete from corvane3_tsc.college"_s, u"delete from corvane3_tsc.examcntr"_s,
                u"drop table if exists corvane3_tsc.tmpcntrpg"_s,
                u"insert into corvane3_tsc.college(fcollcode, fcollname, ftown, fconst, fpgthcntrmba, "
                "ffaculty, fdeleted) values "_s +
                        QString::fromUtf8(rows)});
    }

    QString run()
    {
        const ExamCentreResult result = writeExamCentreList(dir.path());
        EXPECT_FALSE(result.noRecords);
        return result.path;
    }

    static QString sheet(const QString &path) { return QString::fromUtf8(toCsv(readActiveSheet(path))); }
    static int worked() { return count(u"select count(*) from corvane3_tsc.tmpcntrpg"_s); }

    QTemporaryDir dir;
};

// Groups by centre, the centre's own college first, then by college code;
// undergraduate and deleted colleges left out. The printed page as stored:
// heading row on every page, centred, margins, A4 upright at 90 %, the header's
// three lines (a "&" of the address printing as one), date and page number
// below. A second run writes the
// same list to another file and the work table only gains missing pairs.
TEST_F(ExamCentreList, groupsSerialsSeparatorsAndTheWorkTable)
{
    const struct
    {
        const char *name, *colleges;
        QStringList sheet;
    } cases[] = {
            {"no centre college anywhere",
             "('C300','Eps','M','K3','C999','PG',null), ('C301','Zeta','M','K4','C998','PG',null)",
             {u",,\"C301 - Zeta, M, Const. : K4\""_s, u",,\"C300 - Eps, M, Const. : K3\""_s}},
            {"no town, no centre college",
             "('C100','Alpha','T','K1','C100','PG',null), ('C400','Nowhere',null,'K4','C100','PG',null), "
             "('C600','Hill',null,'K6','C600','PG',null), ('C300','Eps','M','K3','C999','PG',null), "
             "('C102','Plain','M','K7',null,'PG',null), ('C301','Zeta','M',null,'C102','PG',null)",
             {u"1,\"C100 - Alpha, T, Const. : K1\",\"C100 - Alpha, T, Const. : K1\""_s,
              u",,\"C400 - , Const. : K4\""_s, u",,"_s,
              u"2,\"C600 - , Const. : K6\",\"C600 - , Const. : K6\""_s, u",,"_s,
              u"3,\" - , Const. : \",\"C301 - Zeta, M, Const. : \""_s,
              u",,\"C300 - Eps, M, Const. : K3\""_s}},
            {"groups",
             "('C100','Alpha','T','K1','C100','PG',null), ('C201','Gamma','E','K3','C200','PG',null), "
             "('C200','Beta','M','K2','C200','PG',null), ('C199','Omega','E','K7','C200','PG',null), "
             "('C202','Delta','E','K4','C200','MBA PG',null), ('C500','Ug','M','K5','C200','UG Arts',null), "
             "('C501','Closed','M','K6','C200','PG','T')",
             {u"1,\"C100 - Alpha, T, Const. : K1\",\"C100 - Alpha, T, Const. : K1\""_s, u",,"_s,
              u"2,\"C200 - Beta, M, Const. : K2\",\"C200 - Beta, M, Const. : K2\""_s,
              u",,\"C199 - Omega, E, Const. : K7\""_s, u",,\"C201 - Gamma, E, Const. : K3\""_s,
              u",,\"C202 - Delta, E, Const. : K4\""_s}},
            {"codes longer than four characters",
             "('C1000','Long','T','K1','C1000','PG',null), ('C10001','Longer','T','K2','C1000','PG',null)",
             {u"1,\"C1000 - Long, T, Const. : K1\",\"C1000 - Long, T, Const. : K1\""_s,
              u",,\"C10001 - Longer, T, Const. : K2\""_s}},
    };
    QString path;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        colleges(c.colleges);
        path = run();
        EXPECT_EQ(sheet(path),
                  u"Sl. No.,Examination Centre,Tagged College\n"_s + c.sheet.join(u'\n') + u'\n');
    }
    QStringList page{partText(path, "xl/workbook.xml", "definedName")};
    for (const char *element : {"printOptions", "pageMargins", "pageSetup", "oddHeader", "oddFooter"})
        page << partText(path, "xl/worksheets/sheet1.xml", element);
    EXPECT_EQ(
            page.join(u'|'),
            u"name=_xlnm.Print_Titles localSheetId=0 Sheet1!$1:$1|horizontalCentered=1 |left=0.25 right=0.25 "
            "top=1 bottom=0.5 header=0.25 footer=0.25 |paperSize=9 scale=90 orientation=portrait |"
            "&C&\"Arial,Bold\"&14TESSALY CENTRAL UNIVERSITY&\"Arial,Regular\"&10\nFort && Bay Road, Tessaly "
            "600 001&\"Arial,Bold\"&12\nPG Theory Examination Centres list with tagged Colleges / "
            "Departments - "
            "Jan / Feb 2019 Examinations|&L&D&C&P"_s);

    const int pairs = worked();
    const QString again = run(); // same clock: the first file must not be overwritten
    EXPECT_NE(again, path);
    EXPECT_EQ(sheet(again), sheet(path));
    EXPECT_EQ(worked(), pairs);
    admin(u"insert into corvane3_tsc.college(fcollcode, fcollname, ftown, fconst, fpgthcntrmba, ffaculty) "
          "values('C203', 'Pi', 'E', 'K8', 'C200', 'PG')"_s);
    EXPECT_TRUE(sheet(run()).endsWith(u"\"C203 - Pi, E, Const. : K8\"\n"_s));
    EXPECT_EQ(worked(), pairs + 1);
}

// Only the address gives way to keep the header within the spreadsheet's
// limit, no further than needed, never leaving a lone "&" at the cut.
TEST(PageSetup, longAddressesAreShortenedNoFurtherThanNeeded)
{
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

// The menu command: no records, or a database error with no file left; a list
// that no program with a window shows is left on disk and named; a work table
// too narrow for a code stops the list before anything is written.
TEST_F(ExamCentreList, theCommandSaysWhatBecameOfTheList)
{
    QStandardPaths::setTestModeEnabled(true);
    QDir(reportsFolder()).removeRecursively();
    QStringList opened;
    setWorkbookOpener([&](const QString &path) {
        opened << path;
        return false;
    });
    colleges("('C500', 'Ug', 'M', 'K5', 'C500', 'UG Arts', null)");
    runExamCentreList(nullptr);
    EXPECT_EQ(ui.dump(), "No records found!!");
    colleges("('C100', 'Alpha', 'T', 'K1', 'C100', 'PG', null)");
    ui.reset();
    {
        const TableAway away(u"corvane3_tsc.examcntr"_s);
        runExamCentreList(nullptr);
    }
    EXPECT_NE(ui.dump().find("examcntr"), std::string::npos) << ui.dump();
    EXPECT_TRUE(QDir(reportsFolder()).entryList(QDir::Files).isEmpty());
    ui.reset();
    runExamCentreList(nullptr);
    ASSERT_EQ(opened.size(), 1) << ui.dump();
    EXPECT_TRUE(QFileInfo(opened[0]).isFile());
    EXPECT_NE(ui.dump().find(QDir::toNativeSeparators(opened[0]).toStdString()), std::string::npos)
            << ui.dump();
    // A work table an older client made too narrow for a code: refused by name.
    colleges("('C1000', 'Long', 'T', 'K1', 'C100', 'PG', null)");
    admin(u"create table corvane3_tsc.tmpcntrpg(fcollcode varchar(4), fcntrcode varchar(4))"_s);
    runExamCentreList(nullptr);
    EXPECT_NE(ui.dump().find("at most 4 characters, so college C1000 (centre C100)"), std::string::npos);
    EXPECT_EQ(worked(), 0);
    EXPECT_EQ(QDir(reportsFolder()).entryList(QDir::Files).size(), 1);
    setWorkbookOpener({});
    QDir(reportsFolder()).removeRecursively();
    QStandardPaths::setTestModeEnabled(false);
}

} // namespace
