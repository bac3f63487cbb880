#include "core/services/unitofwork.h"

#include "core/services/database.h"
#include "core/services/errors.h"
#include "core/services/handler.h"

namespace {

bool &transactionOpen()
{
    static bool open = false;
    return open;
}

void rollbackQuietly()
{
    try {
        Conn::execute(QStringLiteral("rollback"));
    } catch (const AppError &) {
        // The error that brought us here is the one to report; a link too
        // broken to roll back is rolled back by the server when it closes.
    }
}

} // namespace

// On a cluster the reopened connection may be on another node, which has
// received a commit made on the lost one but perhaps not yet applied it: its
// reads wait for that while this is on. A server without the setting (no
// cluster) needs no wait.
void awaitAppliedCommits(bool on)
{
    try {
        Conn::execute(QStringLiteral("set session wsrep_sync_wait = %1").arg(on ? 1 : 0));
    } catch (const AppError &error) {
        if (error.isGoneAway())
            throw;
    }
}

bool inUnitOfWork()
{
    return transactionOpen();
}

UnitOfWork::UnitOfWork(QString name)
    : m_name(std::move(name))
{}

UnitOfWork &UnitOfWork::step(const QString &name, Step run)
{
    m_steps.push_back(Entry{name, std::move(run)});
    return *this;
}

UnitOfWork &UnitOfWork::committedWhen(std::function<bool()> check)
{
    m_check = std::move(check);
    return *this;
}

UnitOfWork &UnitOfWork::onAttempt(std::function<void()> reset)
{
    m_reset = std::move(reset);
    return *this;
}

UnitOfWork &UnitOfWork::busyOnDeadlock(std::function<void()> busy)
{
    m_busy = std::move(busy);
    return *this;
}

void UnitOfWork::reopen(const AppError &cause)
{
    if (m_replays >= kMaxReplays)
        throw AppError::spent(cause);
    ++m_replays;
    if (!openConnection())
        throw AppError::reported(Conn::lastError());
}

bool UnitOfWork::committedAfterAll()
{
    try {
        awaitAppliedCommits(true);
        const bool committed = m_check();
        awaitAppliedCommits(false);
        return committed;
    } catch (const AppError &error) {
        // The session's reads must not keep waiting on the cluster.
        try {
            awaitAppliedCommits(false);
        } catch (const AppError &) {
        }
        // Whether the commit went through is unknown: report rather than
        // risk applying the unit twice.
        throw AppError::spent(error);
    }
}

QVector<qint64> UnitOfWork::attempt()
{
    m_finished = m_abandoned = false;
    if (m_reset)
        m_reset();
    QVector<qint64> rows(m_steps.size(), -1);
    for (int i = 0; i < m_steps.size() && !m_finished; ++i)
        rows[i] = m_steps[i].run();
    return rows;
}

QVector<qint64> UnitOfWork::run()
{
    Q_ASSERT_X(!transactionOpen(), "UnitOfWork::run", "units do not nest");
    m_replays = 0;
    m_settledByCheck = false;
    for (;;) {
        bool committing = false;
        try {
            Conn::execute(QStringLiteral("start transaction"));
            transactionOpen() = true;
            QVector<qint64> rows = attempt();
            committing = !m_abandoned;
            Conn::execute(m_abandoned ? QStringLiteral("rollback") : QStringLiteral("commit"));
            transactionOpen() = false;
            return rows;
        } catch (const AppError &error) {
            transactionOpen() = false;
            if (error.isGoneAway()) {
                // The server rolled back what it had not committed.
                reopen(error);
                if (committing && m_check && committedAfterAll()) {
                    m_settledByCheck = true;
                    return QVector<qint64>(m_steps.size(), -1);
                }
                continue;
            }
            rollbackQuietly();
            if (error.isDeadlock() && m_busy) {
                m_busy();
                return QVector<qint64>(m_steps.size(), -1);
            }
            if (error.isDeadlock() && m_replays < kMaxReplays) {
                ++m_replays;
                continue;
            }
            throw;
        } catch (...) {
            transactionOpen() = false;
            rollbackQuietly();
            throw;
        }
    }
}
