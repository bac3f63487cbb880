#include "core/services/workbook.h"

#include "core/services/database.h"
#include "core/services/errors.h"
#include "core/services/sqltext.h"

#include "support/testdb.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <xlsxwriter.h>
#include <zip.h>

#include <map>
#include <string>

using namespace Qt::StringLiterals;

namespace {

// Writes a package from hand-made parts, for the cases libxlsxwriter never
// produces (inline strings, rich-text runs, escapes, another active tab).
void writePackage(const QString &path, const std::map<std::string, std::string> &parts)
{
    int error = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    for (const auto &[name, text] : parts) {
        zip_source_t *src = zip_source_buffer(z, text.data(), text.size(), 0);
        ASSERT_GE(zip_file_add(z, name.c_str(), src, ZIP_FL_ENC_UTF_8), 0);
    }
    ASSERT_EQ(zip_close(z), 0);
}

const char *const kContentTypes =
        R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>)";
const char *const kRootRels =
        R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="book/main.xml"/></Relationships>)";

std::string sheetXml(const std::string &rows)
{
    return R"(<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)" +
           rows + "</sheetData></worksheet>";
}

// A package of one sheet part, reached through the relationship files.
void writeOneSheet(const QString &path, const std::string &sheet)
{
    writePackage(
            path,
            {{"_rels/.rels", kRootRels},
             {"book/main.xml", R"(<workbook><sheets><sheet name="S" r:id="r1"/></sheets></workbook>)"},
             {"book/_rels/main.xml.rels",
              R"(<Relationships><Relationship Id="r1" Type="x/worksheet" Target="s.xml"/></Relationships>)"},
             {"book/s.xml", sheet}});
}

QStringList row(std::initializer_list<const char *> cells)
{
    QStringList out;
    for (const char *c : cells)
        out << QString::fromUtf8(c);
    return out;
}

// Workbooks and the reader's temporary files in folders named as users name
// them: blanks, accents and an apostrophe.
class Workbook : public ::testing::Test
{
protected:
    void SetUp() override { qputenv("TMPDIR", QFile::encodeName(dir.path())); }
    void TearDown() override
    {
        savedTemp.isEmpty() ? void(qunsetenv("TMPDIR")) : void(qputenv("TMPDIR", savedTemp));
    }
    QTemporaryDir dir{QDir::tempPath() + u"/Up load ë's-XXXXXX"_s};
    const QByteArray savedTemp = qgetenv("TMPDIR");
    QString file(const QString &name) const { return dir.path() + QLatin1Char('/') + name; }
};

// Dates and times follow the cell's number format, and so do whole numbers
// under a format of digit places (leading zeros kept); other numbers are read
// by value, not as displayed, and never in exponent form.
TEST_F(Workbook, cellsFollowTheirNumberFormatOnlyForDatesAndDigitPlaces)
{
    const QString path = file(u"dates.xlsx"_s);
    lxw_workbook *wb = workbook_new(QFile::encodeName(path).constData());
    lxw_worksheet *ws = workbook_add_worksheet(wb, nullptr);
    struct Case
    {
        const char *format; // nullptr: built-in index
        int index;
        double serial;
        const char *expected;
    };
    const Case cases[] = {
            {nullptr, 14, 43480, "2019-01-15"},
            {nullptr, 20, 0.5, "12:00:00"},
            {nullptr, 22, 43480.75, "2019-01-15 18:00:00"},
            {nullptr, 47, 0.000694444444, "00:01:00"},
            {"yyyy-mm-dd hh:mm:ss", 0, 36526.999988426, "2000-01-01 23:59:59"},
            {"yyyy-mm-dd hh:mm:ss", 0, 36526.9999999, "2000-01-02 00:00:00"},
            {"d mmm yyyy", 0, 60, "1900-02-29"}, // the 1900 system's phantom leap day
            {"d mmm yyyy", 0, 59, "1900-02-28"},
            {"d mmm yyyy", 0, 61, "1900-03-01"},
            {"mmm-yy", 0, 43466, "2019-01-01"},
            {"[h]:mm:ss", 0, 1.5, "36:00:00"},
            {"\"day\" 0", 0, 7, "7"},                       // d inside quotes is a literal
            {"[Red]0.00;[Blue]-0.00", 0, 3.25, "3.25"},     // brackets hold colours
            {"0.00\\h", 0, 4, "4"},                         // an escaped h is a literal
            {"dd/mm/yyyy", 0, 43480.9999999, "2019-01-16"}, // rounds to the nearest second
            {"#,##0.00", 0, 987654321012, "987654321012"},
            {"0.00E+00", 0, 1e20, "100000000000000000000"},
            {"#,##0.00", 0, 0.375, "0.375"},
            {"0.00E+00", 0, 1e-7, "0.0000001"},
            {"#,##0.00", 0, 123456789012345, "123456789012345"},
            {"0.00E+00", 0, -0.0, "0"},
            {"0000000000", 0, 876500014, "0876500014"},
            {"0000", 0, -12, "-0012"},
            {"00000", 0, 1234567, "1234567"}, // more digits than places
            {"0000", 0, 41.5, "0042"},        // shown rounded
            {"#0000", 0, 0, "0000"},
            {"000\"9\"\\7", 0, 42, "04297"}, // literal digits, quoted and escaped
            {"0000000000", 0, 1e20, "100000000000000000000"},
            {"0000.00", 0, 12.5, "12.5"},
            {"0000 \"No.\"", 0, 12, "12"},
    };
    int r = 0;
    for (const Case &c : cases) {
        lxw_format *f = workbook_add_format(wb);
        if (c.format)
            format_set_num_format(f, c.format);
        else
            format_set_num_format_index(f, uint8_t(c.index));
        worksheet_write_number(ws, lxw_row_t(r++), 0, c.serial, f);
    }
    ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);
    const SheetTable t = readActiveSheet(path);
    ASSERT_EQ(t.rows.size(), int(std::size(cases)));
    for (int i = 0; i < t.rows.size(); ++i)
        EXPECT_EQ(t.rows[i].first(), QString::fromUtf8(cases[i].expected)) << "row " << i;
}

