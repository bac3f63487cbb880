#pragma once

#include <QString>
#include <QVector>

namespace desk {

struct LockedUser
{
    QString userName;
    QString tktid; // "" when the user holds nothing
};

// The users whose level begins with `levelPrefix` (as typed), by name; users
// without a level are never listed.
QVector<LockedUser> lockedUsers(const QString &levelPrefix);

// Gives up whatever the user holds; succeeds also when nothing was held.
void releaseUser(const QString &userName);

} // namespace desk
