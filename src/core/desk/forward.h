#pragma once

#include <QString>

namespace desk {

enum class ForwardOutcome {
    Forwarded,
    NoGrievance,  // the desk shows no grievance number
    NotHeld,      // released by an administrator meanwhile: nothing written
    NoMoreLevels, // the user is at the smallest level: nothing written
};

// The next level below `level`: the greatest account level smaller than it;
// "" when there is none.
QString nextLevel(const QString &level);

// Passes a grievance to the next level as one transaction: detail row, level
// change, held grievance given up. `next`, when given, receives the level it
// went to.
ForwardOutcome forwardGrievance(const QString &user, const QString &level, const QString &tktid,
                                const QString &remarks, QString *next = nullptr);

} // namespace desk
