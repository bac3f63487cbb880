#include "core/services/database.h"

#include "core/services/config.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTcpSocket>

namespace {

const QString kConnName = QStringLiteral("Conn");

AppError &lastErrorRef()
{
    static AppError error(0, QString());
    return error;
}

// Set after a statement failed because the link broke; the connection
// then still claims to be open, so the next statement must not trust it.
bool &linkBroken()
{
    static bool broken = false;
    return broken;
}

const QString kNoCurrentRow = QStringLiteral(
        "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a "
        "current record.");

// MariaDB/MySQL client errors that mean the connection is gone.
bool isDroppedLink(int native)
{
    switch (native) {
    case 2006: // server has gone away
    case 2013: // lost connection during query
    case 2055: // lost connection at reading
    case 5014: // idle timeout (Connector/ODBC)
    case 1927: // connection was killed
    case 4031: // disconnected by the server because of inactivity
        return true;
    default:
        return false;
    }
}

// True unless the server takes the connection and sends no greeting within
// `waitMs`. A refusal counts as true: the driver then fails at once, in its
// own words.
bool greeted(const Config &config, int waitMs, bool processEvents)
{
    QTcpSocket probe;
    probe.connectToHost(config.server, config.port.isEmpty() ? quint16(3306) : config.port.toUShort());
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < waitMs) {
        if (processEvents)
            QCoreApplication::processEvents();
        if (probe.bytesAvailable() > 0 || probe.waitForReadyRead(50))
            return true;
        if (probe.state() == QAbstractSocket::UnconnectedState)
            return true;
    }
    return false;
}

} // namespace

Rows::Rows(QStringList columns, QVector<QVector<QVariant>> data)
    : m_columns(std::move(columns))
    , m_data(std::move(data))
{
    for (int i = 0; i < m_columns.size(); ++i) {
        const QString key = m_columns.at(i).toLower();
        if (!m_index.contains(key)) // of duplicate names the leftmost wins
            m_index.insert(key, i);
    }
}

int Rows::columnIndex(const QString &column) const
{
    const auto it = m_index.constFind(column.toLower());
    if (it == m_index.constEnd())
        throw AppError(3265, QStringLiteral("Item cannot be found in the collection corresponding to the "
                                            "requested name or ordinal: %1")
                                     .arg(column));
    return it.value();
}

void Rows::checkRow(int row) const
{
    if (row < 0 || row >= m_data.size())
        throw AppError(ErrNo::NoCurrentRow, kNoCurrentRow);
}

QVariant Rows::raw(const QString &column, int row) const
{
    checkRow(row);
    return m_data.at(row).at(columnIndex(column));
}

bool Rows::isNull(const QString &column, int row) const
{
    return raw(column, row).isNull();
}

QString Rows::value(const QString &column, int row) const
{
    const QVariant v = raw(column, row);
    if (v.isNull())
        return QString();
    switch (v.typeId()) {
    case QMetaType::QDateTime:
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QTime:
        return v.toTime().toString(QStringLiteral("hh:mm:ss"));
    default:
        return v.toString();
    }
}

