// Reading the active sheet of an .xlsx package (a zip of XML parts).

#include "core/services/workbook.h"

#include "core/services/errors.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <pugixml.hpp>
#include <zip.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <signal.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const QString &text, const QString &context = QString())
{
    throw AppError(ErrNo::Workbook, text, context);
}

QString shownName(const QString &path)
{
    return QFileInfo(path).fileName();
}

[[noreturn]] void damaged(const QString &path, const std::string &part)
{
    fail(QStringLiteral("The workbook %1 is damaged and cannot be read (%2).")
                 .arg(shownName(path), QString::fromStdString(part)),
         path);
}

// ---------------------------------------------------------------- the package

class Package
{
public:
    Package(const QString &file, const QString &userPath)
        : m_path(userPath)
    {
        int error = 0;
        m_zip = zip_open(QFile::encodeName(file).constData(), ZIP_RDONLY, &error);
        if (!m_zip)
            m_openError = error;
    }
    ~Package()
    {
        if (m_zip)
            zip_discard(m_zip);
    }
    Package(const Package &) = delete;
    Package &operator=(const Package &) = delete;

    bool isOpen() const { return m_zip != nullptr; }
    int openError() const { return m_openError; }

    bool has(const std::string &name) const
    {
        return zip_name_locate(m_zip, name.c_str(), ZIP_FL_NOCASE) >= 0;
    }

    // The part's bytes; a missing or unreadable part is a damaged workbook.
    std::string read(const std::string &name) const
    {
        const zip_int64_t index = zip_name_locate(m_zip, name.c_str(), ZIP_FL_NOCASE);
        if (index < 0)
            damaged(m_path, name + " missing");
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(m_zip, zip_uint64_t(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
            damaged(m_path, name);
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
            fail(QStringLiteral("The workbook %1 is protected by a password. Save it without a password "
                                "and choose it again.")
                         .arg(shownName(m_path)),
                 m_path);
        zip_file_t *file = zip_fopen_index(m_zip, zip_uint64_t(index), 0);
        if (!file)
            damaged(m_path, name);
        std::string data(size_t(st.size), '\0');
        const zip_int64_t got = data.empty() ? 0 : zip_fread(file, data.data(), st.size);
        zip_fclose(file);
        if (got != zip_int64_t(st.size))
            damaged(m_path, name);
        return data;
    }

private:
    QString m_path;
    zip_t *m_zip = nullptr;
    int m_openError = 0;
};

// Parts may carry a namespace prefix ("x:row"); names are compared without it.
bool named(const pugi::xml_node &node, const char *local)
{
    const char *name = node.name();
    const char *colon = std::strchr(name, ':');
    return std::strcmp(colon ? colon + 1 : name, local) == 0;
}

pugi::xml_node child(const pugi::xml_node &parent, const char *local)
{
    for (pugi::xml_node n = parent.first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_element && named(n, local))
            return n;
    return {};
}

// The relationship id attribute ("r:id" under whatever prefix the part uses).
const char *relationshipId(const pugi::xml_node &node)
{
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        const char *name = a.name();
        const char *colon = std::strchr(name, ':');
        if (colon && std::strcmp(colon + 1, "id") == 0)
            return a.value();
    }
    return "";
}

struct Xml
{
    std::string text;
    pugi::xml_document doc;
};

void parse(Xml &xml, const QString &path, const std::string &part)
{
    const pugi::xml_parse_result ok = xml.doc.load_buffer_inplace(
            xml.text.data(), xml.text.size(), pugi::parse_default | pugi::parse_ws_pcdata_single);
    if (!ok)
        damaged(path, part);
}

// Resolves a relationship target against the folder of the part that names it.
std::string resolve(const std::string &baseDir, const std::string &target)
{
    std::string joined = !target.empty() && target[0] == '/' ? target.substr(1) : baseDir + target;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= joined.size()) {
        size_t slash = joined.find('/', start);
        if (slash == std::string::npos)
            slash = joined.size();
        const std::string piece = joined.substr(start, slash - start);
        if (piece == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!piece.empty() && piece != ".") {
            parts.push_back(piece);
        }
        start = slash + 1;
    }
    std::string out;
    for (const std::string &p : parts)
        out += (out.empty() ? "" : "/") + p;
    return out;
}