TEST_F(Workbook, handMadePackageFollowsRelationshipsToTheActiveTab)
{
    // Second tab active, parts under unusual names reached only through the
    // relationship files; shared and inline strings, rich text with a
    // phonetic guide, escapes, an error, sparse rows and cells.
    const std::string book =
            R"(<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><workbookPr date1904="1"/><bookViews><workbookView activeTab="1"/></bookViews><sheets><sheet name="Notes" sheetId="1" r:id="rA"/><sheet name="Students" sheetId="2" r:id="rB"/></sheets></workbook>)";
    const std::string bookRels =
            R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rA" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="notes.xml"/><Relationship Id="rB" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/data/list.xml"/><Relationship Id="rS" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="../strings/sst.xml"/><Relationship Id="rT" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="st.xml"/></Relationships>)";
    const std::string sst =
            R"(<?xml version="1.0" encoding="UTF-8"?><sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><t>fname</t></si><si><r><rPr><b/></rPr><t xml:space="preserve">Anu </t></r><r><t>Devi</t></r><rPh sb="0" eb="1"><t>PHONETIC</t></rPh></si><si><t>a_x000D_b_x005F_x0041_ _xD83D__xDE00_</t></si><si><t xml:space="preserve"> </t></si></sst>)";
    const std::string styles =
            R"(<?xml version="1.0" encoding="UTF-8"?><styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><cellXfs count="2"><xf numFmtId="0"/><xf numFmtId="14"/></cellXfs></styleSheet>)";
    const std::string list = sheetXml(
            R"(<row r="2"><c r="A2" t="s"><v>0</v></c><c r="C2" t="inlineStr"><is><t>fmobileno</t></is></c></row>)"
            R"(<row r="3"><c r="A3" t="s"><v>1</v></c><c r="B3" t="e"><v>#DIV/0!</v></c><c r="C3" t="str"><f>A1</f><v>x_x0009_y</v></c></row>)"
            R"(<row r="5"><c t="s"><v>2</v></c><c t="b"><v>0</v></c><c s="1"><v>0</v></c><c r="E5" s="1"/></row>)"
            R"(<row r="6"><c r="B6" t="s"><v>3</v></c></row>)");
    const QString path = file(u"hand.xlsx"_s);
    writePackage(path, {{"[Content_Types].xml", kContentTypes},
                        {"_rels/.rels", kRootRels},
                        {"book/main.xml", book},
                        {"book/_rels/main.xml.rels", bookRels},
                        {"book/notes.xml",
                         sheetXml(R"(<row r="1"><c t="inlineStr"><is><t>wrong tab</t></is></c></row>)")},
                        {"data/list.xml", list},
                        {"strings/sst.xml", sst},
                        {"book/st.xml", styles}});
    const SheetTable t = readActiveSheet(path);
    EXPECT_EQ(t.sheetName, u"Students"_s);
    ASSERT_EQ(t.width, 3);
    ASSERT_EQ(t.rows.size(), 5); // rows 2 to 6, the missing row 4 as an empty record
    EXPECT_EQ(t.rows[0], row({"fname", "", "fmobileno"}));
    EXPECT_EQ(t.rows[1], row({"Anu Devi", "#DIV/0!", "x\ty"}));
    EXPECT_EQ(t.rows[2], row({"", "", ""}));
    EXPECT_EQ(t.rows[3], row({"a\rb_x0041_ \xF0\x9F\x98\x80", "FALSE", "1904-01-01"}));
    EXPECT_EQ(t.rows[4], row({"", " ", ""}));
    EXPECT_EQ(QString::fromUtf8(toCsv(t)),
              QString::fromUtf8("fname,,fmobileno\nAnu Devi,#DIV/0!,x\ty\n,,\n"
                                "\"a\rb_x0041_ \xF0\x9F\x98\x80\",FALSE,1904-01-01\n, ,\n"));
}