QDateTime Rows::dateTime(const QString &column, int row) const
{
    const QVariant v = raw(column, row);
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    if (v.typeId() == QMetaType::QDate)
        return QDateTime(v.toDate(), QTime(0, 0));
    return QDateTime::fromString(v.toString(), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

const AppError &Conn::lastError()
{
    return lastErrorRef();
}

AppError Conn::translate(const QSqlError &error, bool connecting, const QString &context)
{
    const QString text = error.databaseText().trimmed();
    bool nativeOk = false;
    // The driver may report several records ("2013;..."); the first one counts.
    const int native = error.nativeErrorCode().section(QLatin1Char(';'), 0, 0).trimmed().toInt(&nativeOk);

    if (connecting) {
        if (native == 1045 || native == 1044 || native == 1698)
            return AppError(ErrNo::LoginRefused, text, context);
        return AppError(ErrNo::Unreachable, text.isEmpty() ? error.text() : text, context);
    }
    if ((nativeOk && isDroppedLink(native)) || text.isEmpty() || linkBroken()) {
        linkBroken() = true;
        QString description = text.isEmpty() ? QStringLiteral("Lost connection to server") : text;
        if (!description.contains(QLatin1String("gone away")))
            description += QStringLiteral(" (MySQL server has gone away)");
        return AppError(ErrNo::Unreachable, description, context);
    }
    return AppError(nativeOk ? native : ErrNo::Unreachable, text, context);
}

bool Conn::open(Greeting greeting)
{
    // Before the old connection goes: work run while events are processed
    // here still finds a connection, and reopens it itself if it is broken.
    if (greeting != Greeting::Trust) {
        const Config &config = Config::instance();
        const int waitMs = greeting == Greeting::Glance ? 250 : config.dbConnectTimeout * 1000;
        if (!greeted(config, waitMs, greeting == Greeting::AwaitWithEvents)) {
            lastErrorRef() = AppError(ErrNo::Unreachable,
                                      QStringLiteral("The server %1 took the connection but did not answer "
                                                     "within %2 ms")
                                              .arg(config.server)
                                              .arg(waitMs),
                                      QStringLiteral("open"));
            linkBroken() = true;
            return false;
        }
    }
    {
        // A new connection object each time; the old one is dropped.
        if (QSqlDatabase::contains(kConnName)) {
            QSqlDatabase old = QSqlDatabase::database(kConnName, false);
            old.close();
        }
    }
    if (QSqlDatabase::contains(kConnName))
        QSqlDatabase::removeDatabase(kConnName);

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), kConnName);
    if (!db.isValid()) {
        lastErrorRef() =
                AppError(ErrNo::Unreachable, QStringLiteral("The ODBC driver of Qt is not available"),
                         QStringLiteral("open"));
        return false;
    }
    db.setDatabaseName(Config::instance().connectionString());
    linkBroken() = false;
    if (!db.open()) {
        lastErrorRef() = translate(db.lastError(), true, QStringLiteral("open"));
        return false;
    }
    // Units of work read what other clients have committed by the time each
    // statement runs, as every statement did before transactions: a desk that
    // waited for the assignment lock must see the grievance its holder just
    // recorded, not a snapshot taken before the wait.
    QSqlQuery isolation(db);
    if (!isolation.exec(QStringLiteral("set session transaction isolation level read committed"))) {
        lastErrorRef() = translate(isolation.lastError(), true, QStringLiteral("open"));
        db.close();
        return false;
    }
    return true;
}

bool Conn::isOpen()
{
    return QSqlDatabase::contains(kConnName) && QSqlDatabase::database(kConnName, false).isOpen() &&
           !linkBroken();
}

void Conn::close()
{
    if (QSqlDatabase::contains(kConnName)) {
        QSqlDatabase::database(kConnName, false).close();
        QSqlDatabase::removeDatabase(kConnName);
    }
}

namespace {
QSqlDatabase handle()
{
    if (!QSqlDatabase::contains(kConnName))
        throw AppError(ErrNo::Unreachable,
                       QStringLiteral("No connection is open (MySQL server has gone away)"));
    QSqlDatabase db = QSqlDatabase::database(kConnName, false);
    if (!db.isOpen())
        throw AppError(ErrNo::Unreachable,
                       QStringLiteral("The connection is closed (MySQL server has gone away)"));
    return db;
}
} // namespace

Rows Conn::query(const QString &sql, int maxRows)
{
    QSqlDatabase db = handle();
    if (linkBroken())
        throw AppError(ErrNo::Unreachable,
                       QStringLiteral("Lost connection to server (MySQL server has gone away)"), sql);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(sql))
        throw translate(q.lastError(), false, sql);

    const QSqlRecord rec = q.record();
    QStringList columns;
    columns.reserve(rec.count());
    for (int i = 0; i < rec.count(); ++i)
        columns << rec.fieldName(i);

    QVector<QVector<QVariant>> data;
    while ((maxRows < 0 || data.size() < maxRows) && q.next()) {
        QVector<QVariant> row(rec.count());
        for (int i = 0; i < rec.count(); ++i)
            row[i] = q.value(i);
        data.push_back(std::move(row));
    }
    if (q.lastError().isValid() && q.lastError().type() != QSqlError::NoError)
        throw translate(q.lastError(), false, sql);
    return Rows(std::move(columns), std::move(data));
}

qint64 Conn::execute(const QString &sql)
{
    QSqlDatabase db = handle();
    if (linkBroken())
        throw AppError(ErrNo::Unreachable,
                       QStringLiteral("Lost connection to server (MySQL server has gone away)"), sql);
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw translate(q.lastError(), false, sql);
    return q.numRowsAffected();
}

qint64 Conn::connectionId()
{
    return query(QStringLiteral("select connection_id() as id")).value(QStringLiteral("id")).toLongLong();
}
