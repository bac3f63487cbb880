#include "core/desk/overdue.h"

#include "core/desk/trail.h"
#include "core/services/database.h"
#include "core/services/sqltext.h"

namespace desk {

int overdueHours()
{
    const Rows rows = Conn::query(QStringLiteral("select fvalue from massetting where fname = ") +
                                  sql::quote(QString::fromLatin1(kOverdueSetting)));
    if (rows.isEmpty())
        return kDefaultOverdueHours;
    bool ok = false;
    const int hours = rows.value(QStringLiteral("fvalue")).trimmed().toInt(&ok);
    return ok && hours >= 1 ? hours : kDefaultOverdueHours;
}

QString arrivalAtLevelSql(const QString &alias)
{
    return QStringLiteral("coalesce((select max(l.ftkttrandate) from tktdetl l where l.ftktid = %1.ftktid "
                          "and l.ftkttrangroup <> %2), %1.ftktdate)")
            .arg(alias, sql::quote(QString::fromLatin1(kReplyGroup)));
}

} // namespace desk