std::string folderOf(const std::string &part)
{
    const size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

std::string relsOf(const std::string &part)
{
    const size_t slash = part.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
    const std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
    return dir + "_rels/" + file + ".rels";
}

bool endsWith(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// ---------------------------------------------------------------- cell texts

void appendUtf8(std::string &out, unsigned cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// "_xHHHH_" at pos: the UTF-16 unit, or -1 when the text there is not one.
int escapeAt(std::string_view s, size_t pos)
{
    if (pos + 7 > s.size() || s[pos] != '_' || s[pos + 1] != 'x' || s[pos + 6] != '_')
        return -1;
    unsigned v = 0;
    for (size_t i = pos + 2; i < pos + 6; ++i) {
        const char c = s[i];
        v <<= 4;
        if (c >= '0' && c <= '9')
            v |= unsigned(c - '0');
        else if (c >= 'a' && c <= 'f')
            v |= unsigned(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            v |= unsigned(c - 'A' + 10);
        else
            return -1;
    }
    return int(v);
}

// Spreadsheets store characters XML cannot carry (control characters, and a
// literal "_x" sequence as "_x005F_x...") as _xHHHH_ escapes.
std::string unescapeCellText(std::string_view s)
{
    if (s.find("_x") == std::string_view::npos)
        return std::string(s);
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const int unit = s[i] == '_' ? escapeAt(s, i) : -1;
        if (unit < 0) {
            out += s[i++];
            continue;
        }
        i += 7;
        unsigned cp = unsigned(unit);
        if (cp >= 0xD800 && cp < 0xDC00) {
            const int low = escapeAt(s, i);
            if (low >= 0xDC00 && low < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (unsigned(low) - 0xDC00);
                i += 7;
            } else {
                cp = 0xFFFD;
            }
        } else if (cp >= 0xDC00 && cp < 0xE000) {
            cp = 0xFFFD;
        }
        appendUtf8(out, cp);
    }
    return out;
}

// The text of a string item: its own <t>, or the <t> of each rich-text run;
// phonetic guides (<rPh>) are not part of the value.
std::string stringItem(const pugi::xml_node &si)
{
    std::string text;
    for (pugi::xml_node n = si.first_child(); n; n = n.next_sibling()) {
        if (named(n, "t")) {
            text += n.child_value();
        } else if (named(n, "r")) {
            const pugi::xml_node t = child(n, "t");
            if (t)
                text += t.child_value();
        }
    }
    return unescapeCellText(text);
}

// What a number format shows: plain number, date part, time part, or whole
// numbers laid out in digit places.
struct NumberKind
{
    bool date = false;
    bool time = false;
    bool elapsed = false; // [h]: hours past 24 are shown
    // For a format of digit places only: '0' for a place that pads with a
    // zero, '#' for one that does not, 'a' to 'j' for the literal digits 0 to 9.
    std::string places;
};

NumberKind builtInKind(int id)
{
    NumberKind k;
    if ((id >= 14 && id <= 17) || id == 22)
        k.date = true;
    if ((id >= 18 && id <= 22) || (id >= 45 && id <= 47))
        k.time = true;
    if (id == 46)
        k.elapsed = true;
    return k;
}

// The places of a format made only of digit placeholders (0, #) and literal
// digits (quoted or escaped), with at least one 0: such formats give codes
// and phone numbers their leading zeros. Empty for any other format.
std::string digitPlaces(const std::string &code)
{
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    std::string places;
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == '0' || c == '#') {
            places += c;
        } else if (c == '\\' && i + 1 < code.size() && isDigit(code[i + 1])) {
            places += char(code[++i] - '0' + 'a'); // a literal, told apart from a place
        } else if (c == '"') {
            const size_t end = code.find('"', i + 1);
            if (end == std::string::npos || end == i + 1)
                return {};
            for (size_t j = i + 1; j < end; ++j) {
                if (!isDigit(code[j]))
                    return {};
                places += char(code[j] - '0' + 'a');
            }
            i = end;
        } else {
            return {};
        }
    }
    return places.find('0') == std::string::npos ? std::string() : places;
}

// A custom format is a date or time when d, m, y, h or s occur outside quoted
// literals, bracketed parts (colours, locales, conditions) and escapes.
NumberKind customKind(const std::string &code)
{
    NumberKind k;
    k.places = digitPlaces(code);
    bool m = false;
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == '"') {
            const size_t end = code.find('"', i + 1);
            if (end == std::string::npos)
                break;
            i = end;
        } else if (c == '[') {
            const size_t end = code.find(']', i + 1);
            if (end == std::string::npos)
                break;
            const std::string inner = code.substr(i + 1, end - i - 1);
            if (!inner.empty() &&
                (inner[0] == 'h' || inner[0] == 'H' || inner[0] == 'm' || inner[0] == 'M' ||
                 inner[0] == 's' || inner[0] == 'S') &&
                inner.find_first_not_of("hHmMsS") == std::string::npos) {
                k.time = true;
                k.elapsed = true;
            }
            i = end;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i; // escaped or padding character
        } else if (c == ';') {
            break; // the positive section decides
        } else {
            switch (c) {
            case 'd':
            case 'D':
            case 'y':
            case 'Y':
                k.date = true;
                break;
            case 'h':
            case 'H':
            case 's':
            case 'S':
                k.time = true;
                break;
            case 'm':
            case 'M':
                m = true;
                break;
            default:
                break;
            }
        }
    }
    if (m && !k.date && !k.time)
        k.date = true; // "mmm-yy"-like: months
    return k;
}

