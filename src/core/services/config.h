#pragma once

#include <QString>

// Built-in configuration. The server, its port, the account and the mail
// relay may be overridden by the environment (GMS_DB_SERVER, GMS_DB_PORT,
// GMS_DB_USER, GMS_DB_PASSWORD, GMS_RELAY) so one build serves deployment and
// tests; there is no settings file.
struct Config
{
    QString server;   // database server host
    QString port;     // empty: the driver's default port
    QString relay;    // mail relay host[:port]
    int relayTimeoutMs = 5000; // longest wait for the relay's answer
    QString user;     // the server account the client signs in with
    QString password; // its password
    QString programDir; // folder of left-over report files and noemail.log

    static Config &instance();

    // The connection string of the one connection.
    QString connectionString() const;
};
