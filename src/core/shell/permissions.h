#pragma once

#include <QString>
#include <QVector>

#include <optional>

// Which menu commands an account may use, fixed once at sign-in.
namespace permissions {

// One item of the main window's menu, in menu order. Numbered items
// ("mnuFile(3)") carry the name without their number ("mnuFile").
struct Control
{
    QString name;
    QString caption; // "-" for a separator
};

enum class Change { Leave, Enable, Disable };

// The account's row of the permission query.
struct Account
{
    QString fusername;
    QString fpermission; // NULL reads as ""
};

// What to do with each item, in the same order. Help, its alternate keys, the
// window list, exit and separators are left as built. For the others the
// permission string is searched for the name (case-sensitive substring): "N2"
// is enabled by "N21*". An account named ADMIN in any case gets everything.
QVector<Change> decide(const QVector<Control> &controls, const Account &account);

// Reads the row of the signed-in user (userName as stored, quote and all).
// No row: std::nullopt. Database errors are thrown.
std::optional<Account> readAccount(const QString &loginUser);

} // namespace permissions
