#include "core/desk/lockrelease.h"

#include "core/desk/queue.h"
#include "core/services/database.h"
#include "core/services/sqltext.h"

namespace desk {

QVector<LockedUser> lockedUsers(const QString &levelPrefix)
{
    // The typed text stays a prefix pattern (its own % and _ keep their
    // meaning); only quotes and backslashes are neutralised.
    const Rows rows = Conn::query(QStringLiteral("Select * from masuser where fgroup like '") +
                                  sql::escape(levelPrefix) + QStringLiteral("%' order by fusername"));
    QVector<LockedUser> users;
    users.reserve(rows.size());
    for (int i = 0; i < rows.size(); ++i)
        users.push_back(LockedUser{rows.value(QStringLiteral("fusername"), i),
                                   rows.value(QStringLiteral("ftktid"), i)});
    return users;
}

void releaseUser(const QString &userName)
{
    releaseHeld(userName);
}

} // namespace desk
