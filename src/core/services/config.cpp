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

QString Config::connectionString() const
{
    QString serverPart = QStringLiteral("SERVER=") + server + QLatin1Char(';');
    if (!port.isEmpty())
        serverPart += QStringLiteral("PORT=") + port + QLatin1Char(';');
    serverPart += QStringLiteral("CONN_TIMEOUT=%1;READ_TIMEOUT=%2;WRITE_TIMEOUT=%3;")
                          .arg(dbConnectTimeout)
                          .arg(dbReadTimeout)
                          .arg(dbWriteTimeout);
    return QStringLiteral("DRIVER={MySQL ODBC 3.51 Driver};") + serverPart +
           QStringLiteral("DATABASE=corvane3_tkt;UID=") + user + QStringLiteral(";PWD=") + password +
           QStringLiteral("; OPTION=3");
}
