#include "core/desk/search.h"

#include "core/services/database.h"
#include "core/services/errors.h"
#include "core/services/sqltext.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace desk {

namespace {

// InnoDB's default stopword list: the full-text index holds none of these,
// and a required word it does not hold would match nothing.
const QSet<QString> &stopwords()
{
    static const QSet<QString> words = {
            QStringLiteral("a"),    QStringLiteral("about"), QStringLiteral("an"),   QStringLiteral("are"),
            QStringLiteral("as"),   QStringLiteral("at"),    QStringLiteral("be"),   QStringLiteral("by"),
            QStringLiteral("com"),  QStringLiteral("de"),    QStringLiteral("en"),   QStringLiteral("for"),
            QStringLiteral("from"), QStringLiteral("how"),   QStringLiteral("i"),    QStringLiteral("in"),
            QStringLiteral("is"),   QStringLiteral("it"),    QStringLiteral("la"),   QStringLiteral("of"),
            QStringLiteral("on"),   QStringLiteral("or"),    QStringLiteral("that"), QStringLiteral("the"),
            QStringLiteral("this"), QStringLiteral("to"),    QStringLiteral("was"),  QStringLiteral("what"),
            QStringLiteral("when"), QStringLiteral("where"), QStringLiteral("who"),  QStringLiteral("will"),
            QStringLiteral("with"), QStringLiteral("und"),   QStringLiteral("www")};
    return words;
}

QStringList typedWords(const QString &text)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    return text.split(blanks, Qt::SkipEmptyParts);
}

bool isLetterOrDigit(uint c)
{
    return QChar::isLetterOrNumber(c);
}

// A LIKE pattern matching `word` anywhere, its own wildcards and escape
// character taken literally.
QString containing(const QString &word)
{
    QString pattern;
    pattern.reserve(word.size() + 8);
    for (const QChar c : word) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            pattern += QLatin1Char('\\');
        pattern += c;
    }
    return sql::quote(QLatin1Char('%') + pattern + QLatin1Char('%'));
}

bool isGrievanceNumber(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,10}$"));
    return digits.match(text.trimmed()).hasMatch();
}

// Every column the grid and the detail panel show. University names and
// holders are looked up once per search rather than per row: a lookup per
// row costs more than the search itself on a full list.
const QString kSelect = QStringLiteral(
        "select h.ftktid, h.ftktdate, h.funivcode, if(h.ftktuser<>'Student','College','Student') as fkind, "
        "h.ftktfrom, h.fregno, h.ftktmobile, h.ftktemail, h.fstudemail, h.ftktsub, h.ftktmsg, h.ftktstatus, "
        "h.ftktgroup, h.ffinaluser, h.ffinaldate from tkthead h where ");

// The first name of each code in name order, as the desk looks it up.
QHash<QString, QString> universityNames()
{
    const Rows rows =
            Conn::query(QStringLiteral("select funivcode, funivname from masuniv order by funivname"));
    QHash<QString, QString> names;
    for (int i = 0; i < rows.size(); ++i) {
        const QString code = rows.value(QStringLiteral("funivcode"), i);
        if (!names.contains(code))
            names.insert(code, rows.value(QStringLiteral("funivname"), i));
    }
    return names;
}

// Who holds which grievance; the held number is text, compared as a number
// as the desk's statements compare it.
QHash<qlonglong, QStringList> holders()
{
    const Rows rows = Conn::query(QStringLiteral(
            "select fusername, ftktid from masuser where ifnull(ftktid,'') <> '' order by fusername"));
    QHash<qlonglong, QStringList> held;
    for (int i = 0; i < rows.size(); ++i) {
        bool ok = false;
        const qlonglong tktid = rows.value(QStringLiteral("ftktid"), i).trimmed().toLongLong(&ok);
        if (ok)
            held[tktid] << rows.value(QStringLiteral("fusername"), i);
    }
    return held;
}

QString wordsCondition(const QString &text)
{
    const Rows sizes = Conn::query(
            QStringLiteral("select @@innodb_ft_min_token_size as fmin, @@innodb_ft_max_token_size as fmax"));
    const WordPlan plan = planWords(text, sizes.value(QStringLiteral("fmin")).toInt(),
                                    sizes.value(QStringLiteral("fmax")).toInt());
    QStringList parts;
    if (!plan.indexed.isEmpty())
        parts << QStringLiteral("match(h.ftktsub, h.ftktmsg) against(%1 in boolean mode)")
                         .arg(sql::quote(QLatin1Char('+') + plan.indexed.join(QStringLiteral("* +")) +
                                         QLatin1Char('*')));
    for (const QString &word : plan.asTyped)
        parts << QStringLiteral("(h.ftktsub like %1 or h.ftktmsg like %1)").arg(containing(word));
    return parts.join(QStringLiteral(" and "));
}

