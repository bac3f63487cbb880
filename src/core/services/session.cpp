#include "core/services/session.h"

#include "core/services/database.h"
#include "core/services/errors.h"

#include <array>

Session &session()
{
    static Session s;
    return s;
}

void readUniversities()
{
    const Rows rows = Conn::query(QStringLiteral("Select funivcode, funivname, fdbname, funivshort, femailid "
                                                 "from masuniv order by funivname"),
                                  kMaxUniversities);
    if (rows.isEmpty())
        return;
    QVector<UnivRow> list;
    list.reserve(rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        list.push_back(UnivRow{
                rows.value(QStringLiteral("funivcode"), i), rows.value(QStringLiteral("funivname"), i),
                rows.value(QStringLiteral("fdbname"), i), rows.value(QStringLiteral("funivshort"), i),
                rows.value(QStringLiteral("femailid"), i)});
    }
    session().universities = std::move(list);
    session().universitiesRead = true;
}

QString universityName(const QString &code)
{
    Session &s = session();
    if (!s.universitiesRead)
        throw AppError(ErrNo::TypeMismatch, QStringLiteral("Type mismatch"),
                       QStringLiteral("universityName"));
    for (const UnivRow &row : s.universities) {
        if (row.code == code) {
            s.chosenUniversityDb = row.dbName;
            s.chosenUniversityShort = row.shortName;
            s.chosenUniversityEmail = row.email;
            return row.name;
        }
    }
    return QString();
}

namespace {

// Unicode code points of the Windows-1252 bytes 0x80..0x9F (0 where undefined).
constexpr std::array<char16_t, 32> kCp1252High = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int cp1252Code(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < int(kCp1252High.size()); ++i)
        if (kCp1252High[i] != 0 && kCp1252High[i] == u)
            return 0x80 + i;
    return '?';
}

QChar cp1252Char(int code)
{
    if (code >= 0x80 && code <= 0x9F && kCp1252High[code - 0x80] != 0)
        return QChar(kCp1252High[code - 0x80]);
    return QChar(char16_t(code));
}

} // namespace

QString encodePassword(const QString &typed)
{
    const int n = int(typed.size());
    QString upper;
    upper.reserve(n);
    for (const QChar c : typed)
        upper += c.toUpper(); // per character, so the length never changes
    const QString text = upper.trimmed();
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < n && i < text.size(); ++i)
        out += cp1252Char(cp1252Code(text.at(i)) + n);
    return out;
}

QString storedPassword(const QString &typed)
{
    const QString encoded = encodePassword(typed).remove(QLatin1Char('\''));
    QString out;
    out.reserve(encoded.size());
    for (const QChar c : encoded)
        out += c.toUpper(); // per character: the length never changes
    return out;
}

QString passwordProblem(const QString &typed)
{
    for (int i = 0; i < typed.size(); ++i) {
        const QChar upper = typed.at(i).toUpper(); // the character the stored form encodes
        if (upper != QLatin1Char('?') && cp1252Code(upper) == '?') {
            // A character beyond the first plane is named whole, not by half.
            const bool pair = typed.at(i).isHighSurrogate() && i + 1 < typed.size();
            return QStringLiteral("A password may not hold the character \"%1\".")
                    .arg(typed.mid(i, pair ? 2 : 1));
        }
    }
    if (storedPassword(typed).size() > kMaxPasswordLength)
        return QStringLiteral("A password may hold at most %1 characters.").arg(kMaxPasswordLength);
    return QString();
}
