#include "core/desk/replytemplates.h"

#include "core/services/database.h"
#include "core/services/errors.h"
#include "core/services/sqltext.h"
#include "core/services/unitofwork.h"

#include <QRegularExpression>
#include <QSet>

namespace replytemplates {

namespace {

const char *const kStudent = "student";
const char *const kNumber = "number";
const char *const kUniversity = "university";

// The server's number for a row that breaks a unique key.
constexpr qint64 kDuplicateKey = 1062;

QVector<Template> read(const QString &where)
{
    const Rows rows = Conn::query(
            QStringLiteral("select freplyid, freplyname, freplytext, ifnull(funivcode, '') as funivcode "
                           "from masreply ") +
            where + QStringLiteral(" order by freplyname, freplyid"));
    QVector<Template> list;
    list.reserve(rows.size());
    for (int i = 0; i < rows.size(); ++i)
        list.push_back(
                {rows.value(QStringLiteral("freplyid"), i), rows.value(QStringLiteral("freplyname"), i),
                 rows.value(QStringLiteral("freplytext"), i), rows.value(QStringLiteral("funivcode"), i)});
    return list;
}

const QRegularExpression &bracedWord()
{
    static const QRegularExpression re(QStringLiteral("\\{([A-Za-z_]+)\\}"));
    return re;
}

QString refusedInput(const Template &t, const QString &name, Field *field)
{
    if (name.isEmpty()) {
        *field = Field::Name;
        return QStringLiteral("Enter the template's name.");
    }
    if (name.toUcs4().size() > kMaxNameLength) { // the column counts characters
        *field = Field::Name;
        return QStringLiteral(
                       "The name \"%1\" is too long: a template's name may hold at most %2 characters.")
                .arg(name)
                .arg(kMaxNameLength);
    }
    *field = Field::Text;
    if (t.text.trimmed().isEmpty())
        return QStringLiteral("Enter the text of \"%1\".").arg(name);
    const qsizetype bytes = t.text.toUtf8().size();
    if (bytes > kMaxTextBytes)
        return QStringLiteral(
                       "The text of \"%1\" is too long: it takes %2 bytes, a template's text at most %3.")
                .arg(name)
                .arg(bytes)
                .arg(kMaxTextBytes);
    const QStringList unknown = unknownPlaceholders(t.text);
    if (!unknown.isEmpty())
        return QStringLiteral("The text of \"%1\" holds %2, which is no placeholder; use %3.")
                .arg(name, unknown.first(), placeholderList());
    *field = Field::None;
    return QString();
}

QString duplicateRefusal(const QString &storedName)
{
    return QStringLiteral("A template named \"%1\" exists already; choose another name.").arg(storedName);
}

} // namespace

QVector<Template> all()
{
    return read(QString());
}

QVector<Template> forUniversity(const QString &univCode)
{
    return read(QStringLiteral("where funivcode is null or funivcode = ") + sql::quote(univCode));
}

QVector<University> universities()
{
    const Rows rows = Conn::query(
            QStringLiteral("select funivcode, funivname from masuniv order by funivname, funivid"));
    QVector<University> list;
    QSet<QString> seen;
    for (int i = 0; i < rows.size(); ++i) {
        const QString code = rows.value(QStringLiteral("funivcode"), i);
        if (!seen.contains(code)) {
            seen.insert(code);
            list.push_back({code, rows.value(QStringLiteral("funivname"), i)});
        }
    }
    return list;
}

QString placeholderList()
{
    return QStringLiteral("{%1}, {%2}, {%3}")
            .arg(QLatin1String(kStudent), QLatin1String(kNumber), QLatin1String(kUniversity));
}

QString fill(const QString &text, const Values &values)
{
    QString out;
    qsizetype from = 0;
    for (auto it = bracedWord().globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString word = m.captured(1).toLower();
        const QString *value = word == QLatin1String(kStudent)      ? &values.student
                               : word == QLatin1String(kNumber)     ? &values.number
                               : word == QLatin1String(kUniversity) ? &values.university
                                                                    : nullptr;
        if (!value)
            continue; // not ours: left as written
        out += QStringView(text).mid(from, m.capturedStart() - from);
        out += value->trimmed();
        from = m.capturedEnd();
    }
    out += QStringView(text).mid(from);
    return out;
}

QStringList unknownPlaceholders(const QString &text)
{
    QStringList unknown;
    for (auto it = bracedWord().globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString word = m.captured(1).toLower();
        if (word != QLatin1String(kStudent) && word != QLatin1String(kNumber) &&
            word != QLatin1String(kUniversity))
            unknown << m.captured(0);
    }
    return unknown;
}

SaveOutcome save(const Template &t)
{
    SaveOutcome outcome;
    const QString name = t.name.trimmed();
    outcome.refusal = refusedInput(t, name, &outcome.field);
    if (!outcome.refusal.isEmpty())
        return outcome;
    const bool adding = t.id.trimmed().isEmpty();
    const QString id = adding ? QString() : sql::number(t.id);
    const QString quotedName = sql::quote(name);
    const QString univ = t.univCode.trimmed().isEmpty() ? QStringLiteral("null") : sql::quote(t.univCode);

    UnitOfWork unit(adding ? QStringLiteral("add reply template") : QStringLiteral("change reply template"));
    unit.onAttempt([&] { outcome = SaveOutcome(); })
            .step(QStringLiteral("name check"),
                  [&] {
                      // The column's collation decides which names are one.
                      const Rows rows = Conn::query(
                              QStringLiteral("select freplyname from masreply where freplyname = ") +
                                      quotedName +
                                      (adding ? QString() : QStringLiteral(" and freplyid <> ") + id),
                              1);
                      if (!rows.isEmpty()) {
                          outcome.refusal = duplicateRefusal(rows.value(QStringLiteral("freplyname")));
                          outcome.field = Field::Name;
                          unit.finish();
                      }
                      return qint64(rows.size());
                  })
            .step(QStringLiteral("write"),
                  [&] {
                      if (adding)
                          return Conn::execute(
                                  QStringLiteral(
                                          "insert into masreply(freplyname, freplytext, funivcode) values(") +
                                  quotedName + QStringLiteral(", ") + sql::quote(t.text) +
                                  QStringLiteral(", ") + univ + QLatin1Char(')'));
                      const qint64 rows =
                              Conn::execute(QStringLiteral("update masreply set freplyname = ") + quotedName +
                                            QStringLiteral(", freplytext = ") + sql::quote(t.text) +
                                            QStringLiteral(", funivcode = ") + univ +
                                            QStringLiteral(" where freplyid = ") + id);
                      if (rows == 0) {
                          outcome.refusal =
                                  QStringLiteral(
                                          "\"%1\" was not saved: the template has been deleted meanwhile.")
                                          .arg(name);
                          unit.finish();
                      }
                      return rows;
                  })
            .committedWhen([&] {
                if (!outcome.refusal.isEmpty())
                    return true; // nothing was written
                const Rows rows = Conn::query(
                        QStringLiteral("select freplytext, ifnull(funivcode, '') as funivcode from masreply "
                                       "where freplyname = ") +
                        quotedName);
                // Compared here, not by the collation, which takes "a" and "A" as equal.
                return !rows.isEmpty() && rows.value(QStringLiteral("freplytext")) == t.text &&
                       rows.value(QStringLiteral("funivcode")) == t.univCode.trimmed();
            });
    try {
        unit.run();
    } catch (const AppError &e) {
        if (e.number() != kDuplicateKey)
            throw;
        // Another administrator stored the name between the check and the write.
        return SaveOutcome{false, QString(), duplicateRefusal(name), Field::Name};
    }
    if (!outcome.refusal.isEmpty())
        return outcome;
    outcome.saved = true;
    outcome.id =
            Conn::query(QStringLiteral("select freplyid from masreply where freplyname = ") + quotedName, 1)
                    .value(QStringLiteral("freplyid"));
    return outcome;
}

bool remove(const QString &id)
{
    return Conn::execute(QStringLiteral("delete from masreply where freplyid = ") + sql::number(id)) > 0;
}

} // namespace replytemplates
