#pragma once

#include <QDateTime>
#include <QString>

// The grievance queue: the assignment lock (control.fstarted = 'T'), the
// grievance each user holds (masuser.ftktid) and the pick of the next one.
namespace desk {

// A desk that has found the lock held on every tick for this long treats it as
// left behind by a client that stopped, and clears it.
constexpr int kStaleLockSeconds = 60;

// How long the pick waits for a desk that is inside its own pick. A pick
// lasts milliseconds; a longer wait means the other desk hangs with its
// transaction open, and this tick gives up as if the lock were busy rather
// than freeze the screen (the server's default wait is 50 s).
constexpr int kLockWaitSeconds = 1;

// A grievance's university as found when it was picked. A code missing from
// the university list gives no database and no mail address.
struct University
{
    QString code;
    QString name;
    QString db;
    QString shortName;
    QString email;
    bool known = false;

    // "{code} - {name}", as the desk and the reply show it.
    QString text() const { return code + QStringLiteral(" - ") + name; }
};

// Looks the code up in the university list and makes it the selected
// university; an unknown code clears the selection instead of leaving the
// previous university's database and mail address in place.
University selectUniversity(const QString &code);

// One grievance as the desk shows it; every value as text, NULL as "".
struct Grievance
{
    QString tktid;
    QDateTime date;
    QString regno;
    QString from;
    QString email;
    QString studEmail;
    QString subject;
    QString message;
    QString kind; // "Student" or "College"
    QString mode;
    QString mobile;
    QString univCode;
    QString status;
    QString deleted;
    University univ; // filled by the desk when it shows the grievance
};

// The poll: true when no control row carries the lock flag.
bool lockFree();

// Clears a flag left at "T"; used only after the lock was seen held for
// kStaleLockSeconds.
void clearStaleLock();

// True when the user still holds this grievance (an administrator may have
// released it while it was displayed).
bool holdsGrievance(const QString &user, const QString &tktid);

// Gives the user's held grievance back (Refresh, Close, leaving the screen).
void releaseHeld(const QString &user);

struct Holders
{
    bool userHoldsOne = false;
    // The quoted numbers of the grievances held by everybody but the user,
    // comma-separated; "" when none.
    QString othersList;
};

// Whether `user` holds a grievance, and what everybody else holds.
Holders readHolders(const QString &user);

// The next grievance at `level` not in `heldList`, written so the queue
// index (ftktgroup, ftktstatus, ftktid) serves it.
QString pickStatement(const QString &level, const QString &heldList);

// Counts consecutive ticks that found the lock held, by the clock of the
// interaction seam.
class StaleLockWatch
{
public:
    // Records one tick; true when the lock has been held on every tick for
    // kStaleLockSeconds (the watch then starts afresh).
    bool heldTooLong(bool held, const QDateTime &now);

private:
    QDateTime m_firstHeld;
};

enum class AssignOutcome {
    AlreadyHolding, // the user holds one already: nothing taken, the lock rolled back
    LockBusy,       // another desk has the lock (or kept it past kLockWaitSeconds)
    Picked,
    NoneWaiting,
};

struct AssignResult
{
    AssignOutcome outcome = AssignOutcome::NoneWaiting;
    Grievance grievance;
};

// One assignment step: held check, lock, exclusion list, pick, hold, release,
// as one transaction. The lock is taken by the transaction's update and set
// free again before its commit, so other desks never see a committed "T"
// from this client, and a desk that dies mid-pick leaves none: the server
// rolls the pick back. Desks that keep the flag without transactions still
// wait on the same control row.
AssignResult assignNext(const QString &user, const QString &level);

} // namespace desk
