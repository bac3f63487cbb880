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

// Writes a package from hand-made parts, for what libxlsxwriter never writes.
void writePackage(const QString &path, const std::map<std::string, std::string> &parts)
{
    int error = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    for (const auto &[name, text] : parts)
        ASSERT_GE(zip_file_add(z, name.c_str(), zip_source_buffer(z, text.data(), text.size(), 0), 0), 0);
    ASSERT_EQ(zip_close(z), 0);
}

const char *const kRootRels =
        R"(<Relationships><Relationship Id="rId1" Type="x/officeDocument" Target="book/main.xml"/></Relationships>)";

std::string sheetXml(const std::string &rows)
{
    return R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)" +
           rows + "</sheetData></worksheet>";
}

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

QString csv(const SheetTable &t)
{
    return QString::fromUtf8(toCsv(t));
}

// Workbooks and the reader's temporary files in a folder named as users name
// them: blanks, accents and an apostrophe.
class Workbook : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        qputenv("TMPDIR", QFile::encodeName(dir.path()));
    }
    void TearDown() override
    {
        saved.isEmpty() ? void(qunsetenv("TMPDIR")) : void(qputenv("TMPDIR", saved));
        DbTest::TearDown();
    }
    QTemporaryDir dir{QDir::tempPath() + u"/Up load ë's-XXXXXX"_s};
    const QByteArray saved = qgetenv("TMPDIR");
    QString file(const QString &name) const { return dir.path() + QLatin1Char('/') + name; }
};

// Dates and times follow the cell's number format, and so do whole numbers
// under a format of digit places (leading zeros kept); other numbers are read
// by value, never in exponent form.
TEST_F(Workbook, cellsFollowTheirNumberFormatOnlyForDatesAndDigitPlaces)
{
    const QString path = file(u"formats.xlsx"_s);
    lxw_workbook *wb = workbook_new(QFile::encodeName(path).constData());
    lxw_worksheet *ws = workbook_add_worksheet(wb, nullptr);
    const struct
    {
        const char *format; // a built-in number when it starts with "#"
        double value;
        const char *expected;
    } cases[] = {
            {"#14", 43480, "2019-01-15"},
            {"#22", 43480.75, "2019-01-15 18:00:00"},
            {"yyyy-mm-dd hh:mm:ss", 36526.9999999, "2000-01-02 00:00:00"}, // to the nearest second
            {"d mmm yyyy", 60, "1900-02-29"}, // the 1900 system's phantom leap day
            {"[h]:mm:ss", 1.5, "36:00:00"},
            {"\"day\" 0", 7, "7"},                   // d inside quotes is a literal
            {"[Red]0.00;[Blue]-0.00", 3.25, "3.25"}, // brackets hold colours
            {"0.00\\h", 4, "4"},                     // an escaped h is a literal
            {"0.00E+00", 1e20, "100000000000000000000"},
            {"0.00E+00", 1e-7, "0.0000001"},
            {"#,##0.00", 123456789012345, "123456789012345"},
            {"0.00E+00", -0.0, "0"},
            {"0000000000", 876500014, "0876500014"},
            {"0000", -12, "-0012"},
            {"0000", 41.5, "0042"},
            {"000\"9\"\\7", 42, "04297"}, // literal digits, quoted and escaped
            {"0000 \"No.\"", 12, "12"},
    };
    for (const auto &c : cases) {
        lxw_format *f = workbook_add_format(wb);
        if (c.format[0] == '#' && c.format[1] != ',')
            format_set_num_format_index(f, uint8_t(std::stoi(c.format + 1)));
        else
            format_set_num_format(f, c.format);
        worksheet_write_number(ws, lxw_row_t(&c - cases), 0, c.value, f);
    }
    ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);
    const SheetTable t = readActiveSheet(path);
    ASSERT_EQ(t.rows.size(), int(std::size(cases)));
    for (int i = 0; i < t.rows.size(); ++i)
        EXPECT_EQ(t.rows[i].first(), QString::fromUtf8(cases[i].expected)) << cases[i].format;
}

