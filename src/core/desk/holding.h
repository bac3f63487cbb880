#pragma once

#include <QString>

namespace desk {

// Shown when a user acts on a grievance that an administrator released
// meanwhile (another user may already be handling it).
extern const char *const kNoLongerHeldMessage;

// True when `user` still holds grievance `tktid`.
bool holdsGrievance(const QString &user, const QString &tktid);

} // namespace desk