void civilFromDays(long long z, int &y, unsigned &mo, unsigned &d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = (long long)yoe + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    mo = mp < 10 ? mp + 3 : mp - 9;
    y = int(yy + (mo <= 2));
}

long long daysFromCivil(int y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + (long long)doe - 719468;
}

std::string twoDigits(long long v)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "%02lld", v);
    return buf;
}

std::string shortestDecimal(double v)
{
    if (v == 0)
        return "0"; // also -0
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    return std::string(buf, res.ptr);
}

// A number as a format of digit places shows it: rounded half away from zero
// to a whole number, its digits filling the places from the right, the first
// place taking any digits left over, empty 0 places showing a zero.
std::string placedDigits(double value, const std::string &places)
{
    const double whole = std::round(std::fabs(value));
    const std::string digits = whole == 0 ? std::string() : shortestDecimal(whole);
    const int placeCount =
            int(std::count_if(places.begin(), places.end(), [](char c) { return c == '0' || c == '#'; }));
    const int extra = int(digits.size()) - placeCount; // < 0: places left without a digit
    std::string out = value < 0 && whole != 0 ? "-" : "";
    int slot = 0;
    size_t next = 0;
    for (const char c : places) {
        if (c != '0' && c != '#') {
            out += char(c - 'a' + '0');
            continue;
        }
        if (slot == 0 && extra > 0) {
            out += digits.substr(0, size_t(extra) + 1);
            next = size_t(extra) + 1;
        } else if (slot < -extra) {
            if (c == '0')
                out += '0';
        } else {
            out += digits[next++];
        }
        ++slot;
    }
    return out;
}

