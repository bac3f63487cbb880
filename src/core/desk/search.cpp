#include "core/desk/search.h"

#include "core/desk/overdue.h"
#include "core/services/database.h"
#include "core/services/errors.h"
#include "core/services/sqltext.h"

#include <QHash>
#include <QPair>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace desk {

namespace {

// InnoDB's default stopword list: an index built while the server used it
// holds none of these, and a required word it does not hold would match
// nothing.
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

// How the full-text index's tokenizer sees a character. Its table is that
// of Unicode 4.0, bar a few; whatever is not known either way is Unsure, and
// no index term is taken next to it.
enum class CharKind { Word, Separator, Unsure };

CharKind indexCharKind(char32_t c)
{
    if (c < 0x80)
        return (QChar::isLetterOrNumber(c) || c == U'_') ? CharKind::Word : CharKind::Separator;
    const bool wordLike = QChar::isLetterOrNumber(c) || QChar::isMark(c);
    if (!wordLike)
        return c == 0x06DE ? CharKind::Unsure : CharKind::Separator;
    const bool known = c <= 0xFFFF && QChar::unicodeVersion(c) <= QChar::Unicode_4_0 && c != 0x02EC &&
                       c != 0x0374 && c != 0x17B4 && c != 0x17B5;
    return known ? CharKind::Word : CharKind::Unsure;
}

// The index's tokens that every text holding `word` as a whole word holds.
// A one-character token before an apostrophe ("o'brien") is not indexed.
QStringList indexTerms(const QString &word, int minTokenSize, int maxTokenSize, bool stopwordsOn)
{
    const QList<uint> chars = word.toUcs4();
    QStringList terms;
    qsizetype i = 0;
    while (i < chars.size()) {
        if (indexCharKind(char32_t(chars[i])) != CharKind::Word) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < chars.size() && indexCharKind(char32_t(chars[end])) == CharKind::Word)
            ++end;
        const qsizetype length = end - i;
        const bool boundedBefore = i == 0 || indexCharKind(char32_t(chars[i - 1])) == CharKind::Separator;
        const bool boundedAfter =
                end == chars.size() || (indexCharKind(char32_t(chars[end])) == CharKind::Separator &&
                                        !(length == 1 && chars[end] == uint('\'')));
        const QString token =
                QString::fromUcs4(reinterpret_cast<const char32_t *>(chars.constData() + i), length);
        if (boundedBefore && boundedAfter && length >= minTokenSize && length <= maxTokenSize &&
            !(stopwordsOn && stopwords().contains(token.toLower())))
            terms << token;
        i = end;
    }
    return terms;
}

// A pattern finding `word` as typed (letter case aside) with no letter,
// mark, digit or underscore right before or after it. The word comes first
// and the character before it is checked behind it: a pattern that opens
// with the word is looked for by its first letter, quicker than trying the
// check at every character.
QString wholeWordPattern(const QString &word)
{
    static const QString notWord = QStringLiteral("[\\p{L}\\p{M}\\p{N}_]");
    QString literal;
    for (const QChar c : word) {
        if (c.unicode() < 0x80 && !c.isLetterOrNumber())
            literal += QLatin1Char('\\');
        literal += c;
    }
    return QStringLiteral("(?i)%2(?<!%1%2)(?!%1)").arg(notWord, literal);
}

// Stored mobiles hold digits only; people type them in groups.
QString typedMobile(const QString &text)
{
    QString mobile = text;
    mobile.remove(QRegularExpression(QStringLiteral("[\\s-]")));
    return mobile;
}

// The newest rows read first; a history this long is read whole at once.
constexpr qlonglong kSample = 5000;
// What the server spends, in microseconds: reading and checking one row;
// one row holding an index term; one row the index finds and is checked.
// Reading newest first while checking only the rows the index holds: each
// row read, and each row holding a term, once, before the first row.
constexpr double kRowReadCost = 2.2;
constexpr double kPostingCost = 0.15;
constexpr double kIndexRowCost = 8;
constexpr double kHeldRowReadCost = 1;
constexpr double kHeldPostingCost = 1;
// A term held by more rows than this narrows the index's answer too little
// for what it costs to look up.
constexpr double kCommonTerm = 20000;

