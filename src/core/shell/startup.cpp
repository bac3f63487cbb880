#include "core/shell/startup.h"

#include "core/services/database.h"
#include "core/services/handler.h"
#include "core/services/interaction.h"
#include "core/services/session.h"

#include <vector>

namespace startup {

QString versionDisplay()
{
    return QStringLiteral("%1.%2.%3").arg(GMS_VERSION_MAJOR).arg(GMS_VERSION_MINOR).arg(GMS_VERSION_REVISION);
}

QString versionCompare()
{
    return QStringLiteral("%1%2%3").arg(GMS_VERSION_MAJOR).arg(GMS_VERSION_MINOR).arg(GMS_VERSION_REVISION);
}

bool versionTooOld(const QString &requiredVersion)
{
    return QString::compare(requiredVersion, versionCompare(), Qt::CaseSensitive) > 0;
}

QString titleFor(const QString &univCode)
{
    if (univCode == QLatin1String("999"))
        return QStringLiteral("Corvane");
    if (univCode == QLatin1String("003"))
        return QStringLiteral("Marlowe University");
    if (univCode == QLatin1String("041"))
        return QStringLiteral("Tessaly Central University");
    if (univCode == QLatin1String("042"))
        return QStringLiteral("Tessaly North University");
    if (univCode == QLatin1String("027"))
        return QStringLiteral("Orrin Vale University, Dunmere");
    return QString();
}

bool datesMatch(const QDateTime &serverDate, const QDateTime &localNow)
{
    const QString format = QStringLiteral("dd/MM/yyyy");
    return serverDate.toString(format) == localNow.toString(format);
}

namespace {

enum class Next { Step, End, Done };

// Reports a failed start-up step; returns whether the next step still runs.
Next handle(const AppError &error)
{
    if (error.number() == ErrNo::LoginRefused) {
        msgBox(formatError(ErrorStyle::NumberTwoBlanks, error));
        return Next::End;
    }
    if (error.number() == ErrNo::Unreachable) {
        msgBox(QStringLiteral("Change the Connection String"), Icon::Information);
        return Next::End;
    }
    if (error.description().contains(QLatin1String("Cannot open backup device")) ||
        error.description().contains(
                QLatin1String("[Microsoft][ODBC SQL Server Driver]Query timeout expired"))) {
        msgBox(QStringLiteral("First Backup failed!!. System will continue for login"), Icon::Critical);
        return Next::Step;
    }
    msgBox(formatError(ErrorStyle::NumberTwoBlanks, error));
    return Next::End;
}

Outcome end()
{
    ui().endApplication(0);
    return Outcome::Ended;
}

} // namespace

Outcome activate(const Hooks &hooks)
{
    ui().pause(1000);
    if (hooks.watchdogOn)
        hooks.watchdogOn();
    // The start-up window keeps painting while a hung server is awaited.
    if (!openConnection(Conn::Greeting::AwaitWithEvents))
        return end();
    if (hooks.watchdogOff)
        hooks.watchdogOff();

    Session &s = session();
    Rows control;
    bool stop = false;
    bool endedByHook = false;
    // Each step may fail on its own; handle() decides whether the next one
    // still runs.
    const std::vector<std::function<void()>> steps = {
            [&] {
                control = Conn::query(QStringLiteral("select *, sysdate() as fserverdate from control"));
                if (control.isEmpty())
                    msgBox(QStringLiteral("Error in control table"));
            },
            [&] { s.installationCode = control.value(QStringLiteral("FUnivCode")).trimmed(); },
            [&] {
                if (versionTooOld(control.value(QStringLiteral("ftktversion")))) {
                    msgBox(QStringLiteral("Version Mismatch!!. Install latest software."), Icon::Critical);
                    stop = true;
                }
            },
            [&] { s.installationTitle = titleFor(s.installationCode); },
            [&] {
                if (hooks.titleKnown && !hooks.titleKnown(s.installationTitle))
                    endedByHook = true;
            },
            [&] {
                s.installationAddress1 = control.value(QStringLiteral("FUnivAdd1"));
                s.installationAddress2 = control.value(QStringLiteral("FUnivAdd2"));
                s.installationAddress3 = control.value(QStringLiteral("FUnivAdd3"));
                s.installationAddress4 = control.value(QStringLiteral("FUnivAdd4"));
            },
            [&] {
                s.serverDate = control.dateTime(QStringLiteral("fserverdate"));
                if (!datesMatch(s.serverDate, ui().now())) {
                    msgBox(QStringLiteral("System Date is not Matching with the Server Date"),
                           Icon::Exclamation);
                    stop = true;
                }
            },
    };
    for (const auto &step : steps) {
        try {
            step();
        } catch (const AppError &error) {
            if (handle(error) == Next::End)
                return end();
        }
        if (endedByHook)
            return Outcome::Ended;
        if (stop)
            return end();
    }
    return Outcome::Continue;
}

} // namespace startup