// A serial day number shown by a date or time format, in ISO form.
std::string serialText(double serial, const NumberKind &kind, bool date1904)
{
    if (!(serial >= 0) || serial >= 2958466.0)
        return shortestDecimal(serial); // outside what a date format can show
    long long days = (long long)std::floor(serial);
    long long seconds = std::llround((serial - double(days)) * 86400.0);
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    std::string date;
    if (kind.date) {
        if (!date1904 && days == 60) {
            date = "1900-02-29"; // the day the 1900 date system counts but never was
        } else {
            const long long base = date1904 ? daysFromCivil(1904, 1, 1) : daysFromCivil(1899, 12, 30);
            const long long z = base + days + (!date1904 && days < 60 ? 1 : 0);
            int y;
            unsigned mo, d;
            civilFromDays(z, y, mo, d);
            char buf[32];
            std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", y, mo, d);
            date = buf;
        }
    }
    if (!kind.time)
        return date;
    const long long hours = kind.elapsed ? (days * 86400 + seconds) / 3600 : seconds / 3600;
    std::string time = twoDigits(hours) + ":" + twoDigits(seconds / 60 % 60) + ":" + twoDigits(seconds % 60);
    return date.empty() ? time : date + " " + time;
}

// The ISO text of a t="d" cell ("2024-03-05T10:20:30Z" and shorter forms).
std::string isoCellText(const std::string &v)
{
    std::string out = v;
    const size_t t = out.find('T');
    if (t == std::string::npos)
        return out;
    std::string date = out.substr(0, t);
    std::string time = out.substr(t + 1, 8);
    if (date.size() == 10 && time == "00:00:00")
        return date;
    return date.size() == 10 ? date + " " + time : time;
}

// Column index (0-based) of a reference like "AB12"; -1 when malformed.
int columnOf(const char *ref, int &rowOut)
{
    int col = 0;
    const char *p = ref;
    while (*p >= 'A' && *p <= 'Z') {
        col = col * 26 + (*p - 'A' + 1);
        ++p;
        if (col > 16384)
            return -1;
    }
    if (p == ref)
        return -1;
    int row = 0;
    while (*p >= '0' && *p <= '9') {
        row = row * 10 + (*p - '0');
        if (row > 1048576)
            return -1;
        ++p;
    }
    rowOut = row;
    return col - 1;
}

// ---------------------------------------------------------------- legacy files

