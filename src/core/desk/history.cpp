#include "core/desk/history.h"

#include "core/desk/overdue.h"
#include "core/services/database.h"
#include "core/services/sqltext.h"

namespace desk {

GrievanceAge ageOf(const QString &tktid)
{
    const Rows rows = Conn::query(
            QStringLiteral("select timestampdiff(second, g.ftktdate, now()) as fraised, "
                           "timestampdiff(second, %1, now()) as flevel from tkthead g where g.ftktid = %2")
                    .arg(arrivalAtLevelSql(QStringLiteral("g")), sql::number(tktid)),
            1);
    GrievanceAge age;
    if (rows.isEmpty())
        return age;
    bool ok = false;
    const qint64 raised = rows.value(QStringLiteral("fraised")).toLongLong(&ok);
    if (ok)
        age.sinceRaised = raised;
    const qint64 atLevel = rows.value(QStringLiteral("flevel")).toLongLong(&ok);
    if (ok)
        age.atLevel = atLevel;
    return age;
}

QString formatAge(qint64 seconds)
{
    if (seconds < 0)
        return QString();
    const qint64 minutes = seconds / 60;
    const qint64 hours = minutes / 60;
    if (hours >= 24)
        return QStringLiteral("%1 d %2 h").arg(hours / 24).arg(hours % 24);
    if (hours > 0)
        return QStringLiteral("%1 h %2 min").arg(hours).arg(minutes % 60);
    return QStringLiteral("%1 min").arg(minutes);
}

QString historyStatement(const Grievance &g, int limit)
{
    // One index lookup per column and value, each read newest first and cut
    // at the limit, so a sender with thousands of grievances costs no more
    // than one with a few; an OR over the columns would scan the table.
    const QString self = sql::number(g.tktid);
    const QString take = QString::number(limit + 1);
    QStringList lookups;
    const auto lookup = [&](const char *index, const char *column, const QString &value) {
        if (value.trimmed().isEmpty())
            return;
        lookups << QStringLiteral("(select ftktid from tkthead force index (%1) where %2 = %3 and ftktid <> "
                                  "%4 order by ftktid desc limit %5)")
                           .arg(QLatin1String(index), QLatin1String(column), sql::quote(value.trimmed()),
                                self, take);
    };
    lookup("ix_tkthead_mobile", "ftktmobile", g.mobile);
    for (const QString &email : {g.email, g.studEmail}) {
        lookup("ix_tkthead_email", "ftktemail", email);
        lookup("ix_tkthead_studemail", "fstudemail", email);
    }
    if (lookups.isEmpty())
        return QString();
    return QStringLiteral("select h.ftktid, h.ftktdate, h.ftktsub, h.ftktmsg, h.ftktstatus, h.ftktgroup, "
                          "h.ffinaluser from (") +
           lookups.join(QStringLiteral(" union ")) +
           QStringLiteral(") s join tkthead h on h.ftktid = s.ftktid order by h.ftktid desc limit ") + take;
}

SenderHistory senderHistory(const Grievance &g, int limit)
{
    SenderHistory history;
    const QString statement = historyStatement(g, limit);
    if (statement.isEmpty())
        return history;
    const Rows rows = Conn::query(statement);
    for (int i = 0; i < rows.size() && i < limit; ++i) {
        FoundGrievance f;
        f.tktid = rows.value(QStringLiteral("ftktid"), i);
        f.date = rows.dateTime(QStringLiteral("ftktdate"), i);
        f.subject = rows.value(QStringLiteral("ftktsub"), i);
        f.message = rows.value(QStringLiteral("ftktmsg"), i);
        f.status = rows.value(QStringLiteral("ftktstatus"), i);
        f.level = rows.value(QStringLiteral("ftktgroup"), i);
        f.repliedBy = rows.value(QStringLiteral("ffinaluser"), i);
        history.rows.push_back(f);
    }
    history.cut = rows.size() > limit;
    return history;
}

} // namespace desk
