#include "core/admin/accounts.h"

#include "core/services/database.h"
#include "core/services/session.h"
#include "core/services/sqltext.h"

namespace accounts {

Account lookup(const QString &name)
{
    const Rows rows =
        Conn::query(QStringLiteral("select * from masuser where Fusername =") + sql::quote(name));
    Account a;
    if (rows.isEmpty())
        return a;
    a.found = true;
    a.name = rows.value(QStringLiteral("Fusername"));
    a.section = rows.value(QStringLiteral("Fsection"));
    a.permission = rows.value(QStringLiteral("Fpermission"));
    return a;
}

bool save(const QString &name, const QString &section, const QString &permission)
{
    const QString trimmedName = name.trimmed();
    if (lookup(name).found) {
        Conn::execute(QStringLiteral("Update masuser set FPermission = ") + sql::quote(permission) +
                      QStringLiteral(",fsection=") + sql::quote(section.trimmed()) +
                      QStringLiteral(" where Fusername = ") + sql::quote(trimmedName));
        return false;
    }
    Conn::execute(QStringLiteral("Insert into masuser(fusername,fsection,fpasswd,Fpermission) values (") +
                  sql::quote(trimmedName) + QLatin1Char(',') + sql::quote(section.trimmed()) + QLatin1Char(',') +
                  sql::quote(StoredPassword(name)) + QLatin1Char(',') + sql::quote(permission) +
                  QLatin1Char(')'));
    return true;
}

ChangeResult changePassword(const QString &user, const QString &oldPassword, const QString &newPassword,
                            const QString &confirmation)
{
    const QString who = sql::quote(user.trimmed());
    if (Conn::query(QStringLiteral("select * from masuser where fusername=") + who + QStringLiteral(" and fpasswd=") +
                    sql::quote(StoredPassword(oldPassword)))
            .isEmpty())
        return ChangeResult::InvalidOld;
    if (newPassword.trimmed() != confirmation.trimmed())
        return ChangeResult::Mismatch;
    Conn::execute(QStringLiteral("update masuser set fpasswd = ") + sql::quote(StoredPassword(confirmation)) +
                  QStringLiteral(" where fusername=") + who);
    return ChangeResult::Changed;
}

} // namespace accounts
