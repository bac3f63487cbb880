#include "core/services/config.h"

#include <QCoreApplication>

namespace {
QString env(const char *name, const QString &fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}
} // namespace

Config &Config::instance()
{
    static Config config = [] {
        Config c;
        // The defaults are chosen when building (CMake options of the same names).
        c.server = env("GMS_DB_SERVER", QStringLiteral(GMS_DEFAULT_DB_SERVER));
        c.port = env("GMS_DB_PORT", QStringLiteral(GMS_DEFAULT_DB_PORT));
        c.relay = env("GMS_RELAY", QStringLiteral(GMS_DEFAULT_RELAY));
        c.user = env("GMS_DB_USER", QStringLiteral("admin"));
        // Set but empty is a password too: root on the benchmarks' servers has none.
        c.password = qEnvironmentVariableIsSet("GMS_DB_PASSWORD") ? qEnvironmentVariable("GMS_DB_PASSWORD")
                                                                  : QStringLiteral("Brindle5830");
        c.programDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
        return c;
    }();
    return config;
}

QString Config::Server::name() const
{
    return port.isEmpty() ? host : host + QLatin1Char(':') + port;
}

QVector<Config::Server> Config::servers() const
{
    QVector<Server> list;
    for (const QString &part : server.split(QLatin1Char(','))) {
        const QString entry = part.trimmed();
        if (entry.isEmpty())
            continue;
        // "host:port", "[v6 address]:port"; a bare v6 address has several colons and no port.
        const int colon = int(entry.lastIndexOf(QLatin1Char(':')));
        const bool bracketed = entry.startsWith(QLatin1Char('['));
        const bool hasPort = colon > 0 && (bracketed ? entry.at(colon - 1) == QLatin1Char(']')
                                                     : entry.indexOf(QLatin1Char(':')) == colon);
        QString host = hasPort ? entry.left(colon) : entry;
        if (bracketed && host.endsWith(QLatin1Char(']')))
            host = host.mid(1, host.size() - 2);
        list.push_back(Server{host, hasPort ? entry.mid(colon + 1) : port});
    }
    if (list.isEmpty())
        list.push_back(Server{server.trimmed(), port});
    return list;
}

QString Config::connectionString() const
{
    return connectionString(servers().constFirst());
}

QString Config::connectionString(const Server &to) const
{
    QString serverPart = QStringLiteral("SERVER=") + to.host + QLatin1Char(';');
    if (!to.port.isEmpty())
        serverPart += QStringLiteral("PORT=") + to.port + QLatin1Char(';');
    serverPart += QStringLiteral("CONN_TIMEOUT=%1;READ_TIMEOUT=%2;WRITE_TIMEOUT=%3;")
                          .arg(dbConnectTimeout)
                          .arg(dbReadTimeout)
                          .arg(dbWriteTimeout);
    return QStringLiteral("DRIVER={MySQL ODBC 3.51 Driver};") + serverPart +
           QStringLiteral("DATABASE=corvane3_tkt;UID=") + user + QStringLiteral(";PWD=") + password +
           QStringLiteral("; OPTION=3");
}
