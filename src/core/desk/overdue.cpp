#include "core/desk/overdue.h"

#include "core/desk/trail.h"
#include "core/services/database.h"
#include "core/services/errors.h"
#include "core/services/sqltext.h"

#include <QRegularExpression>

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

QString overdueHoursProblem(const QString &typed)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    const QString text = typed.trimmed();
    const QString range = QStringLiteral("from 1 to %1").arg(kMaxOverdueHours);
    if (!digits.match(text).hasMatch())
        return QStringLiteral("Enter the overdue limit as a whole number of hours, ") + range +
               QLatin1Char('.');
    bool ok = false;
    const qlonglong hours = text.toLongLong(&ok); // too many digits: not ok, and too large
    if (!ok || hours < 1 || hours > kMaxOverdueHours)
        return QStringLiteral("The overdue limit must be ") + range + QStringLiteral(" hours.");
    return QString();
}

void setOverdueHours(const QString &typed)
{
    const QString problem = overdueHoursProblem(typed);
    if (!problem.isEmpty())
        throw AppError(ErrNo::InvalidValue, problem);
    // One statement, so a replay after a dropped connection writes the same.
    Conn::execute(QStringLiteral("insert into massetting(fname, fvalue) values(%1, %2) "
                                 "on duplicate key update fvalue = values(fvalue)")
                          .arg(sql::quote(QString::fromLatin1(kOverdueSetting)),
                               sql::quote(QString::number(typed.trimmed().toInt()))));
}

QString arrivalAtLevelSql(const QString &alias)
{
    return QStringLiteral("coalesce((select max(l.ftkttrandate) from tktdetl l where l.ftktid = %1.ftktid "
                          "and l.ftkttrangroup <> %2), %1.ftktdate)")
            .arg(alias, sql::quote(QString::fromLatin1(kReplyGroup)));
}

QString waitedLongerSql(const QString &alias, int hours)
{
    return arrivalAtLevelSql(alias) + QStringLiteral(" < now() - interval %1 hour").arg(hours);
}

} // namespace desk
