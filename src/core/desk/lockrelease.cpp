#include "core/desk/lockrelease.h"

#include "core/desk/queue.h"
#include "core/services/database.h"
#include "core/services/sqltext.h"

namespace desk {

QVector<LockedUser> lockedUsers(const QString &levelPrefix)
{
    // The typed text stays a prefix pattern (its own % and _ keep their
    // meaning); only quotes and backslashes are neutralised.
    // masuser.fheldsince is kept by the server itself (a trigger in
    // db/central.sql): set when ftktid changes to a grievance, emptied when
    // it is given back, whichever client or statement does it.
    const Rows rows =
            Conn::query(QStringLiteral("Select fusername, ftktid, if(ifnull(ftktid,'') <> '', "
                                       "timestampdiff(second, fheldsince, now()), null) as fheldfor "
                                       "from masuser where fgroup like '") +
                        sql::escape(levelPrefix) + QStringLiteral("%' order by fusername"));
    QVector<LockedUser> users;
    users.reserve(rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        LockedUser user{rows.value(QStringLiteral("fusername"), i), rows.value(QStringLiteral("ftktid"), i)};
        if (!rows.isNull(QStringLiteral("fheldfor"), i))
            user.heldSeconds = qMax<qint64>(0, rows.value(QStringLiteral("fheldfor"), i).toLongLong());
        users.push_back(user);
    }
    return users;
}

QString heldForText(qint64 seconds)
{
    if (seconds < 0)
        return QString();
    const qint64 minutes = seconds / 60;
    return QStringLiteral("%1:%2").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

void releaseUser(const QString &userName)
{
    releaseHeld(userName);
}

} // namespace desk
