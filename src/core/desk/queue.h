#pragma once

#include <QDateTime>
#include <QString>

// The grievance queue: the assignment lock (control.fstarted = 'T'), the
// grievance each user holds (masuser.ftktid) and the pick of the next one.
namespace desk {

// A desk that has found the lock held on every tick for this long treats it as
// left behind by a client that stopped, and clears it.
constexpr int kStaleLockSeconds = 60;

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
};

// The poll: true when no control row carries the lock flag.
bool lockFree();

// Takes the lock in one statement, so two desks can never both hold it;
// false when another desk has it.
bool takeLock();
void releaseLock();

// Clears a flag left at "T"; used only after the lock was seen held for
// kStaleLockSeconds.
void clearStaleLock();

// True when the user holds any grievance.
bool userHoldsAny(const QString &user);
// True when the user still holds this grievance (an administrator may have
// released it while it was displayed).
bool holdsGrievance(const QString &user, const QString &tktid);

// Gives the user's held grievance back (Refresh, Close, leaving the screen).
void releaseHeld(const QString &user);

// The quoted numbers of the grievances held by everybody but `user`,
// comma-separated; "" when none.
QString heldByOthers(const QString &user);

// The pick as the desk has always written it, and the same pick written so
// the queue index serves it; both return the same row.
QString pickStatementOriginal(const QString &level, const QString &heldList);
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
    AlreadyHolding, // the user holds one already: nothing taken, lock untouched
    LockBusy,       // another desk took the lock first
    Picked,
    NoneWaiting,
};

struct AssignResult
{
    AssignOutcome outcome = AssignOutcome::NoneWaiting;
    Grievance grievance;
};

// One assignment step: held check, lock, exclusion list, pick, hold, release.
// run() may be called again after a dropped connection: it resumes where the
// failed run stopped instead of repeating finished statements. A failure
// after the lock was taken releases it before the error is passed on.
class Assignment
{
public:
    Assignment(QString user, QString level);
    ~Assignment();
    Assignment(const Assignment &) = delete;
    Assignment &operator=(const Assignment &) = delete;

    AssignResult run();
    // The pick statement of the last run (for checking what was sent).
    const QString &lastPickSql() const { return m_pickSql; }

private:
    void tryRelease();

    QString m_user;
    QString m_level;
    bool m_lockHeld = false;
    bool m_picked = false;
    bool m_holdWritten = false;
    AssignResult m_result;
    QString m_pickSql;
};

// A complete assignment step in one call.
AssignResult assignNext(const QString &user, const QString &level);

} // namespace desk