// Second tab active, parts under unusual names reached only through the
// relationship files; shared and inline strings, rich text with a phonetic
// guide, escapes, an error, a 1904 date, sparse rows and cells.
TEST_F(Workbook, handMadePackageFollowsRelationshipsToTheActiveTab)
{
    const QString path = file(u"hand.xlsx"_s);
    writePackage(
            path,
            {{"_rels/.rels", kRootRels},
             {"book/main.xml",
              R"(<workbook xmlns:r="r"><workbookPr date1904="1"/><bookViews><workbookView activeTab="1"/></bookViews><sheets><sheet name="Notes" r:id="rA"/><sheet name="Students" r:id="rB"/></sheets></workbook>)"},
             {"book/_rels/main.xml.rels",
              R"(<Relationships><Relationship Id="rA" Type="x/worksheet" Target="notes.xml"/><Relationship Id="rB" Type="x/worksheet" Target="/data/list.xml"/><Relationship Id="rS" Type="x/sharedStrings" Target="../strings/sst.xml"/><Relationship Id="rT" Type="x/styles" Target="st.xml"/></Relationships>)"},
             {"book/notes.xml",
              sheetXml(R"(<row r="1"><c t="inlineStr"><is><t>wrong tab</t></is></c></row>)")},
             {"data/list.xml",
              sheetXml(
                      R"(<row r="2"><c r="A2" t="s"><v>0</v></c><c r="C2" t="inlineStr"><is><t>fmobileno</t></is></c></row>)"
                      R"(<row r="3"><c r="A3" t="s"><v>1</v></c><c r="B3" t="e"><v>#DIV/0!</v></c><c r="C3" t="str"><f>A1</f><v>x_x0009_y</v></c></row>)"
                      R"(<row r="5"><c t="s"><v>2</v></c><c t="b"><v>0</v></c><c s="1"><v>0</v></c><c r="E5" s="1"/></row>)"
                      R"(<row r="6"><c r="B6" t="s"><v>3</v></c></row>)")},
             {"strings/sst.xml",
              R"(<sst><si><t>fname</t></si><si><r><rPr><b/></rPr><t xml:space="preserve">Anu </t></r><r><t>Devi</t></r><rPh sb="0" eb="1"><t>PHONETIC</t></rPh></si><si><t>a_x000D_b_x005F_x0041_ _xD83D__xDE00_</t></si><si><t xml:space="preserve"> </t></si></sst>)"},
             {"book/st.xml",
              R"(<styleSheet><cellXfs count="2"><xf numFmtId="0"/><xf numFmtId="14"/></cellXfs></styleSheet>)"}});
    const SheetTable t = readActiveSheet(path);
    EXPECT_EQ(t.sheetName, u"Students"_s);
    EXPECT_EQ(csv(t), QString::fromUtf8("fname,,fmobileno\nAnu Devi,#DIV/0!,x\ty\n,,\n"
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
// process left behind.
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
    writePackage(file(u"photos.xlsx"_s), {{"photo1.txt", "not a sheet"}});
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
}

// The tricky cells an upload brings, written by libxlsxwriter (shared strings,
// a formula's cached value, a date), become the CSV the import's load reads,
// saved over a longer file of the same name; the server gives back every cell
// as the sheet typed it. Saved as .xls by LibreOffice, the same book reads the
// same, from its active tab.
TEST_F(Workbook, trickyCellsLoadBackUnchangedAlsoFromALegacyCopy)
{
    const QString xlsx = file(u"1234 Zoë's list.xlsx"_s);
    lxw_workbook *wb = workbook_new(QFile::encodeName(xlsx).constData());
    worksheet_write_string(workbook_add_worksheet(wb, "Notes"), 0, 0, "wrong tab", nullptr);
    lxw_worksheet *ws = workbook_add_worksheet(wb, "Students");
    lxw_format *date = workbook_add_format(wb);
    format_set_num_format(date, "dd/mm/yyyy");
    lxw_format *padded = workbook_add_format(wb);
    format_set_num_format(padded, "0000000000");
    const char *cells[][6] = {{"fslno", "fname", "fmobileno", "ffee", "fdate", "fnote"},
                              {"0041", "Rao, K.", nullptr, nullptr, nullptr, "He said \"yes\""},
                              {"0042", "Zoë Ñandú\nநாகராஜ்", "", nullptr, "", "C:\\new\\N \\"},
                              {"\\N", "end\\", "\"", ",", "", "tab\there"}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 6; ++c)
            if (cells[r][c] && *cells[r][c])
                worksheet_write_string(ws, lxw_row_t(r), lxw_col_t(c), cells[r][c], nullptr);
    worksheet_write_number(ws, 1, 2, 987654321012, nullptr);
    worksheet_write_number(ws, 1, 3, 1234.75, nullptr);
    lxw_datetime dt = {2019, 1, 15, 0, 0, 0};
    worksheet_write_datetime(ws, 1, 4, &dt, date);
    worksheet_write_number(ws, 2, 2, 876500014, padded);
    worksheet_write_formula_num(ws, 2, 3, "=1000+500", nullptr, 1500);
    worksheet_activate(ws);
    ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);
    const QString expected =
            QString::fromUtf8("fslno,fname,fmobileno,ffee,fdate,fnote\n"
                              "0041,\"Rao, K.\",987654321012,1234.75,2019-01-15,\"He said \"\"yes\"\"\"\n"
                              "0042,\"Zoë Ñandú\nநாகராஜ்\",0876500014,1500,,C:\\\\new\\\\N \\\\\n"
                              "\\\\N,end\\\\,\"\"\"\",\",\",,tab\there\n");
    const QString saved = file(u"upload.csv"_s);
    QFile old(saved);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write(QByteArray(5000, 'x')) == 5000);
    old.close();
    const SheetTable t = saveActiveSheetAsCsv(xlsx, saved);
    EXPECT_EQ(csv(t), expected);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), toCsv(t));
    ASSERT_EQ(t.rows.size(), 4);

    // The load as the import writes it, through the real server.
    admin(QStringList{
            u"drop table if exists corvane3_tsc.sheetload"_s,
            u"create table corvane3_tsc.sheetload (id int auto_increment primary key, c1 text, c2 text, "
            "c3 text, c4 text, c5 text, c6 text)"_s});
    Conn::execute(u"LOAD DATA local INFILE %1 INTO TABLE corvane3_tsc.sheetload FIELDS TERMINATED BY ',' "
                  "ENCLOSED BY '\"' IGNORE 1 LINES "_s.arg(sql::quote(saved)) +
                  u"(c1, c2, c3, c4, c5, c6)"_s);
    const Rows rows = Conn::query(u"select c1, c2, c3, c4, c5, c6 from corvane3_tsc.sheetload order by id"_s);
    ASSERT_EQ(rows.size(), 3);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 6; ++c)
            EXPECT_EQ(rows.value(u"c%1"_s.arg(c + 1), r), t.rows[r + 1][c]) << "row " << r << " column " << c;
    admin(u"drop table corvane3_tsc.sheetload"_s);

    const QString soffice = QStandardPaths::findExecutable(u"soffice"_s);
    if (soffice.isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed";
    QProcess make;
    make.start(soffice,
               {u"-env:UserInstallation="_s + QUrl::fromLocalFile(file(u"p"_s)).toString(QUrl::FullyEncoded),
                u"--headless"_s, u"--convert-to"_s, u"xls"_s, u"--outdir"_s, dir.path(), xlsx});
    ASSERT_TRUE(make.waitForFinished(180000));
    QFile::remove(xlsx);
    // The reader's temporary folder is made in the odd one, and removed.
    const uint entries = QDir(dir.path()).count();
    bool usedTemp = false;
    ConversionWatch watch;
    watch.progress = [&](int, int) { usedTemp = usedTemp || QDir(dir.path()).count() > entries; };
    const SheetTable legacy = readActiveSheet(file(u"1234 Zoë's list.xls"_s), watch);
    EXPECT_TRUE(usedTemp);
    EXPECT_EQ(QDir(dir.path()).count(), entries);
    EXPECT_EQ(legacy.sheetName, u"Students"_s);
    EXPECT_EQ(csv(legacy), expected);
}

} // namespace