bool startsWithOleMagic(const QByteArray &head)
{
    static const char magic[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    return head.size() >= 8 && std::memcmp(head.constData(), magic, 8) == 0;
}

// A password-protected .xlsx is an OLE container holding "EncryptedPackage".
bool isEncryptedPackage(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = f.read(64 * 1024 * 1024);
    const char name[] = "E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0";
    return data.contains(QByteArray(name, sizeof name - 1));
}

QString officeProgram()
{
    for (const char *name : {"soffice", "libreoffice"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

// A new profile makes LibreOffice run its graphics self-tests before any work
// (close to a minute on a slow machine); a profile that has already seen a
// later version skips them.
void prepareProfile(const QString &profileDir)
{
    QDir().mkpath(profileDir + QStringLiteral("/user"));
    QFile settings(profileDir + QStringLiteral("/user/registrymodifications.xcu"));
    if (settings.open(QIODevice::WriteOnly))
        settings.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Setup/Product"><prop oor:name="ooSetupLastVersion" oor:op="fuse"><value>999.9</value></prop></item>
</oor:items>
)");
}

// How often a running conversion is checked against its limit.
constexpr int kConversionTickMs = 250;
// How long a stopped conversion may take to be reaped.
constexpr int kReapMs = 5000;

// Converts the legacy workbook xlsPath (a private copy) to .xlsx in outDir
// with a headless LibreOffice while the user interface keeps running;
// messages name the user's own file. Returns the new file's path.
QString convertLegacyWorkbook(const QString &xlsPath, const QString &outDir, const QString &userPath,
                              const ConversionWatch &watch)
{
    const QString program = officeProgram();
    if (program.isEmpty())
        fail(QStringLiteral(
                     "The workbook %1 is in the old Excel format (.xls), which needs LibreOffice to be "
                     "read, and LibreOffice is not installed. Save the workbook as an Excel Workbook "
                     "(.xlsx) and choose it again.")
                     .arg(shownName(userPath)),
             userPath);
    // A private profile: with the user's own LibreOffice open, a conversion on
    // the shared profile is handed to that instance and silently does nothing.
    // Its URL must be percent-encoded: LibreOffice hangs on a blank in it.
    const QString profileDir = outDir + QStringLiteral("/profile");
    prepareProfile(profileDir);
    QProcess soffice;
    soffice.setProgram(program);
    // The filters named: a file the Excel filter cannot read then fails,
    // instead of being read as text into a sheet of garbage.
    soffice.setArguments({QStringLiteral("-env:UserInstallation=") +
                                  QUrl::fromLocalFile(profileDir).toString(QUrl::FullyEncoded),
                          QStringLiteral("--headless"), QStringLiteral("--infilter=MS Excel 97"),
                          QStringLiteral("--convert-to"), QStringLiteral("xlsx:Calc MS Excel 2007 XML"),
                          QStringLiteral("--outdir"), outDir, xlsPath});
    // LibreOffice's launcher forks the office itself: a process group of its
    // own lets one signal stop both.
    soffice.setChildProcessModifier([] { ::setpgid(0, 0); });

    QEventLoop loop;
    QTimer tick;
    tick.setInterval(kConversionTickMs);
    QElapsedTimer clock;
    bool overTime = false;
    bool stopped = false;
    QObject::connect(&soffice, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        stopped = watch.stopRequested && watch.stopRequested();
        overTime = clock.elapsed() >= watch.limitMs;
        if (stopped || overTime)
            loop.quit();
    });
    clock.start();
    soffice.start();
    if (!soffice.waitForStarted())
        fail(QStringLiteral("LibreOffice could not be started to convert the workbook %1 from the old Excel "
                            "format (.xls): %2")
                     .arg(shownName(userPath), soffice.errorString()),
             userPath);
    const pid_t group = pid_t(soffice.processId());
    tick.start();
    if (soffice.state() != QProcess::NotRunning)
        loop.exec();
    tick.stop();
    // Whatever is left of the group (all of it after the limit, an office
    // process its launcher lost otherwise) is ended, and the launcher reaped.
    // A group id of 0 would be this client's own group.
    if (group > 0)
        ::kill(-group, SIGKILL);
    if (soffice.state() != QProcess::NotRunning) {
        soffice.kill();
        soffice.waitForFinished(kReapMs);
    }
    // Whoever asked to stop needs no message.
    if (stopped)
        throw AppError::reported(AppError(
                ErrNo::Workbook,
                QStringLiteral("The conversion of the workbook %1 was stopped.").arg(shownName(userPath)),
                userPath));
    if (overTime)
        fail(QStringLiteral(
                     "LibreOffice did not finish converting the workbook %1 from the old Excel format "
                     "(.xls) within %2 seconds and was stopped. Save the workbook as an Excel Workbook "
                     "(.xlsx) and choose it again.")
                     .arg(shownName(userPath))
                     .arg(watch.limitMs / 1000),
             userPath);
    const QString converted =
            outDir + QLatin1Char('/') + QFileInfo(xlsPath).completeBaseName() + QStringLiteral(".xlsx");
    if (!QFileInfo::exists(converted))
        fail(QStringLiteral(
                     "The workbook %1 could not be converted from the old Excel format (.xls); it may be "
                     "damaged or protected by a password. Save it as an Excel Workbook (.xlsx) and "
                     "choose it again.")
                     .arg(shownName(userPath)),
             userPath);
    return converted;
}

SheetTable readPackage(const QString &file, const QString &path, const QString &sheetName = QString());

} // namespace

QStringList SheetTable::headings() const
{
    return rows.isEmpty() ? QStringList() : rows.first();
}

SheetTable readActiveSheet(const QString &path, const ConversionWatch &watch)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("The workbook %1 cannot be opened: %2")
                     .arg(path,
                          QFileInfo::exists(path) ? file.errorString() : QStringLiteral("no such file.")),
             path);
    const QByteArray head = file.read(8);
    file.close();

    if (startsWithOleMagic(head)) {
        if (isEncryptedPackage(path))
            fail(QStringLiteral("The workbook %1 is protected by a password. Save it without a password and "
                                "choose it again.")
                         .arg(shownName(path)),
                 path);
        QTemporaryDir tmp;
        if (!tmp.isValid())
            fail(QStringLiteral("No temporary folder for converting %1.").arg(shownName(path)), path);
        // LibreOffice names its output after the input; a copy named .xls
        // keeps a misnamed legacy file from overwriting itself.
        const QString copy = tmp.path() + QStringLiteral("/workbook.xls");
        if (!QFile::copy(path, copy))
            fail(QStringLiteral("The workbook %1 cannot be copied for conversion.").arg(shownName(path)),
                 path);
        const QString converted = convertLegacyWorkbook(copy, tmp.path(), path, watch);
        try {
            return readPackage(converted, path);
        } catch (const AppError &) {
            // The user chose an .xls: a message about .xlsx would mislead.
            fail(QStringLiteral("The workbook %1 could not be converted from the old Excel format (.xls); it "
                                "may be damaged. Save it as an Excel Workbook (.xlsx) and choose it again.")
                         .arg(shownName(path)),
                 path);
        }
    }
    // A zip package is read as .xlsx whatever its name says.
    return readPackage(path, path);
}

