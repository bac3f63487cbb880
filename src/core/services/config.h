#pragma once

#include <QString>
#include <QVector>

// Longest waits on the database link, in seconds. A server that accepts the
// connection and then never answers must end as a failed connection or a
// dropped link, not freeze the interface thread.
// Connecting includes the server's greeting; well inside the start-up
// window's one-minute watchdog.
constexpr int kDbConnectTimeoutSeconds = 20;
// One statement's answer, and the sending of one statement or file. The
// slowest statements measured with the import benchmarks answer within 8 s
// (the largest insert, about 2 MB: 1.5 s; a load of 100,000 lines beside
// 1,000,000 stored students: 2.5 s). A statement cut here is taken for a
// dropped link and run again, so the margin is wide, and it is above the
// server's own lock wait (50 s), which then ends a wait with its own error.
constexpr int kDbReadTimeoutSeconds = 300;
constexpr int kDbWriteTimeoutSeconds = 300;

// Built-in configuration. The server, its port, the account and the mail
// relay may be overridden by the environment (GMS_DB_SERVER, GMS_DB_PORT,
// GMS_DB_USER, GMS_DB_PASSWORD, GMS_RELAY) so one build serves deployment and
// tests; there is no settings file.
struct Config
{
    // One entry of the server setting.
    struct Server
    {
        QString host;
        QString port; // empty: the driver's default port
        QString name() const;
    };

    // Database server host, or a comma-separated list of host[:port] tried
    // in order (the nodes of a cluster); `port` serves entries without one.
    QString server;
    QString port;              // empty: the driver's default port
    QString relay;             // mail relay host[:port]
    int relayTimeoutMs = 5000; // longest wait for the relay's answer
    int dbConnectTimeout = kDbConnectTimeoutSeconds;
    int dbReadTimeout = kDbReadTimeoutSeconds;
    int dbWriteTimeout = kDbWriteTimeoutSeconds;
    QString user;       // the server account the client signs in with
    QString password;   // its password
    QString programDir; // folder of left-over report files and noemail.log

    static Config &instance();

    // The entries of `server`, in order; never empty.
    QVector<Server> servers() const;
    // The connection string of the one connection to `to` (default: the first entry).
    QString connectionString() const;
    QString connectionString(const Server &to) const;
};