bool isGrievanceNumber(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,10}$"));
    return digits.match(text.trimmed()).hasMatch();
}

// Every column the grid and the detail panel show. University names and
// holders are looked up once per search rather than per row: a lookup per
// row costs more than the search itself on a full list.
const QString kColumns = QStringLiteral(
        "select h.ftktid, h.ftktdate, h.funivcode, if(h.ftktuser<>'Student','College','Student') as fkind, "
        "h.ftktfrom, h.fregno, h.ftktmobile, h.ftktemail, h.fstudemail, h.ftktsub, h.ftktmsg, h.ftktstatus, "
        "h.ftktgroup, h.ffinaluser, h.ffinaldate");
const QString kSelect = kColumns + QStringLiteral(" from tkthead h where ");

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

QString wholeWord(const QString &word)
{
    return QStringLiteral("(h.ftktsub regexp %1 or h.ftktmsg regexp %1)")
            .arg(sql::quote(wholeWordPattern(word)));
}

// What a words search asks: each typed word as a whole word, and the
// full-text index's terms that every such row holds.
struct WordsQuery
{
    QString exact; // SQL condition on h
    QStringList terms;
    bool plainWord = false; // one typed word, itself the one term
};

WordsQuery wordsQuery(const QString &text)
{
    const Rows server = Conn::query(
            QStringLiteral("select @@innodb_ft_min_token_size as fmin, @@innodb_ft_max_token_size as fmax, "
                           "@@innodb_ft_enable_stopword as fstop"));
    const int minTokenSize = server.value(QStringLiteral("fmin")).toInt();
    const int maxTokenSize = server.value(QStringLiteral("fmax")).toInt();
    const bool stopwordsOn = server.value(QStringLiteral("fstop")).toInt() != 0;
    QStringList exact;
    WordsQuery query;
    QSet<QString> seen;
    for (const QString &word : typedWords(text)) {
        if (seen.contains(word.toLower()))
            continue;
        seen.insert(word.toLower());
        exact << wholeWord(word);
        for (const QString &term : indexTerms(word, minTokenSize, maxTokenSize, stopwordsOn))
            if (!query.terms.contains(term, Qt::CaseInsensitive))
                query.terms << term;
    }
    query.exact = exact.join(QStringLiteral(" and "));
    query.plainWord = exact.size() == 1 && query.terms.size() == 1 &&
                      query.terms.first().compare(text.trimmed(), Qt::CaseInsensitive) == 0;
    return query;
}

QString filters(const SearchRequest &request)
{
    QString where;
    if (!request.univCode.isEmpty())
        where += QStringLiteral(" and h.funivcode = ") + sql::quote(request.univCode);
    if (request.status == StatusFilter::Open)
        where += QStringLiteral(" and ifnull(h.ftktstatus,'') in ('', 'A')");
    else if (request.status == StatusFilter::Replied)
        where += QStringLiteral(" and h.ftktstatus = 'C'");
    return where;
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
        return QStringLiteral("h.ftktmobile = ") + sql::quote(typedMobile(text));
    case SearchBy::Email:
        return QStringLiteral("(h.ftktemail = %1 or h.fstudemail = %1)").arg(sql::quote(text));
    case SearchBy::Words:
        break;
    }
    return QString();
}

QString limited(int count)
{
    return QStringLiteral(" order by h.ftktid desc limit %1").arg(count);
}

