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

// Passes a grievance to the next level: detail row, level change, held
// grievance given up. run() may be called again after a dropped connection;
// statements that completed in an earlier run are not repeated.
class Forwarding
{
public:
    Forwarding(QString user, QString level, QString tktid, QString remarks);

    ForwardOutcome run();
    // The level the grievance went to (after Forwarded).
    const QString &next() const { return m_next; }

private:
    QString m_user;
    QString m_level;
    QString m_tktid;
    QString m_remarks;
    QString m_next;
    int m_done = 0; // statements of the forward completed so far
};

ForwardOutcome forwardGrievance(const QString &user, const QString &level, const QString &tktid,
                                const QString &remarks);

} // namespace desk
