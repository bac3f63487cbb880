#pragma once

#include <QString>
#include <QVector>

#include <functional>

// A change made of several statements, run as one transaction on the one
// connection, so other clients see all of it or none of it.
//
// The unit is a named list of steps. run() sends "start transaction", the
// steps in order, then "commit". When the server drops the connection
// ("gone away") or ends the transaction itself (a deadlock), it has rolled
// the unfinished transaction back: the runner reopens the connection and
// replays the whole unit from its first step, so nothing is applied twice.
// The one window left, an answer lost for the commit itself, is settled by
// the unit's commit check: on the reopened connection it tells whether the
// unit's effect is already there; only when it is not is the unit replayed.
// Any other error rolls back and is passed on unchanged.
//
// Steps must compute everything they use afresh on every attempt: values a
// step keeps for later steps are reset by the onAttempt callback.
class UnitOfWork
{
public:
    using Step = std::function<qint64()>;

    explicit UnitOfWork(QString name);

    // Adds a step; what it returns is reported as its rows affected.
    UnitOfWork &step(const QString &name, Step run);
    // Tells, on a reopened connection, whether the unit already committed.
    // Without one a lost commit answer replays the unit, which is right only
    // for units whose replay changes nothing more (they say so by omitting it).
    UnitOfWork &committedWhen(std::function<bool()> check);
    // Runs before the first step of every attempt, to reset what steps keep.
    UnitOfWork &onAttempt(std::function<void()> reset);
    // Makes a deadlock (or a cluster's certification conflict) end the run
    // instead of replaying it: the unit is rolled back, `busy` records the
    // outcome and run() returns every step as skipped. For units whose
    // conflict only means "another client was first; try again later".
    UnitOfWork &busyOnDeadlock(std::function<void()> busy);

    // Called from a step: commit what the unit did so far and skip the steps
    // after the current one (a unit that found nothing to do).
    void finish() { m_finished = true; }
    // Called from a step: roll back what the unit did so far and skip the
    // steps after the current one (a unit that found it must change nothing,
    // so not even a lock taken and set free again goes to the server's log).
    void abandon() { m_finished = m_abandoned = true; }

    // Runs the unit. Returns the rows affected by each step (-1 for a step
    // skipped by finish()). Throws AppError: the error of a failed step after
    // rolling back, or, when the connection could not be restored, an error
    // already reported to the user by openConnection.
    QVector<qint64> run();

    const QString &name() const { return m_name; }
    // How many times the last run() replayed the unit.
    int replays() const { return m_replays; }
    // True when the last run() found its effect by the commit check.
    bool settledByCheck() const { return m_settledByCheck; }

    // How many replays a unit gets before the failure is reported.
    static constexpr int kMaxReplays = 3;

private:
    struct Entry
    {
        QString name;
        Step run;
    };

    QVector<qint64> attempt();
    void reopen(const class AppError &cause);
    bool committedAfterAll();

    QString m_name;
    QVector<Entry> m_steps;
    std::function<bool()> m_check;
    std::function<void()> m_reset;
    std::function<void()> m_busy;
    bool m_finished = false;
    bool m_abandoned = false;
    int m_replays = 0;
    bool m_settledByCheck = false;
};

// True while a unit's transaction is open on the connection.
bool inUnitOfWork();

// While on, the session's reads on a cluster node first wait until the node
// has applied every commit the cluster ordered before them; no effect on one
// server. Throws only when the connection is gone.
void awaitAppliedCommits(bool on);