// Up to kSearchLimit + 1 rows, newest first. The full-text index is quick
// for rare words and slow for common ones (it works through every row that
// holds them), while reading the newest rows finds common words at once.
// The newest kSample rows tell which: how often each index term occurs and
// how many rows match, and so what either way would cost.
QVector<Rows> findWords(const SearchRequest &request)
{
    const WordsQuery words = wordsQuery(request.text);
    const QString exact = words.exact + filters(request);
    // The newest number as the column holds it: an aggregate comes back as
    // a floating-point value, which reads as text like "1e+06".
    const Rows newest =
            Conn::query(QStringLiteral("select ftktid from tkthead order by ftktid desc limit 1"));
    const qlonglong top = newest.isEmpty() ? 0 : newest.value(QStringLiteral("ftktid")).toLongLong();
    const qlonglong sampleBottom = qMax<qlonglong>(1, top - kSample + 1);
    const QString inSample = QStringLiteral("h.ftktid between %1 and %2 and ").arg(sampleBottom).arg(top);
    QVector<Rows> found{Conn::query(kSelect + inSample + exact + limited(kSearchLimit + 1))};
    int count = found.first().size();
    if (count > kSearchLimit || sampleBottom == 1)
        return found;

    double walkCost = double(sampleBottom - 1) * kRowReadCost;
    if (count > 0)
        walkCost = qMin(walkCost, double(kSearchLimit - count) * double(kSample) / count * kRowReadCost);
    QStringList terms;
    bool walkHeld = false;
    if (!words.terms.isEmpty()) {
        // Rows of the older history holding each term, as the sample has it;
        // a plain word's are the rows it matched there.
        const double scale = double(sampleBottom - 1) / double(top - sampleBottom + 1);
        QVector<QPair<double, QString>> held;
        if (words.plainWord && filters(request).isEmpty()) {
            held.append({count * scale, words.terms.first()});
        } else {
            QStringList sums;
            for (const QString &term : words.terms)
                sums << QStringLiteral("sum(%1) as f%2").arg(wholeWord(term)).arg(sums.size());
            const Rows sample = Conn::query(QStringLiteral("select %1 from tkthead h where %2 1")
                                                    .arg(sums.join(QStringLiteral(", ")), inSample));
            for (int i = 0; i < words.terms.size(); ++i)
                held.append(
                        {sample.value(QStringLiteral("f%1").arg(i)).toDouble() * scale, words.terms.at(i)});
        }
        std::sort(held.begin(), held.end());
        // The rarest term, and the others while they cost less than they save.
        double postings = 0;
        for (int i = 0; i < held.size(); ++i) {
            if (i > 0 && held.at(i).first > kCommonTerm)
                break;
            postings += held.at(i).first;
            terms << held.at(i).second;
        }
        const double indexCost = postings * kPostingCost + held.first().first * kIndexRowCost;
        const double walkHeldCost = postings * kHeldPostingCost + walkCost / kRowReadCost * kHeldRowReadCost;
        walkHeld = walkHeldCost < qMin(indexCost, walkCost);
        if (!walkHeld && indexCost >= walkCost)
            terms.clear();
    }
    const QString against = sql::quote(QLatin1Char('+') + terms.join(QStringLiteral(" +")));
    if (walkHeld) {
        // A term held by thousands (a short word): the newest rows read in
        // one go, the whole-word check left to those the index holds. The
        // index is asked once and then only by row (its relevance is above
        // zero exactly for the rows it holds); the server does that when the
        // match is not among the row conditions, hence "having".
        found << Conn::query(
                kColumns +
                QStringLiteral(", match(h.ftktsub, h.ftktmsg) against(%1 in boolean mode) as fheld "
                               "from tkthead h where h.ftktid < %2")
                        .arg(against)
                        .arg(sampleBottom) +
                filters(request) + QStringLiteral(" having fheld > 0 and ") + words.exact +
                limited(kSearchLimit + 1 - count));
        return found;
    }
    if (!terms.isEmpty()) {
        // The index finds its rows in no useful order. Sorting their numbers
        // alone (w) and checking each whole row (h) newest first until the
        // list is full spares the check and the sort of wide rows for all
        // the others.
        found << Conn::query(
                kColumns +
                QStringLiteral(
                        " from tkthead w straight_join tkthead h on h.ftktid = w.ftktid where "
                        "match(w.ftktsub, w.ftktmsg) against(%1 in boolean mode) and w.ftktid < %2 and ")
                        .arg(against)
                        .arg(sampleBottom) +
                exact + QStringLiteral(" order by w.ftktid desc limit %1").arg(kSearchLimit + 1 - count));
        return found;
    }
    qlonglong sliceTop = sampleBottom - 1;
    qlonglong slice = kSample;
    while (sliceTop > 0 && count <= kSearchLimit) {
        slice *= 2;
        const qlonglong bottom = qMax<qlonglong>(1, sliceTop - slice + 1);
        found << Conn::query(kSelect +
                             QStringLiteral("h.ftktid between %1 and %2 and ").arg(bottom).arg(sliceTop) +
                             exact + limited(kSearchLimit + 1 - count));
        count += found.last().size();
        sliceTop = bottom - 1;
    }
    return found;
}

