#include "core/services/workbook.h"

#include "core/services/errors.h"

#include "support/testdb.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <xlsxwriter.h>
#include <zip.h>

#include <map>
#include <string>

using namespace Qt::StringLiterals;

namespace {

// Writes a package from hand-made parts: files no spreadsheet program writes.
void writePackage(const QString &path, const std::map<std::string, std::string> &parts)
{
    int error = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    for (const auto &[name, text] : parts)
        ASSERT_GE(zip_file_add(z, name.c_str(), zip_source_buffer(z, text.data(), text.size(), 0), 0), 0);
    ASSERT_EQ(zip_close(z), 0);
}

// A package of one sheet part, reached through the relationship files.
void writeOneSheet(const QString &path, const std::string &sheet)
{
    writePackage(
            path,
            {{"_rels/.rels",
              R"(<Relationships><Relationship Id="r" Type="x/officeDocument" Target="book/main.xml"/></Relationships>)"},
             {"book/main.xml", R"(<workbook><sheets><sheet name="S" r:id="r1"/></sheets></workbook>)"},
             {"book/_rels/main.xml.rels",
              R"(<Relationships><Relationship Id="r1" Type="x/worksheet" Target="s.xml"/></Relationships>)"},
             {"book/s.xml", sheet}});
}

QString writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size()) << path.toStdString();
    return path;
}

// Workbooks in a folder named as users name them: blanks, accents and an apostrophe.
class Workbook : public DbTest
{
protected:
    QTemporaryDir dir{QDir::tempPath() + u"/Up load ë's-XXXXXX"_s};
    QString file(const QString &name) const { return dir.path() + QLatin1Char('/') + name; }
    QString raw(const QString &name, const QByteArray &bytes) const { return writeBytes(file(name), bytes); }
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
        const char *format; // "#n": built-in format n
        double value;
        const char *expected;
    } cases[] = {
            {"#14", 43480, "2019-01-15"},
            {"#22", 43480.75, "2019-01-15 18:00:00"},
            {"yyyy-mm-dd hh:mm:ss", 36526.9999999, "2000-01-02 00:00:00"}, // to the nearest second
            {"d mmm yyyy", 60, "1900-02-29"},        // the 1900 system's phantom leap day
            {"\"day\" 0", 7, "7"},                   // d inside quotes is a literal
            {"[Red]0.00;[Blue]-0.00", 3.25, "3.25"}, // brackets hold colours
            {"0.00E+00", 1e-7, "0.0000001"},
            {"0.00E+00", 1e20, "100000000000000000000"},
            {"0000000000", 876500014, "0876500014"},
            {"0000", -12, "-0012"},
            {"0000", 41.5, "0042"},
            {"000\"9\"\\7", 42, "04297"}, // literal digits, quoted and escaped
    };
    for (const auto &c : cases) {
        lxw_format *f = workbook_add_format(wb);
        if (c.format[0] == '#')
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

// Whether the process runs (a zombie awaiting the system's reaper does not).
bool running(const QByteArray &pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(QLatin1String(pid)));
    return stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z ");
}

// Every file the reader cannot use is refused in the user's own name with its
// cause, never read as an empty sheet and never a crash; a legacy copy that
// LibreOffice cannot convert within the limit is refused in time, the
// interface running meanwhile and no process left behind.
TEST_F(Workbook, unreadableFilesGiveAClearMessage)
{
    // Excel's workbook with an opening password: an OLE container with an EncryptedPackage stream, no zip.
    const QByteArray ole("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    const char stream[] = "E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0";
    writePackage(file(u"photos.xlsx"_s), {{"photo1.txt", "not a sheet"}});
    writeOneSheet(file(u"cut.xlsx"_s), "<worksheet><sheetData><row><c t=\"s\"><v>0</v>");
    writeOneSheet(file(u"index.xlsx"_s),
                  R"(<worksheet><sheetData><row><c t="s"><v>7</v></c></row></sheetData></worksheet>)");
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
            // What it wrote is no workbook either: the message still speaks of the .xls.
            {xls, "could not be converted from the old Excel format (.xls)",
             "eval out=\\${$(($# - 1))}; echo text > \"$out/workbook.xlsx\""},
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
        if (c.soffice)
            QFile::setPermissions(
                    writeBytes(bin.path() + u"/soffice"_s, QByteArray("#!/bin/sh\n") + c.soffice + '\n'),
                    QFile::ReadOwner | QFile::ExeOwner);
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
    QDeadlineTimer dies(3000); // a killed process ends when the kernel next schedules it
    while (running(both[1]) && !dies.hasExpired())
        QThread::msleep(50);
    EXPECT_FALSE(running(both[1])) << "office process left running";
}

// The tricky cells an upload brings, written by libxlsxwriter (shared and
// rich strings, a formula's cached value, a date), become the CSV the import's
// load reads (the imports load it through the server), saved over a longer
// file of the same name. Saved as .xls by the real LibreOffice, the same book
// reads the same, from its active tab.
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
    lxw_format *bold = workbook_add_format(wb);
    format_set_bold(bold);
    lxw_rich_string_tuple anu = {bold, const_cast<char *>("Anu ")},
                          devi = {nullptr, const_cast<char *>("Devi")};
    lxw_rich_string_tuple *runs[] = {&anu, &devi, nullptr};
    worksheet_write_rich_string(ws, 2, 4, runs, nullptr);
    worksheet_activate(ws);
    ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);
    const QString expected =
            QString::fromUtf8("fslno,fname,fmobileno,ffee,fdate,fnote\n"
                              "0041,\"Rao, K.\",987654321012,1234.75,2019-01-15,\"He said \"\"yes\"\"\"\n"
                              "0042,\"Zoë Ñandú\nநாகராஜ்\",0876500014,1500,Anu Devi,C:\\\\new\\\\N \\\\\n"
                              "\\\\N,end\\\\,\"\"\"\",\",\",,tab\there\n");
    const QString saved = raw(u"upload.csv"_s, QByteArray(5000, 'x'));
    const SheetTable t = saveActiveSheetAsCsv(xlsx, saved);
    ASSERT_EQ(QString::fromUtf8(toCsv(t)), expected);
    QFile old(saved);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), toCsv(t));

    const QString soffice = QStandardPaths::findExecutable(u"soffice"_s);
    if (soffice.isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed";
    QProcess make;
    make.start(soffice,
               {u"-env:UserInstallation="_s + QUrl::fromLocalFile(file(u"p"_s)).toString(QUrl::FullyEncoded),
                u"--headless"_s, u"--convert-to"_s, u"xls"_s, u"--outdir"_s, dir.path(), xlsx});
    ASSERT_TRUE(make.waitForFinished(180000));
    QFile::remove(xlsx);
    const SheetTable legacy = readActiveSheet(file(u"1234 Zoë's list.xls"_s));
    EXPECT_EQ(legacy.sheetName, u"Students"_s);
    EXPECT_EQ(QString::fromUtf8(toCsv(legacy)), expected);
    // A legacy header over random bytes is refused, not read as text.
    QByteArray junk("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    for (QRandomGenerator random(7); junk.size() < 20000;)
        junk += char(random.bounded(256));
    EXPECT_THROW(readActiveSheet(raw(u"damaged.xls"_s, junk)), AppError);
}

} // namespace
