#include "core/desk/status.h"

#include "core/desk/overdue.h"
#include "core/services/database.h"
#include "core/services/sqltext.h"

#include <cmath>

namespace desk {

QString statusStatement(const QString &level, const QString &user, int overdueHours)
{
    // Three small parts instead of one pass over the whole history:
    //  - every (university, sender) pair present, by a loose scan of the index
    //    (funivcode, ftktuser), so groups without open or replied rows keep
    //    their zero line;
    //  - the open rows at the level, through the queue index, each with the
    //    moment it reached the level (its own trail rows, through their
    //    index: the cost grows with the open rows only);
    //  - today's replies of this user, through the reply index (named, as the
    //    statistics of a freshly filled table can point the planner at the
    //    queue index and its whole closed history instead).
    // The pairs are joined to masuniv after counting, and grouped again by
    // the short name, so duplicate university codes add up as in a plain
    // join of tkthead with masuniv.
    const QString lv = sql::quote(level);
    const QString limit = QStringLiteral("now() - interval %1 hour").arg(overdueHours);
    return QStringLiteral(
                   "select u.funivshort, k.ftktuser, k.funivcode, sum(k.fpending) as fpending, sum(k.freply) "
                   "as freply, sum(k.foverdue) as foverdue, timestampdiff(second, min(k.farrival), now()) "
                   "as foldest "
                   "from (select a.funivcode, if(a.ftktuser<>'Student','College','Student') as ftktuser, "
                   "sum(a.fpending) as fpending, sum(a.freply) as freply, ifnull(sum(a.farrival < ") +
           limit +
           QStringLiteral(
                   "), 0) as foverdue, min(a.farrival) as farrival from ("
                   "select d.funivcode, d.ftktuser, 0 as fpending, 0 as freply, cast(null as datetime) "
                   "as farrival from (select distinct funivcode, ftktuser from tkthead) d "
                   "union all select p.funivcode, p.ftktuser, 1, 0, ") +
           arrivalAtLevelSql(QStringLiteral("p")) + QStringLiteral(" from tkthead p where p.ftktgroup = ") +
           lv +
           QStringLiteral(" and (p.ftktstatus is null or p.ftktstatus <> 'C') "
                          "union all select r.funivcode, r.ftktuser, 0, 1, null from tkthead r force index "
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

StatusSummary statusSummaryFrom(const QString &statement)
{
    const Rows rows = Conn::query(statement);
    StatusSummary summary;
    summary.rows.reserve(rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        StatusRow row{rows.value(QStringLiteral("funivshort"), i), rows.value(QStringLiteral("ftktuser"), i),
                      rows.value(QStringLiteral("funivcode"), i),  rows.value(QStringLiteral("fpending"), i),
                      rows.value(QStringLiteral("freply"), i),     rows.value(QStringLiteral("foverdue"), i),
                      rows.value(QStringLiteral("foldest"), i)};
        summary.pendingTotal += row.pending.toDouble();
        summary.repliedTotal += row.replied.toDouble();
        summary.overdueTotal += row.overdue.toDouble();
        summary.rows.push_back(std::move(row));
    }
    return summary;
}

StatusSummary statusSummary(const QString &level, const QString &user, int overdueHours)
{
    return statusSummaryFrom(statusStatement(level, user, overdueHours));
}

QString formatCount(double value)
{
    if (std::floor(value) == value && std::fabs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15);
}

} // namespace desk