// The open grievances, through the queue index (ftktgroup, ftktstatus,
// ftktid): its levels are read first by a loose scan, so the condition below
// is a handful of ranges of open rows instead of a pass over the replied
// history. False when there is no grievance at all.
bool openAtEveryLevel(QString *condition)
{
    const Rows rows =
            Conn::query(QStringLiteral("select distinct ftktgroup from tkthead order by ftktgroup"));
    QStringList levels;
    bool nullLevel = false;
    for (int i = 0; i < rows.size(); ++i) {
        if (rows.isNull(QStringLiteral("ftktgroup"), i))
            nullLevel = true;
        else
            levels << sql::quote(rows.value(QStringLiteral("ftktgroup"), i));
    }
    if (levels.isEmpty() && !nullLevel)
        return false;
    QStringList level;
    if (!levels.isEmpty())
        level << QStringLiteral("h.ftktgroup in (") + levels.join(QLatin1Char(',')) + QLatin1Char(')');
    if (nullLevel)
        level << QStringLiteral("h.ftktgroup is null");
    *condition = QLatin1Char('(') + level.join(QStringLiteral(" or ")) +
                 QStringLiteral(") and (h.ftktstatus is null or h.ftktstatus in ('', 'A'))");
    return true;
}

// Overdue grievances. Found by number, mobile or e-mail, their own indexes
// narrow most, and the open and waiting tests only filter. Otherwise every
// open grievance is read, and only those: the index is named, as the
// planner would otherwise read the whole history newest first to spare the
// sort, which costs a second on a million rows when few match.
QVector<Rows> findOverdue(const SearchRequest &request)
{
    const QString late = QStringLiteral(" and (h.ftktstatus is null or h.ftktstatus in ('', 'A')) and ") +
                         waitedLongerSql(QStringLiteral("h"), overdueHours());
    const QString text = request.text.trimmed();
    if (!text.isEmpty() && request.by != SearchBy::Words)
        return {Conn::query(kSelect + condition(request) + filters(request) + late +
                            limited(kSearchLimit + 1))};
    QString open;
    if (!openAtEveryLevel(&open))
        return {};
    const QString words = text.isEmpty() ? QString() : QStringLiteral(" and ") + wordsQuery(text).exact;
    return {Conn::query(kColumns + QStringLiteral(" from tkthead h force index (ix_tkthead_queue) where ") +
                        open + filters(request) + late + words + limited(kSearchLimit + 1))};
}

} // namespace

QString checkSearch(const SearchRequest &request)
{
    const QString text = request.text.trimmed();
    if (request.overdueOnly && text.isEmpty())
        return QString();
    switch (request.by) {
    case SearchBy::Number:
        return isGrievanceNumber(text) ? QString() : QStringLiteral("Enter the grievance number in digits.");
    case SearchBy::Mobile:
        return typedMobile(text).isEmpty() ? QStringLiteral("Enter the mobile number.") : QString();
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

    const QVector<Rows> pieces =
            request.overdueOnly ? findOverdue(request)
            : request.by == SearchBy::Words
                    ? findWords(request)
                    : QVector<Rows>{Conn::query(kSelect + condition(request) + filters(request) +
                                                limited(kSearchLimit + 1))};
    SearchResult result;
    int total = 0;
    for (const Rows &rows : pieces)
        total += rows.size();
    result.cut = total > kSearchLimit;
    if (total == 0)
        return result;
    result.rows.reserve(qMin(total, kSearchLimit));
    const QHash<QString, QString> names = universityNames();
    const QHash<qlonglong, QStringList> held = holders();
    for (const Rows &rows : pieces) {
        for (int i = 0; i < rows.size() && result.rows.size() < kSearchLimit; ++i) {
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

} // namespace desk
