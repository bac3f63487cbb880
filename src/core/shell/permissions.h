#pragma once

#include <QString>
#include <QVector>

#include <optional>

// Which menu commands an account may use, fixed once at sign-in.
namespace permissions {

// Items named here (name followed by "*") keep their design-time state:
// help, the alternate-keys array, the window list and exit.
extern const char *const kAlwaysAllowed;

// One control of the main window, in control order. Array items carry their
// bare array name ("mnuFile"), not the index.
struct Control
{
    QString name;
    QString caption;
    bool isMenuItem = true;
};

enum class Change { Leave, Enable, Disable };

// The account's row of the permission query.
struct Account
{
    QString fusername;
    QString fpermission; // NULL reads as ""
};

// What to do with each control, in the same order. The permission string is
// searched for the bare name (case-sensitive substring): "N2" is enabled by
// "N21*". An account named ADMIN in any case gets everything.
QVector<Change> decide(const QVector<Control> &controls, const Account &account);

// Reads the row of the signed-in user (LoginUser as stored, quote and all).
// No row: std::nullopt. Database errors are thrown.
std::optional<Account> readAccount(const QString &loginUser);

} // namespace permissions
