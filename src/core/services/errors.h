#pragma once

#include <QString>

#include <exception>
#include <string>

// Error numbers that callers compare against (the start-up and main-window
// handlers test for these values).
namespace ErrNo {
constexpr qint64 LoginRefused = -2147217843; // the server refused the account
constexpr qint64 Unreachable = -2147467259;  // no server answered, or the link failed
constexpr qint64 NoCurrentRow = 3021;        // a field read on a result without rows
constexpr qint64 TypeMismatch = 13;
constexpr qint64 InvalidValue = 5; // a value that may not be spliced into SQL
constexpr qint64 FileAccess = 75;
} // namespace ErrNo

// The one error type of the client: a number and a description, as every
// handler reports them, plus what was being done (for logs and tests).
class AppError : public std::exception
{
public:
    AppError(qint64 number, QString description, QString context = {});

    qint64 number() const { return m_number; }
    const QString &description() const { return m_description; }
    const QString &context() const { return m_context; }

    // True when the server dropped the connection: handlers reopen and retry.
    bool isGoneAway() const;
    // True when the server ended the transaction itself (a deadlock): the
    // unit it belonged to was rolled back whole and may be replayed.
    bool isDeadlock() const { return m_number == 1213; }
    // True when a statement waited for a row lock longer than allowed; only
    // the statement was ended, not the transaction.
    bool isLockWaitTimeout() const { return m_number == 1205; }
    // True when the user has been told already (a failed reopen, reported by
    // openConnection): handlers pass it over silently.
    bool isReported() const { return m_reported; }
    static AppError reported(const AppError &error);
    // True for a dropped connection that a unit of work already replayed as
    // often as it may: handlers report it instead of running the command again.
    bool isSpent() const { return m_spent; }
    static AppError spent(const AppError &error);

    const char *what() const noexcept override { return m_what.c_str(); }

private:
    qint64 m_number;
    QString m_description;
    QString m_context;
    std::string m_what;
    bool m_reported = false;
    bool m_spent = false;
};
