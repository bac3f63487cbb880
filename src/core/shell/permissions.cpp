#include "core/shell/permissions.h"

#include "core/services/database.h"
#include "core/services/sqltext.h"

namespace permissions {

namespace {
// Items every account keeps, each name followed by "*".
const char *const kAlwaysAllowed = "mnuFilemain*mnuAlt*mnuFile*mnuWindows*NWindow*MnuExit*";
} // namespace

QVector<Change> decide(const QVector<Control> &controls, const Account &account)
{
    const QString always = QString::fromLatin1(kAlwaysAllowed);
    const bool isAdmin = account.fusername.toUpper() == QLatin1String("ADMIN");
    QVector<Change> out;
    out.reserve(controls.size());
    for (const Control &c : controls) {
        if (always.contains(c.name + QLatin1Char('*'), Qt::CaseSensitive) ||
            c.caption == QLatin1String("-")) {
            out.push_back(Change::Leave);
        } else if ((!c.name.isEmpty() && account.fpermission.contains(c.name, Qt::CaseSensitive)) ||
                   isAdmin) {
            out.push_back(Change::Enable);
        } else {
            out.push_back(Change::Disable);
        }
    }
    return out;
}

std::optional<Account> readAccount(const QString &loginUser)
{
    const Rows rows =
            Conn::query(QStringLiteral("Select fusername, fpermission from masuser where fusername = ") +
                                sql::quote(loginUser),
                        1);
    if (rows.isEmpty())
        return std::nullopt;
    return Account{rows.value(QStringLiteral("fusername")), rows.value(QStringLiteral("fpermission"))};
}

} // namespace permissions