QString condition(const SearchRequest &request)
{
    const QString text = request.text.trimmed();
    switch (request.by) {
    case SearchBy::Number:
        if (!isGrievanceNumber(text))
            throw AppError(ErrNo::InvalidValue, checkSearch(request));
        return QStringLiteral("h.ftktid = ") + text;
    case SearchBy::Mobile:
        return QStringLiteral("h.ftktmobile = ") + sql::quote(text);
    case SearchBy::Email:
        return QStringLiteral("(h.ftktemail = %1 or h.fstudemail = %1)").arg(sql::quote(text));
    case SearchBy::Words:
        return wordsCondition(text);
    }
    return QString();
}

} // namespace

QString checkSearch(const SearchRequest &request)
{
    const QString text = request.text.trimmed();
    switch (request.by) {
    case SearchBy::Number:
        return isGrievanceNumber(text) ? QString() : QStringLiteral("Enter the grievance number in digits.");
    case SearchBy::Mobile:
        return text.isEmpty() ? QStringLiteral("Enter the mobile number.") : QString();
    case SearchBy::Email:
        return text.isEmpty() ? QStringLiteral("Enter the e-mail address.") : QString();
    case SearchBy::Words:
        return text.isEmpty() ? QStringLiteral("Enter words of the subject or message.") : QString();
    }
    return QString();
}

SearchResult searchGrievances(const SearchRequest &request)
{
    const QString problem = checkSearch(request);
    if (!problem.isEmpty())
        throw AppError(ErrNo::InvalidValue, problem);

    QString where = condition(request);
    if (!request.univCode.isEmpty())
        where += QStringLiteral(" and h.funivcode = ") + sql::quote(request.univCode);
    if (request.status == StatusFilter::Open)
        where += QStringLiteral(" and ifnull(h.ftktstatus,'') in ('', 'A')");
    else if (request.status == StatusFilter::Replied)
        where += QStringLiteral(" and h.ftktstatus = 'C'");

    const Rows rows = Conn::query(kSelect + where +
                                  QStringLiteral(" order by h.ftktid desc limit %1").arg(kSearchLimit + 1));
    SearchResult result;
    result.cut = rows.size() > kSearchLimit;
    const int n = qMin(rows.size(), kSearchLimit);
    result.rows.reserve(n);
    if (n == 0)
        return result;
    const QHash<QString, QString> names = universityNames();
    const QHash<qlonglong, QStringList> held = holders();
    for (int i = 0; i < n; ++i) {
        FoundGrievance g;
        g.tktid = rows.value(QStringLiteral("ftktid"), i);
        g.date = rows.dateTime(QStringLiteral("ftktdate"), i);
        g.univCode = rows.value(QStringLiteral("funivcode"), i);
        g.univName = names.value(g.univCode);
        g.kind = rows.value(QStringLiteral("fkind"), i);
        g.sender = rows.value(QStringLiteral("ftktfrom"), i);
        g.regno = rows.value(QStringLiteral("fregno"), i);
        g.mobile = rows.value(QStringLiteral("ftktmobile"), i);
        g.email = rows.value(QStringLiteral("ftktemail"), i);
        g.studEmail = rows.value(QStringLiteral("fstudemail"), i);
        g.subject = rows.value(QStringLiteral("ftktsub"), i);
        g.message = rows.value(QStringLiteral("ftktmsg"), i);
        g.status = rows.value(QStringLiteral("ftktstatus"), i);
        g.level = rows.value(QStringLiteral("ftktgroup"), i);
        g.holder = held.value(g.tktid.toLongLong()).join(QStringLiteral(", "));
        g.repliedBy = rows.value(QStringLiteral("ffinaluser"), i);
        if (!rows.isNull(QStringLiteral("ffinaldate"), i))
            g.repliedAt = rows.dateTime(QStringLiteral("ffinaldate"), i);
        result.rows.push_back(g);
    }
    return result;
}

QString statusText(const QString &status)
{
    if (status.isEmpty() || status.compare(QLatin1String("A"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Open");
    if (status.compare(QLatin1String("C"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Replied");
    return status;
}

WordPlan planWords(const QString &text, int minTokenSize, int maxTokenSize)
{
    WordPlan plan;
    QSet<QString> seen;
    for (const QString &typed : typedWords(text)) {
        QList<uint> chars = typed.toUcs4();
        const qsizetype typedLength = chars.size();
        while (!chars.isEmpty() && !isLetterOrDigit(chars.first()))
            chars.removeFirst();
        while (!chars.isEmpty() && !isLetterOrDigit(chars.last()))
            chars.removeLast();
        // The index splits words at punctuation in its own way (o'brien,
        // e-mail, a_b); such words are matched as text only. Words it does
        // not hold would match nothing if required.
        const bool indexable = !chars.isEmpty() &&
                               std::all_of(chars.cbegin(), chars.cend(), isLetterOrDigit) &&
                               chars.size() >= minTokenSize && chars.size() <= maxTokenSize;
        const QString core =
                QString::fromUcs4(reinterpret_cast<const char32_t *>(chars.constData()), chars.size());
        if (indexable && !stopwords().contains(core.toLower())) {
            if (!seen.contains(core.toLower())) {
                seen.insert(core.toLower());
                plan.indexed << core;
            }
            if (chars.size() == typedLength)
                continue; // the index's match is the whole condition
        }
        plan.asTyped << typed;
    }
    return plan;
}

} // namespace desk