// Whether the process runs (a zombie awaiting the system's reaper does not).
bool running(const QByteArray &pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(QLatin1String(pid)));
    return stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z ");
}

// Every file the reader cannot use is refused in the user's own name with its
// cause, within the conversion limit, the interface running meanwhile and no
// process left behind; an empty sheet is no error.
TEST_F(Workbook, unreadableFilesGiveAClearMessageAndAnEmptySheetNoRecords)
{
    const auto raw = [this](const QString &name, const QByteArray &bytes) {
        QFile f(file(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    };
    // What Excel saves for a workbook with an opening password: an OLE
    // container with an EncryptedPackage stream instead of a zip.
    const QByteArray ole("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    const char stream[] = "E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0";
    writePackage(file(u"photos.xlsx"_s), {{"photo1.txt", "not a sheet"}}); // a zip that is no workbook
    writeOneSheet(file(u"cut.xlsx"_s), "<worksheet><sheetData><row><c t=\"s\"><v>0</v>");
    writeOneSheet(file(u"index.xlsx"_s), sheetXml(R"(<row r="1"><c r="A1" t="s"><v>7</v></c></row>)"));
    const QString xls = raw(u"1234 Zoë's list.xls"_s, ole + QByteArray(1024, '\0'));
    const struct
    {
        QString path;
        const char *cause;
        const char *soffice = nullptr; // the LibreOffice first on the path; none when null
    } cases[] = {
            {file(u"missing.xlsx"_s), "cannot be opened"},
            {raw(u"notes.xlsx"_s, "fslno,fname\n1,Anu\n"), "is not an Excel workbook"},
            {raw(u"empty.xlsx"_s, {}), "is not an Excel workbook"},
            {file(u"photos.xlsx"_s), "is not an Excel workbook"},
            {file(u"cut.xlsx"_s), "is damaged"},
            {file(u"index.xlsx"_s), "is damaged"}, // a shared-string index past the table
            {raw(u"secret.xlsx"_s, ole + QByteArray(504, '\0') + QByteArray(stream, sizeof stream - 1)),
             "is protected by a password"},
            {xls, "LibreOffice is not installed"},
            {xls, "could not be converted", "exit 0"},
            // Last: a launcher that ignores a polite stop, with an office process of its own.
            {xls, "within 2 seconds", "trap '' TERM; /bin/sleep 600 & echo $$ $! > \"$PIDS\"; wait"},
    };
    int ticks = 0; // the interface's own timer
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(100);
    qputenv("PIDS", QFile::encodeName(file(u"pids"_s)));
    const QByteArray savedPath = qgetenv("PATH");
    for (const auto &c : cases) {
        QTemporaryDir bin;
        QFile program(bin.path() + u"/soffice"_s);
        if (c.soffice) {
            ASSERT_TRUE(program.open(QIODevice::WriteOnly));
            program.write(QByteArray("#!/bin/sh\n") + c.soffice + '\n');
            program.close();
            program.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        }
        qputenv("PATH", QFile::encodeName(bin.path()));
        ConversionWatch watch;
        watch.limitMs = 2000;
        ticks = 0;
        QElapsedTimer clock;
        clock.start();
        try {
            readActiveSheet(c.path, watch);
            ADD_FAILURE() << "read without an error: " << c.path.toStdString();
        } catch (const AppError &e) {
            EXPECT_EQ(e.number(), ErrNo::Workbook);
            EXPECT_TRUE(e.description().contains(QLatin1String(c.cause)) &&
                        e.description().contains(QFileInfo(c.path).fileName()))
                    << e.description().toStdString();
        }
        EXPECT_LT(clock.elapsed(), watch.limitMs + 3000) << c.cause;
        qputenv("PATH", savedPath);
    }
    EXPECT_GE(ticks, 5) << "the interface stood still during the conversion";
    QFile ids(file(u"pids"_s));
    ASSERT_TRUE(ids.open(QIODevice::ReadOnly));
    const QList<QByteArray> both = ids.readAll().trimmed().split(' ');
    ASSERT_EQ(both.size(), 2);
    EXPECT_FALSE(QFileInfo::exists(u"/proc/"_s + QLatin1String(both[0]))) << "launcher not reaped";
    EXPECT_FALSE(running(both[1])) << "office process left running";

    const QString path = file(u"nothing.xlsx"_s);
    lxw_workbook *wb = workbook_new(QFile::encodeName(path).constData());
    workbook_add_worksheet(wb, nullptr);
    ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);
    const SheetTable t = readActiveSheet(path);
    EXPECT_EQ(t.width, 0);
    EXPECT_TRUE(t.headings().isEmpty());
    EXPECT_TRUE(toCsv(t).isEmpty());
}

TEST_F(Workbook, legacyWorkbookIsConvertedByLibreOfficeKeepingItsActiveTab)
{
    const QString soffice = QStandardPaths::findExecutable(u"soffice"_s);
    if (soffice.isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed";
    const QString xlsx = file(u"1234 Zoë's list.xlsx"_s);
    lxw_workbook *wb = workbook_new(QFile::encodeName(xlsx).constData());
    lxw_format *padded = workbook_add_format(wb);
    format_set_num_format(padded, "0000000000");
    lxw_worksheet *first = workbook_add_worksheet(wb, "Notes");
    worksheet_write_string(first, 0, 0, "wrong tab", nullptr);
    lxw_worksheet *second = workbook_add_worksheet(wb, "Students");
    worksheet_write_string(second, 0, 0, "fslno", nullptr);
    worksheet_write_string(second, 0, 1, "fmobileno", nullptr);
    worksheet_write_string(second, 1, 0, "0001", nullptr);
    worksheet_write_number(second, 1, 1, 987654321012, nullptr);
    worksheet_write_number(second, 1, 2, 876500014, padded);
    worksheet_activate(second);
    ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);
    // LibreOffice makes the .xls the way a college's old Excel would.
    QProcess make;
    make.start(soffice,
               {u"-env:UserInstallation="_s + QUrl::fromLocalFile(file(u"p"_s)).toString(QUrl::FullyEncoded),
                u"--headless"_s, u"--convert-to"_s, u"xls"_s, u"--outdir"_s, dir.path(), xlsx});
    ASSERT_TRUE(make.waitForFinished(180000));
    const QString xls = file(u"1234 Zoë's list.xls"_s);
    ASSERT_TRUE(QFile::exists(xls));
    // The reader's temporary folder is made in the odd one, and removed.
    const uint entries = QDir(dir.path()).count();
    bool usedTemp = false;
    ConversionWatch watch;
    watch.progress = [&](int, int) { usedTemp = usedTemp || QDir(dir.path()).count() > entries; };
    const SheetTable t = readActiveSheet(xls, watch);
    EXPECT_TRUE(usedTemp);
    EXPECT_EQ(QDir(dir.path()).count(), entries);
    EXPECT_EQ(t.sheetName, u"Students"_s);
    EXPECT_EQ(QString::fromUtf8(toCsv(t)), u"fslno,fmobileno,\n0001,987654321012,0876500014\n"_s);
}

// The CSV through the real server.
class WorkbookLoad : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        admin(u"drop table if exists corvane3_tsc.sheetload"_s);
        admin(u"create table corvane3_tsc.sheetload (id int auto_increment primary key, "
              "c1 varchar(200), c2 varchar(200), c3 varchar(200), c4 varchar(200), "
              "c5 varchar(200), c6 varchar(200))"_s);
    }
    void TearDown() override
    {
        admin(u"drop table if exists corvane3_tsc.sheetload"_s);
        DbTest::TearDown();
    }

    // The tricky cells an upload brings, in one sheet made by libxlsxwriter.
    QString trickyWorkbook()
    {
        const QString path = dir.path() + u"/1234tricky.xlsx"_s;
        lxw_workbook *wb = workbook_new(QFile::encodeName(path).constData());
        lxw_worksheet *ws = workbook_add_worksheet(wb, nullptr);
        lxw_format *date = workbook_add_format(wb);
        format_set_num_format(date, "dd/mm/yyyy");
        const char *heads[] = {"fslno", "fname", "fmobileno", "ffee", "fdate", "fnote"};
        for (int c = 0; c < 6; ++c)
            worksheet_write_string(ws, 0, lxw_col_t(c), heads[c], nullptr);
        // row 2: comma, 12-digit number, decimal, date, quote
        worksheet_write_string(ws, 1, 0, "0041", nullptr);
        worksheet_write_string(ws, 1, 1, "Rao, K.", nullptr);
        worksheet_write_number(ws, 1, 2, 987654321012, nullptr);
        worksheet_write_number(ws, 1, 3, 1234.75, nullptr);
        lxw_datetime dt = {2019, 1, 15, 0, 0, 0};
        worksheet_write_datetime(ws, 1, 4, &dt, date);
        worksheet_write_string(ws, 1, 5, "He said \"yes\"", nullptr);
        // row 3: line break, unicode, empty middle cell, formula, backslash
        worksheet_write_string(ws, 2, 0, "0042", nullptr);
        worksheet_write_string(ws, 2, 1, "Zoë Ñandú\nநாகராஜ்", nullptr);
        worksheet_write_formula_num(ws, 2, 3, "=1000+500", nullptr, 1500);
        worksheet_write_string(ws, 2, 5, "C:\\new\\N \\", nullptr);
        // row 4: short row with a boolean
        worksheet_write_string(ws, 3, 0, "0043", nullptr);
        worksheet_write_boolean(ws, 3, 1, 1, nullptr);
        // row 5: the load's escapes and separators as plain text
        const char *plain[] = {"\\N", "end\\", "\"", ",", "", "tab\there"};
        for (int c = 0; c < 6; ++c)
            if (*plain[c])
                worksheet_write_string(ws, 4, lxw_col_t(c), plain[c], nullptr);
        EXPECT_EQ(workbook_close(wb), LXW_NO_ERROR);
        return path;
    }

    void loadAndCompare(const SheetTable &t, CsvEscape escape, const QString &clause)
    {
        admin(u"delete from corvane3_tsc.sheetload"_s);
        const QString csvPath = dir.path() + u"/upload.csv"_s;
        QFile csv(csvPath);
        ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
        csv.write(toCsv(t, escape));
        csv.close();
        QString escapedPath = csvPath;
        escapedPath.replace(QLatin1String("\\"), QLatin1String("\\\\"));
        Conn::execute(u"LOAD DATA local INFILE '"_s + escapedPath +
                      u"' INTO TABLE corvane3_tsc.sheetload FIELDS TERMINATED BY ',' "
                      "ENCLOSED BY '\"'"_s +
                      clause + u" IGNORE 1 LINES (c1, c2, c3, c4, c5, c6)"_s);
        const Rows rows = Conn::query(u"select c1, c2, c3, c4, c5, c6 from corvane3_tsc.sheetload "
                                      "order by id"_s);
        ASSERT_EQ(rows.size(), t.rows.size() - 1);
        for (int r = 0; r < rows.size(); ++r)
            for (int c = 0; c < 6; ++c)
                EXPECT_EQ(rows.value(u"c%1"_s.arg(c + 1), r), t.rows[r + 1][c])
                        << "row " << r << " column " << c;
    }

    QTemporaryDir dir;
};

