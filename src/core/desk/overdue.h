#pragma once

#include <QString>

namespace desk {

// Hours a grievance may wait at a level before it counts as overdue, when the
// administrator has set none.
inline constexpr int kDefaultOverdueHours = 48;

// The name of the overdue limit's row in massetting.
inline constexpr char kOverdueSetting[] = "overdue_hours";

// The overdue limit in hours as stored; the default when no row holds a whole
// number of at least one hour. Throws AppError when the read fails.
int overdueHours();

// SQL for the moment grievance `alias` (a tkthead alias) reached the level it
// is at: its latest forward in the trail, else the moment it was raised.
// Replies do not move a grievance, so their rows do not count.
QString arrivalAtLevelSql(const QString &alias);

} // namespace desk
