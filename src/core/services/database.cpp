#include "core/services/database.h"

#include "core/services/config.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <vector>

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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

Config::Server &currentServer()
{
    static Config::Server server;
    return server;
}

// Whether the current connection's server replicates through Galera; unknown
// until asked, again after every open.
std::optional<bool> &clusterNode()
{
    static std::optional<bool> node;
    return node;
}

// How long a server earlier in the list may stay silent once a later one has
// greeted: as long as a glance.
constexpr int kGraceMs = 250;

// A connection that waits for a server's greeting without blocking, so all
// entries of a list are tried at once. Plain sockets and poll(): a Qt socket
// waited on without an event loop gives up its connection attempt when a
// short wait ends, taking a far server for a refusing one.
class GreetingProbe
{
public:
    explicit GreetingProbe(const Config::Server &server)
    {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo *found = nullptr;
        const QByteArray port = server.port.isEmpty() ? QByteArray("3306") : server.port.toLatin1();
        if (getaddrinfo(server.host.toUtf8().constData(), port.constData(), &hints, &found) != 0)
            return; // an unknown host counts as refused
        m_fd = socket(found->ai_family, found->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                      found->ai_protocol);
        if (m_fd >= 0 && ::connect(m_fd, found->ai_addr, found->ai_addrlen) != 0 && errno != EINPROGRESS)
            closeProbe();
        freeaddrinfo(found);
        m_pending = m_fd >= 0;
    }
    ~GreetingProbe() { closeProbe(); }
    GreetingProbe(const GreetingProbe &) = delete;
    GreetingProbe &operator=(const GreetingProbe &) = delete;

    bool pending() const { return m_pending; }
    bool greeted() const { return m_greeted; }
    pollfd request() const { return pollfd{m_pending ? m_fd : -1, POLLIN, 0}; }
    // Reads what poll() said: the first bytes are the greeting; an error or a
    // close before them is a refusal.
    void settle(const pollfd &answer)
    {
        if (!m_pending || answer.revents == 0)
            return;
        char byte = 0;
        m_greeted = (answer.revents & POLLIN) && recv(m_fd, &byte, 1, MSG_PEEK) > 0;
        m_pending = false;
    }

private:
    void closeProbe()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    int m_fd = -1;
    bool m_pending = false;
    bool m_greeted = false;
};

// Which of `servers` (from `from` on) to connect to: the first in order that
// sends its greeting within `waitMs`. One that refuses is passed over at once,
// one still silent after a later one greeted for kGraceMs too. When none
// greeted, returns the first entry (all refused: the driver then fails at
// once, in its own words) or -1, with `silent` the first that took the
// connection, or is still taking it, and said nothing.
int firstGreeting(const QVector<Config::Server> &servers, int from, int waitMs, bool processEvents,
                  int *silent)
{
    std::vector<std::unique_ptr<GreetingProbe>> probes;
    for (int i = from; i < servers.size(); ++i)
        probes.push_back(std::make_unique<GreetingProbe>(servers.at(i)));
    QElapsedTimer waited;
    waited.start();
    qint64 firstGreetedAt = -1;
    for (;;) {
        int answered = -1;
        bool earlierSilent = false;
        for (int i = 0; i < int(probes.size()) && answered < 0; ++i) {
            if (probes[i]->greeted())
                answered = i;
            else if (probes[i]->pending())
                earlierSilent = true;
        }
        if (answered >= 0 && firstGreetedAt < 0)
            firstGreetedAt = waited.elapsed();
        if (answered >= 0 && (!earlierSilent || waited.elapsed() - firstGreetedAt >= kGraceMs))
            return from + answered;
        if (answered < 0 && !earlierSilent)
            return from;
        if (waited.elapsed() >= waitMs)
            break;
        if (processEvents)
            QCoreApplication::processEvents();
        std::vector<pollfd> requests;
        for (const auto &probe : probes)
            requests.push_back(probe->request());
        const qint64 left = std::min<qint64>(waitMs - waited.elapsed(), 50);
        if (poll(requests.data(), requests.size(), int(std::max<qint64>(left, 0))) > 0)
            for (size_t i = 0; i < probes.size(); ++i)
                probes[i]->settle(requests[i]);
    }
    // Out of time: one that greeted wins over earlier ones still silent (a
    // short wait may end before their grace does).
    for (size_t i = 0; i < probes.size(); ++i)
        if (probes[i]->greeted())
            return from + int(i);
    for (size_t i = 0; i < probes.size(); ++i) {
        if (probes[i]->pending()) {
            *silent = from + int(i);
            return -1;
        }
    }
    return from;
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
    const Config &config = Config::instance();
    const QVector<Config::Server> servers = config.servers();
    for (int from = 0; from < servers.size();) {
        int to = from;
        // Before the old connection goes: work run while events are processed
        // here still finds a connection, and reopens it itself if it is broken.
        // A list is always probed, so a dead or silent entry costs no driver wait.
        if (greeting != Greeting::Trust || servers.size() > 1) {
            const int waitMs = greeting == Greeting::Glance ? 250 : config.dbConnectTimeout * 1000;
            int silent = -1;
            to = firstGreeting(servers, from, waitMs, greeting == Greeting::AwaitWithEvents, &silent);
            if (to < 0) {
                lastErrorRef() = AppError(ErrNo::Unreachable,
                                          QStringLiteral("The server %1 took the connection but did not "
                                                         "answer within %2 ms")
                                                  .arg(servers.size() == 1 ? servers.at(silent).host
                                                                           : servers.at(silent).name())
                                                  .arg(waitMs),
                                          QStringLiteral("open"));
                linkBroken() = true;
                return false;
            }
        }
        if (connectTo(servers.at(to)))
            return true;
        // A server that greeted and then failed: the ones after it may serve.
        if (lastErrorRef().number() == ErrNo::LoginRefused)
            return false;
        from = to + 1;
    }
    return false;
}

bool Conn::connectTo(const Config::Server &server)
{
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
    db.setDatabaseName(Config::instance().connectionString(server));
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
    currentServer() = server;
    clusterNode().reset();
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

bool Conn::onCluster()
{
    if (!clusterNode())
        clusterNode() = query(QStringLiteral("select @@wsrep_on as fon")).value(QStringLiteral("fon")) ==
                        QLatin1String("1");
    return *clusterNode();
}

QString Conn::server()
{
    return currentServer().name();
}

qint64 Conn::connectionId()
{
    return query(QStringLiteral("select connection_id() as id")).value(QStringLiteral("id")).toLongLong();
}
