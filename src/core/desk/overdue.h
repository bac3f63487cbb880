#pragma once

#include <QString>

namespace desk {

// Hours a grievance may wait at a level before it counts as overdue, when the
// administrator has set none.
inline constexpr int kDefaultOverdueHours = 48;

// The name of the overdue limit's row in massetting.
inline constexpr char kOverdueSetting[] = "overdue_hours";

// The largest limit the administrator may set: a year. A grievance waiting
// longer than that at one level is lost rather than late, and a larger value
// is far more likely a slip of the keyboard than meant.
inline constexpr int kMaxOverdueHours = 8760;

// The overdue limit in hours as stored; the default when no row holds a whole
// number of at least one hour. Throws AppError when the read fails.
int overdueHours();

// "" when `typed` is a whole number of hours the limit may take (surrounding
// blanks aside), else the message telling the administrator what to type.
QString overdueHoursProblem(const QString &typed);

// Stores the typed limit in one statement, adding its row or changing it.
// Throws AppError for a value overdueHoursProblem refuses, or when the write
// fails.
void setOverdueHours(const QString &typed);

// SQL for the moment grievance `alias` (a tkthead alias) reached the level it
// is at: its latest forward in the trail, else the moment it was raised.
// Replies do not move a grievance, so their rows do not count.
QString arrivalAtLevelSql(const QString &alias);

// SQL true when grievance `alias` has waited at its level longer than `hours`
// by the server's clock (exactly the limit is not yet overdue). Says nothing
// of its status.
QString waitedLongerSql(const QString &alias, int hours);

} // namespace desk
