#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

// Start-up checks of the client against the control row.
namespace startup {

// "1.0.3": the display form of the client's version.
QString versionDisplay();
// "103": the comparison form.
QString versionCompare();

// True when the control row asks for a newer client. The comparison is by
// character codes from the left, as text ("11" > "103", "1031" > "103").
bool versionTooOld(const QString &requiredVersion);

// Installation title for a university code ("" for codes not in the table).
QString titleFor(const QString &univCode);

// The date check: both dates as "dd/mm/yyyy"; the time of day does not matter.
bool datesMatch(const QDateTime &serverDate, const QDateTime &localNow);

// What the start-up window does between the steps of its activation.
struct Hooks
{
    std::function<void()> watchdogOn;
    std::function<void()> watchdogOff;
    // The control row gave the installation title (shown in the main window's
    // caption and on the start-up window); the main window is loaded here. Returns false when
    // that load ended the application: start-up then stops at once.
    std::function<bool(const QString &title)> titleKnown;
};

enum class Outcome { Continue, Ended };

// What the start-up window does once shown: pause, open the connection, read
// the control row, check version and date, fill the installation values of
// the sign-in state. Every failure shows its message through the interaction
// seam and ends the application (Outcome::Ended).
Outcome activate(const Hooks &hooks);

} // namespace startup
