#include "core/reports/supervisor.h"

#include "core/desk/trail.h"
#include "core/services/database.h"
#include "core/services/session.h"
#include "core/services/sqltext.h"

#include <QHash>
#include <QStringList>

#include <algorithm>
#include <map>

namespace supervisor {

namespace {

QString dateLiteral(const QDate &day)
{
    return sql::quote(day.toString(QStringLiteral("yyyy-MM-dd")));
}

QString timeLiteral(const QDateTime &when)
{
    return sql::quote(when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

// "{column} >= from and {column} < the day after to": whole days, and the
// column's index serves it.
QString inPeriod(const QString &column, const Period &p)
{
    return column + QStringLiteral(" >= ") + dateLiteral(p.from) + QStringLiteral(" and ") + column +
           QStringLiteral(" < ") + dateLiteral(p.to.addDays(1));
}

QString ofUniversity(const QString &alias, const QString &univCode)
{
    return univCode.isEmpty()
                   ? QString()
                   : QStringLiteral(" and ") + alias + QStringLiteral(".funivcode = ") + sql::quote(univCode);
}

int number(const Rows &rows, const char *column, int row)
{
    return rows.value(QString::fromLatin1(column), row).toInt();
}

// A group's times arrive as one list of seconds (group_concat), so a year's
// figures cross the connection as a few rows instead of one per grievance.
// The session's limit on such a list is raised first; a list cut at the
// limit anyway (the server's packet size) is refused rather than read short.
void allowLongLists()
{
    Conn::execute(QStringLiteral("set session group_concat_max_len = 4294967295"));
}

// The list in `column` of row `row` as hours, its length checked against
// `countColumn`; negative times (a row dated before the grievance was
// raised) are left out.
void collect(const Rows &rows, const char *column, const char *countColumn, int row, QVector<double> *into)
{
    const QString list = rows.value(QString::fromLatin1(column), row);
    const QStringList seconds = list.isEmpty() ? QStringList() : list.split(QLatin1Char(','));
    if (seconds.size() != number(rows, countColumn, row))
        throw AppError(
                ErrNo::InvalidValue,
                QStringLiteral("The period holds more times than the server sends in one list; choose a "
                               "shorter period."),
                QStringLiteral("supervisor's view"));
    for (const QString &s : seconds) {
        const double value = s.toDouble();
        if (value >= 0)
            into->append(value / 3600.0);
    }
}

struct Samples
{
    int received = 0;
    QVector<double> firstAnswer, close;
};

QVector<TimeLine> linesOf(const std::map<QString, Samples> &groups)
{
    QVector<TimeLine> lines;
    for (const auto &[key, samples] : groups) {
        TimeLine line;
        line.key = key;
        line.received = samples.received;
        line.answered = int(samples.firstAnswer.size());
        line.closed = int(samples.close.size());
        line.firstAnswerHours = median(samples.firstAnswer);
        line.closeHours = median(samples.close);
        lines.append(line);
    }
    return lines;
}

} // namespace

Period defaultPeriod(const QDate &today)
{
    return {today.addDays(-29), today, QString()};
}

QString checkPeriod(const Period &period)
{
    if (!period.from.isValid() || !period.to.isValid())
        return QStringLiteral("Enter both dates of the period.");
    if (period.from > period.to)
        return QStringLiteral("The period's first day (%1) is after its last day (%2).")
                .arg(period.from.toString(QStringLiteral("dd/MM/yyyy")),
                     period.to.toString(QStringLiteral("dd/MM/yyyy")));
    return QString();
}

QString ageBandName(int band)
{
    static const char *const names[kAgeBands] = {"Under 1 day", "1-2 days", "2-7 days", "Over 7 days"};
    return QString::fromLatin1(names[band]);
}

int PendingLevel::total() const
{
    int sum = 0;
    for (const int n : counts)
        sum += n;
    return sum;
}

QVector<PendingLevel> pendingNow(const QString &univCode, const QDateTime &now)
{
    // The levels first, by a loose scan of the queue index; then the open
    // grievances of each through the same index, instead of a pass over the
    // whole closed history.
    const Rows levels =
            Conn::query(QStringLiteral("select distinct ftktgroup from tkthead where ftktgroup is not null"));
    QStringList list;
    for (int i = 0; i < levels.size(); ++i)
        list << sql::quote(levels.value(QStringLiteral("ftktgroup"), i));
    const QString levelTest = list.isEmpty() ? QStringLiteral("h.ftktgroup is null")
                                             : QStringLiteral("(h.ftktgroup in (") + list.join(u',') +
                                                       QStringLiteral(") or h.ftktgroup is null)");
    const QString n = timeLiteral(now);
    const Rows rows = Conn::query(
            QStringLiteral(
                    "select ifnull(h.ftktgroup, '') as flevel, "
                    "sum(h.ftktdate > %1 - interval 1 day) as b0, "
                    "sum(h.ftktdate <= %1 - interval 1 day and h.ftktdate > %1 - interval 2 day) as b1, "
                    "sum(h.ftktdate <= %1 - interval 2 day and h.ftktdate > %1 - interval 7 day) as b2, "
                    "sum(h.ftktdate <= %1 - interval 7 day or h.ftktdate is null) as b3 "
                    "from tkthead h where ")
                    .arg(n) +
            levelTest + QStringLiteral(" and (h.ftktstatus is null or h.ftktstatus <> 'C')") +
            ofUniversity(QStringLiteral("h"), univCode) + QStringLiteral(" group by flevel order by flevel"));
    QVector<PendingLevel> pending;
    for (int i = 0; i < rows.size(); ++i) {
        PendingLevel line;
        line.level = rows.value(QStringLiteral("flevel"), i);
        for (int b = 0; b < kAgeBands; ++b)
            line.counts[size_t(b)] = rows.value(QStringLiteral("b%1").arg(b), i).toInt();
        pending.append(line);
    }
    return pending;
}

QVector<DayCount> receivedAndClosed(const Period &period)
{
    QVector<DayCount> days;
    for (QDate d = period.from; d <= period.to; d = d.addDays(1))
        days.append({d, 0, 0});
    const QString univ = ofUniversity(QStringLiteral("h"), period.univCode);
    const Rows received = Conn::query(
            QStringLiteral("select datediff(h.ftktdate, %1) as fday, count(*) as n from tkthead h where ")
                    .arg(dateLiteral(period.from)) +
            inPeriod(QStringLiteral("h.ftktdate"), period) + univ + QStringLiteral(" group by fday"));
    const Rows closed = Conn::query(
            QStringLiteral("select datediff(h.ffinaldate, %1) as fday, count(*) as n from tkthead h where ")
                    .arg(dateLiteral(period.from)) +
            inPeriod(QStringLiteral("h.ffinaldate"), period) + QStringLiteral(" and h.ftktstatus = 'C'") +
            univ + QStringLiteral(" group by fday"));
    for (int i = 0; i < received.size(); ++i)
        days[number(received, "fday", i)].received = number(received, "n", i);
    for (int i = 0; i < closed.size(); ++i)
        days[number(closed, "fday", i)].closed = number(closed, "n", i);
    return days;
}

void answerTimes(const Period &period, QVector<TimeLine> *byLevel, QVector<TimeLine> *byUniversity)
{
    // The grievances received in the period, grouped by level and university;
    // each one's first trail row at or after its raising through the trail's
    // grievance index.
    allowLongLists();
    const Rows rows = Conn::query(
            QStringLiteral(
                    "select flevel, funiv, count(*) as freceived, count(ffirst) as fanswered, "
                    "group_concat(ffirst) as ffirsts, count(fclose) as fclosed, group_concat(fclose) as "
                    "fcloses from (select ifnull(h.ftktgroup, '') as flevel, ifnull(h.funivcode, '') as "
                    "funiv, timestampdiff(second, h.ftktdate, (select min(d.ftkttrandate) from tktdetl d "
                    "where d.ftktid = h.ftktid and d.ftkttrandate >= h.ftktdate)) as ffirst, "
                    "if(h.ftktstatus = 'C' and h.ffinaldate >= h.ftktdate, "
                    "timestampdiff(second, h.ftktdate, h.ffinaldate), null) as fclose "
                    "from tkthead h where ") +
            inPeriod(QStringLiteral("h.ftktdate"), period) +
            ofUniversity(QStringLiteral("h"), period.univCode) +
            QStringLiteral(") g group by flevel, funiv"));
    std::map<QString, Samples> levels, universities;
    for (int i = 0; i < rows.size(); ++i) {
        for (Samples *s : {&levels[rows.value(QStringLiteral("flevel"), i)],
                           &universities[rows.value(QStringLiteral("funiv"), i)]}) {
            s->received += number(rows, "freceived", i);
            collect(rows, "ffirsts", "fanswered", i, &s->firstAnswer);
            collect(rows, "fcloses", "fclosed", i, &s->close);
        }
    }
    *byLevel = linesOf(levels);
    *byUniversity = linesOf(universities);
}

QVector<StaffLine> staffWork(const Period &period)
{
    // Each trail row of the period with the moment its grievance reached the
    // level it was acted on at: the latest forward before the row (fdetlid
    // orders rows of the same second), else the grievance's raising.
    allowLongLists();
    const QString reply = sql::quote(QString::fromLatin1(desk::kReplyGroup));
    const Rows rows = Conn::query(
            QStringLiteral(
                    "select fuser, sum(freply) as freplies, count(*) as frows, count(fheld) as fheldcount, "
                    "group_concat(fheld) as fhelds from (select ifnull(d.ffromuser, '') as fuser, "
                    "d.ftkttrangroup = %1 as freply, "
                    "timestampdiff(second, coalesce((select max(p.ftkttrandate) from tktdetl p where "
                    "p.ftktid = d.ftktid and p.ftkttrangroup <> %1 and (p.ftkttrandate < "
                    "d.ftkttrandate or (p.ftkttrandate = d.ftkttrandate and p.fdetlid < d.fdetlid))), "
                    "h.ftktdate), d.ftkttrandate) as fheld "
                    "from tktdetl d join tkthead h on h.ftktid = d.ftktid where ")
                    .arg(reply) +
            inPeriod(QStringLiteral("d.ftkttrandate"), period) +
            ofUniversity(QStringLiteral("h"), period.univCode) + QStringLiteral(") r group by fuser"));
    std::map<QString, StaffLine> users; // by name, the last sort key
    for (int i = 0; i < rows.size(); ++i) {
        StaffLine &line = users[rows.value(QStringLiteral("fuser"), i)];
        line.replies += number(rows, "freplies", i);
        line.forwards += number(rows, "frows", i) - number(rows, "freplies", i);
        QVector<double> held;
        collect(rows, "fhelds", "fheldcount", i, &held);
        line.heldHours = median(held);
    }
    QVector<StaffLine> staff;
    for (auto &[user, line] : users) {
        line.user = user;
        staff.append(line);
    }
    std::stable_sort(staff.begin(), staff.end(), [](const StaffLine &a, const StaffLine &b) {
        if (a.replies != b.replies)
            return a.replies > b.replies;
        return a.forwards > b.forwards;
    });
    return staff;
}

Figures figures(const Period &period, const QDateTime &now)
{
    Figures f;
    f.period = period;
    f.asOf = now;
    f.pending = pendingNow(period.univCode, now);
    f.days = receivedAndClosed(period);
    answerTimes(period, &f.byLevel, &f.byUniversity);
    f.staff = staffWork(period);
    return f;
}

double median(QVector<double> values)
{
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    const qsizetype mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

QString levelLabel(const QString &level)
{
    return level.isEmpty() ? QStringLiteral("No level") : QStringLiteral("Level ") + level;
}

QString universityLabel(const QString &code)
{
    for (const UnivRow &row : session().universities)
        if (row.code == code)
            return row.shortName.isEmpty() ? code : code + QLatin1Char(' ') + row.shortName;
    return code.isEmpty() ? QStringLiteral("No university") : code;
}

QString cellText(const QVariant &cell)
{
    if (cell.typeId() == QMetaType::Double)
        return QString::number(cell.toDouble(), 'g', 15);
    return cell.toString();
}

} // namespace supervisor