SheetTable readNamedSheet(const QString &path, const QString &sheetName)
{
    return readPackage(path, path, sheetName);
}

namespace {

// Reads the package in file; messages name path, the workbook the user chose.
// The sheet read is the active one, or the one named sheetName.
SheetTable readPackage(const QString &file, const QString &path, const QString &sheetName)
{
    Package zip(file, path);
    if (!zip.isOpen())
        fail(QStringLiteral("The file %1 is not an Excel workbook (.xlsx) or is damaged, and cannot be read.")
                     .arg(shownName(path)),
             path);

    // The package's own relationships name the workbook part.
    std::string workbookPart = "xl/workbook.xml";
    if (zip.has("_rels/.rels")) {
        Xml rels;
        rels.text = zip.read("_rels/.rels");
        parse(rels, path, "_rels/.rels");
        for (pugi::xml_node r = rels.doc.document_element().first_child(); r; r = r.next_sibling())
            if (endsWith(r.attribute("Type").value(), "/officeDocument"))
                workbookPart = resolve("", r.attribute("Target").value());
    }
    if (!zip.has(workbookPart))
        fail(QStringLiteral("The file %1 is not an Excel workbook (.xlsx) or is damaged, and cannot be read.")
                     .arg(shownName(path)),
             path);

    Xml book;
    book.text = zip.read(workbookPart);
    parse(book, path, workbookPart);
    const pugi::xml_node wb = book.doc.document_element();
    const bool date1904 = [&] {
        const pugi::xml_attribute a = child(wb, "workbookPr").attribute("date1904");
        return a && (std::strcmp(a.value(), "1") == 0 || std::strcmp(a.value(), "true") == 0);
    }();
    const unsigned activeTab =
            child(child(wb, "bookViews"), "workbookView").attribute("activeTab").as_uint(0);
    std::vector<pugi::xml_node> sheets;
    for (pugi::xml_node s = child(wb, "sheets").first_child(); s; s = s.next_sibling())
        if (named(s, "sheet"))
            sheets.push_back(s);
    if (sheets.empty())
        damaged(path, "no sheets");
    pugi::xml_node active = sheets[activeTab < sheets.size() ? activeTab : 0];
    if (!sheetName.isEmpty()) {
        const auto named = std::find_if(sheets.begin(), sheets.end(), [&](const pugi::xml_node &s) {
            return QString::fromUtf8(s.attribute("name").value()) == sheetName;
        });
        if (named == sheets.end())
            fail(QStringLiteral("The workbook %1 has no sheet %2.").arg(shownName(path), sheetName), path);
        active = *named;
    }
    const std::string activeId = relationshipId(active);

    // The workbook's relationships name the sheet, shared strings and styles.
    const std::string bookDir = folderOf(workbookPart);
    std::string sheetPart, sharedPart, stylesPart;
    {
        const std::string relsPart = relsOf(workbookPart);
        Xml rels;
        rels.text = zip.read(relsPart);
        parse(rels, path, relsPart);
        for (pugi::xml_node r = rels.doc.document_element().first_child(); r; r = r.next_sibling()) {
            const std::string type = r.attribute("Type").value();
            const std::string target = resolve(bookDir, r.attribute("Target").value());
            if (activeId == r.attribute("Id").value())
                sheetPart = target;
            else if (endsWith(type, "/sharedStrings"))
                sharedPart = target;
            else if (endsWith(type, "/styles"))
                stylesPart = target;
        }
    }
    if (sheetPart.empty())
        damaged(path, "the active sheet has no part");
    if (endsWith(sheetPart, "chartsheet") || sheetPart.find("chartsheets/") != std::string::npos)
        fail(QStringLiteral(
                     "The active sheet of %1 is a chart, not a table of cells. Make the sheet with the "
                     "data the active one, save the workbook and choose it again.")
                     .arg(shownName(path)),
             path);

    std::vector<std::string> shared;
    if (!sharedPart.empty() && zip.has(sharedPart)) {
        Xml sst;
        sst.text = zip.read(sharedPart);
        parse(sst, path, sharedPart);
        const pugi::xml_node root = sst.doc.document_element();
        shared.reserve(root.attribute("uniqueCount").as_uint(0));
        for (pugi::xml_node si = root.first_child(); si; si = si.next_sibling())
            if (named(si, "si"))
                shared.push_back(stringItem(si));
    }

    std::vector<NumberKind> styleKinds;
    if (!stylesPart.empty() && zip.has(stylesPart)) {
        Xml styles;
        styles.text = zip.read(stylesPart);
        parse(styles, path, stylesPart);
        const pugi::xml_node root = styles.doc.document_element();
        std::map<int, NumberKind> custom;
        for (pugi::xml_node f = child(root, "numFmts").first_child(); f; f = f.next_sibling())
            if (named(f, "numFmt"))
                custom[f.attribute("numFmtId").as_int()] = customKind(f.attribute("formatCode").value());
        for (pugi::xml_node xf = child(root, "cellXfs").first_child(); xf; xf = xf.next_sibling()) {
            if (!named(xf, "xf"))
                continue;
            const int id = xf.attribute("numFmtId").as_int(0);
            const auto it = custom.find(id);
            styleKinds.push_back(it != custom.end() ? it->second : builtInKind(id));
        }
    }

    Xml sheet;
    sheet.text = zip.read(sheetPart);
    parse(sheet, path, sheetPart);
    const pugi::xml_node data = child(sheet.doc.document_element(), "sheetData");

    std::vector<std::vector<std::string>> grid;
    int width = 0;
    int firstRow = -1;
    int lastRow = -1;
    int rowNumber = 0;
    for (pugi::xml_node row = data.first_child(); row; row = row.next_sibling()) {
        if (!named(row, "row"))
            continue;
        rowNumber = row.attribute("r").as_int(rowNumber + 1);
        if (rowNumber < 1 || rowNumber > 1048576)
            damaged(path, sheetPart + " row number");
        int column = -1;
        for (pugi::xml_node c = row.first_child(); c; c = c.next_sibling()) {
            if (!named(c, "c"))
                continue;
            const pugi::xml_attribute ref = c.attribute("r");
            if (ref) {
                int refRow = 0;
                column = columnOf(ref.value(), refRow);
                if (column < 0)
                    damaged(path, sheetPart + " cell reference " + ref.value());
            } else {
                ++column;
            }
            const pugi::xml_node v = child(c, "v");
            const char *type = c.attribute("t").value();
            std::string text;
            if (std::strcmp(type, "s") == 0) {
                if (!v)
                    continue;
                const unsigned index = v.text().as_uint(~0u);
                if (index >= shared.size())
                    damaged(path, sheetPart + " shared string index");
                text = shared[index];
            } else if (std::strcmp(type, "inlineStr") == 0) {
                const pugi::xml_node is = child(c, "is");
                if (!is)
                    continue;
                text = stringItem(is);
            } else if (!v) {
                continue; // formatted but empty
            } else if (std::strcmp(type, "str") == 0) {
                text = unescapeCellText(v.child_value());
            } else if (std::strcmp(type, "b") == 0) {
                text = std::strcmp(v.child_value(), "0") == 0 ? "FALSE" : "TRUE";
            } else if (std::strcmp(type, "e") == 0) {
                text = v.child_value();
            } else if (std::strcmp(type, "d") == 0) {
                text = isoCellText(v.child_value());
            } else {
                const char *raw = v.child_value();
                while (*raw == ' ')
                    ++raw;
                double value = 0;
                const auto res = std::from_chars(raw, raw + std::strlen(raw), value);
                if (res.ec != std::errc() || !std::isfinite(value)) {
                    text = raw; // not a number after all: keep what is stored
                } else {
                    const unsigned style = c.attribute("s").as_uint(0);
                    const NumberKind kind = style < styleKinds.size() ? styleKinds[style] : NumberKind{};
                    text = kind.date || kind.time ? serialText(value, kind, date1904)
                           : !kind.places.empty() ? placedDigits(value, kind.places)
                                                  : shortestDecimal(value);
                }
            }
            if (text.empty())
                continue;
            const size_t r = size_t(rowNumber - 1);
            if (grid.size() <= r)
                grid.resize(r + 1);
            if (grid[r].size() <= size_t(column))
                grid[r].resize(size_t(column) + 1);
            grid[r][size_t(column)] = std::move(text);
            width = std::max(width, column + 1);
            if (firstRow < 0 || int(r) < firstRow)
                firstRow = int(r);
            lastRow = std::max(lastRow, int(r));
        }
    }

    SheetTable table;
    table.sheetName = QString::fromUtf8(active.attribute("name").value());
    table.width = width;
    if (firstRow < 0)
        return table;
    table.firstRow = firstRow + 1;
    table.rows.reserve(lastRow - firstRow + 1);
    for (int r = firstRow; r <= lastRow; ++r) {
        QStringList cells;
        cells.reserve(width);
        const std::vector<std::string> &source =
                r < int(grid.size()) ? grid[size_t(r)] : std::vector<std::string>();
        for (int col = 0; col < width; ++col)
            cells.append(size_t(col) < source.size() ? QString::fromStdString(source[size_t(col)])
                                                     : QString());
        table.rows.append(std::move(cells));
    }
    return table;
}

} // namespace

QByteArray toCsv(const SheetTable &table)
{
    QByteArray out;
    out.reserve(table.rows.size() * qMax(table.width, 1) * 12);
    for (const QStringList &row : table.rows) {
        for (int col = 0; col < row.size(); ++col) {
            if (col > 0)
                out += ',';
            QByteArray field = row[col].toUtf8();
            if (field.contains('\\'))
                field.replace("\\", "\\\\");
            const bool quoted = field.contains(',') || field.contains('"') || field.contains('\n') ||
                                field.contains('\r');
            if (quoted) {
                field.replace("\"", "\"\"");
                out += '"';
                out += field;
                out += '"';
            } else {
                out += field;
            }
        }
        out += '\n';
    }
    return out;
}

SheetTable saveActiveSheetAsCsv(const QString &workbookPath, const QString &csvPath,
                                const ConversionWatch &watch)
{
    SheetTable table = readActiveSheet(workbookPath, watch);
    const QByteArray csv = toCsv(table);
    QFile out(csvPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(csv) != csv.size() || !out.flush())
        throw AppError(
                ErrNo::FileAccess,
                QStringLiteral("The CSV file %1 cannot be written: %2").arg(csvPath, out.errorString()),
                csvPath);
    return table;
}