// The tricky cells become the CSV the load expects, and the load statement
// as the import writes it, with and without ESCAPED BY, gives back every cell.
TEST_F(WorkbookLoad, trickyCellsBecomeTheCsvAndLoadBackUnchanged)
{
    // Saved over a longer file of the same name, which must not survive in part.
    const QString saved = dir.path() + u"/saved.csv"_s;
    QFile old(saved);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'x'));
    old.close();
    const SheetTable t = saveActiveSheetAsCsv(trickyWorkbook(), saved);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), toCsv(t));
    EXPECT_EQ(t.width, 6);
    EXPECT_EQ(t.headings(), row({"fslno", "fname", "fmobileno", "ffee", "fdate", "fnote"}));
    EXPECT_EQ(QString::fromUtf8(toCsv(t, CsvEscape::Plain)),
              QString::fromUtf8("fslno,fname,fmobileno,ffee,fdate,fnote\n"
                                "0041,\"Rao, K.\",987654321012,1234.75,2019-01-15,\"He said \"\"yes\"\"\"\n"
                                "0042,\"Zoë Ñandú\nநாகராஜ்\",,1500,,C:\\new\\N \\\n"
                                "0043,TRUE,,,,\n"
                                "\\N,end\\,\"\"\"\",\",\",,tab\there\n"));
    // For the load's default escape character every backslash is doubled.
    EXPECT_TRUE(toCsv(t, CsvEscape::DoubledBackslash).contains(",C:\\\\new\\\\N \\\\\n"));
    loadAndCompare(t, CsvEscape::DoubledBackslash, QString());
    loadAndCompare(t, CsvEscape::Plain, u" ESCAPED BY ''"_s);
}

} // namespace
