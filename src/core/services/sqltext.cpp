#include "core/services/sqltext.h"

#include "core/services/errors.h"

#include <QRegularExpression>

namespace sql {

QString escape(const QString &value)
{
    QString out;
    out.reserve(value.size() + 8);
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\'':
            out += QLatin1String("''");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case 0:
            out += QLatin1String("\\0");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString quote(const QString &value)
{
    return QLatin1Char('\'') + escape(value) + QLatin1Char('\'');
}

QString number(const QString &value)
{
    static const QRegularExpression re(QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)$"));
    const QString trimmed = value.trimmed();
    if (!re.match(trimmed).hasMatch())
        throw AppError(ErrNo::InvalidValue, QStringLiteral("Invalid number: '%1'").arg(value));
    return trimmed;
}

QString identifier(const QString &value)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z0-9_$]{1,64}$"));
    if (!re.match(value).hasMatch())
        throw AppError(ErrNo::InvalidValue, QStringLiteral("Invalid database name: '%1'").arg(value));
    return value;
}

QString table(const QString &db, const QString &tableName)
{
    return identifier(db) + QLatin1Char('.') + tableName;
}

} // namespace sql
