#include "core/shell/signin.h"

#include "core/services/database.h"
#include "core/services/session.h"
#include "core/services/sqltext.h"

namespace signin {

QString lookupSql(const QString &typedUser, const QString &typedPassword)
{
    QString user = typedUser;
    user.remove(QLatin1Char('\''));
    // Quotes removed and upper-cased: the form accounts are stored in.
    const QString password = storedPassword(typedPassword);
    return QStringLiteral("Select * from masuser where FUsername='") + sql::escape(user) +
           QStringLiteral("' And FPasswd='") + sql::escape(password) + QStringLiteral("'");
}

std::optional<QString> lookup(const QString &typedUser, const QString &typedPassword)
{
    const Rows rows = Conn::query(lookupSql(typedUser, typedPassword), 1);
    if (rows.isEmpty())
        return std::nullopt;
    // No level (NULL) stays empty: the desk tells the user instead of waiting
    // at a level no grievance is sent to.
    return rows.value(QStringLiteral("fgroup"));
}

} // namespace signin
