#pragma once

#include "core/desk/queue.h"
#include "core/desk/search.h"

#include <QString>
#include <QVector>

// What the desk reads about a grievance once it is picked: how long it has
// waited, and the sender's other grievances.
namespace desk {

// Seconds by the server's clock since the grievance was raised and since it
// reached its level; -1 where the date is unknown.
struct GrievanceAge
{
    qint64 sinceRaised = -1;
    qint64 atLevel = -1;
};

GrievanceAge ageOf(const QString &tktid);

// A wait as the desk shows it: "3 d 4 h", "5 h 12 min", "7 min"; "" for -1.
QString formatAge(qint64 seconds);

inline constexpr int kHistoryLimit = 50;

struct SenderHistory
{
    // Newest number first; number, date, subject, message, status, level and
    // who replied filled in.
    QVector<FoundGrievance> rows;
    bool cut = false; // more than the limit matched
};

// The sender's other grievances: the same mobile number, or an e-mail address
// equal to either of `g`'s in either e-mail column. Blank values match
// nothing; `g` itself is left out. "" when nothing can match.
QString historyStatement(const Grievance &g, int limit);
SenderHistory senderHistory(const Grievance &g, int limit = kHistoryLimit);

} // namespace desk
