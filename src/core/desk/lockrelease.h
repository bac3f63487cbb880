#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>

namespace desk {

struct LockedUser
{
    QString userName;
    QString tktid; // "" when the user holds nothing
    // Seconds since the user took the grievance, by the server's clock; -1
    // when nothing is held or the moment is not known (held before the
    // server recorded it).
    qint64 heldSeconds = -1;
};

// How long a grievance has been held, in hours, as the overdue limit counts,
// and minutes ("50:07"); "" for an unknown time.
QString heldForText(qint64 seconds);

// The users whose level begins with `levelPrefix` (as typed), by name; users
// without a level are never listed.
QVector<LockedUser> lockedUsers(const QString &levelPrefix);

// Gives up whatever the user holds; succeeds also when nothing was held.
void releaseUser(const QString &userName);

} // namespace desk
