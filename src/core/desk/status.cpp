#include "core/desk/status.h"

#include "core/desk/overdue.h"
#include "core/services/database.h"
#include "core/services/sqltext.h"

#include <cmath>

namespace desk {

namespace {

QString lineKey(const QString &univShort, const QString &kind, const QString &univCode)
{
    return univShort + QLatin1Char('\x1f') + kind + QLatin1Char('\x1f') + univCode;
}

} // namespace

QString statusStatement(const QString &level, const QString &user)
{
    // Three small parts instead of one pass over the whole history:
    //  - every (university, sender) pair present, by a loose scan of the index
    //    (funivcode, ftktuser), so groups without open or replied rows keep
    //    their zero line;
    //  - the open rows at the level, through the queue index;
    //  - today's replies of this user, through the reply index (named, as the
    //    statistics of a freshly filled table can point the planner at the
    //    queue index and its whole closed history instead).
    // The pairs are joined to masuniv after counting, and grouped again by
    // the short name, so duplicate university codes add up as in a plain
    // join of tkthead with masuniv.
    const QString lv = sql::quote(level);
    return QStringLiteral(
                   "select u.funivshort, k.ftktuser, k.funivcode, sum(k.fpending) as fpending, sum(k.freply) "
                   "as freply "
                   "from (select a.funivcode, if(a.ftktuser<>'Student','College','Student') as ftktuser, "
                   "sum(a.fpending) as fpending, sum(a.freply) as freply from ("
                   "select d.funivcode, d.ftktuser, 0 as fpending, 0 as freply from "
                   "(select distinct funivcode, ftktuser from tkthead) d "
                   "union all select p.funivcode, p.ftktuser, 1, 0 from tkthead p where p.ftktgroup = ") +
           lv +
           QStringLiteral(" and (p.ftktstatus is null or p.ftktstatus <> 'C') "
                          "union all select r.funivcode, r.ftktuser, 0, 1 from tkthead r force index "
                          "(ix_tkthead_reply) "
                          "where r.ffinaluser = ") +
           sql::quote(user) +
           QStringLiteral(" and r.ffinaldate >= curdate() and r.ffinaldate < curdate() + interval 1 day "
                          "and r.ftktgroup = ") +
           lv +
           QStringLiteral(" and r.ftktstatus = 'C') a group by a.funivcode, "
                          "if(a.ftktuser<>'Student','College','Student')) k, masuniv u "
                          "where k.funivcode = u.funivcode group by u.funivshort, k.ftktuser, k.funivcode "
                          "order by k.funivcode, u.funivshort, k.ftktuser");
}

QString overdueStatement(const QString &level, int overdueHours)
{
    // The open rows at the level through the queue index, each with the
    // moment it reached the level (its own trail rows, through their index):
    // the cost grows with the open rows only. Grouped like the summary, so
    // its lines match the summary's one for one.
    return QStringLiteral(
                   "select u.funivshort, k.ftktuser, k.funivcode, sum(k.foverdue) as foverdue, "
                   "timestampdiff(second, min(k.farrival), now()) as foldest from (select a.funivcode, "
                   "if(a.ftktuser<>'Student','College','Student') as ftktuser, ifnull(sum(a.farrival < now() "
                   "- "
                   "interval %1 hour), 0) as foverdue, min(a.farrival) as farrival from (select p.funivcode, "
                   "p.ftktuser, %2 as farrival from tkthead p where p.ftktgroup = %3 and (p.ftktstatus is "
                   "null or p.ftktstatus <> 'C')) a group by a.funivcode, "
                   "if(a.ftktuser<>'Student','College','Student')) k, masuniv u where k.funivcode = "
                   "u.funivcode group by u.funivshort, k.ftktuser, k.funivcode")
            .arg(overdueHours)
            .arg(arrivalAtLevelSql(QStringLiteral("p")), sql::quote(level));
}

OverdueByLine overdueByLine(const QString &level, int overdueHours)
{
    const Rows rows = Conn::query(overdueStatement(level, overdueHours));
    OverdueByLine lines;
    for (int i = 0; i < rows.size(); ++i)
        lines.insert(lineKey(rows.value(QStringLiteral("funivshort"), i),
                             rows.value(QStringLiteral("ftktuser"), i),
                             rows.value(QStringLiteral("funivcode"), i)),
                     {rows.value(QStringLiteral("foverdue"), i), rows.value(QStringLiteral("foldest"), i)});
    return lines;
}

void applyOverdue(StatusSummary &summary, const OverdueByLine &lines)
{
    summary.overdueTotal = 0;
    for (StatusRow &row : summary.rows) {
        const auto found = lines.constFind(lineKey(row.univShort, row.kind, row.univCode));
        // A line with nothing open has no overdue line: none overdue, no age.
        row.overdue = found == lines.constEnd() ? QStringLiteral("0") : found->first;
        row.oldestSeconds = found == lines.constEnd() ? QString() : found->second;
        summary.overdueTotal += row.overdue.toDouble();
    }
}

StatusSummary statusSummaryFrom(const QString &statement)
{
    const Rows rows = Conn::query(statement);
    StatusSummary summary;
    summary.rows.reserve(rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        StatusRow row{rows.value(QStringLiteral("funivshort"), i),
                      rows.value(QStringLiteral("ftktuser"), i),
                      rows.value(QStringLiteral("funivcode"), i),
                      rows.value(QStringLiteral("fpending"), i),
                      rows.value(QStringLiteral("freply"), i),
                      {},
                      {}};
        summary.pendingTotal += row.pending.toDouble();
        summary.repliedTotal += row.replied.toDouble();
        summary.rows.push_back(std::move(row));
    }
    return summary;
}

StatusSummary statusSummary(const QString &level, const QString &user)
{
    return statusSummaryFrom(statusStatement(level, user));
}

StatusSummary statusSummary(const QString &level, const QString &user, int overdueHours)
{
    StatusSummary summary = statusSummary(level, user);
    applyOverdue(summary, overdueByLine(level, overdueHours));
    return summary;
}

QString formatCount(double value)
{
    if (std::floor(value) == value && std::fabs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15);
}

} // namespace desk
