#pragma once

#include "core/services/config.h"
#include "core/services/errors.h"

#include <QDateTime>
#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <memory>

// The rows of one query, read in full. Fields are read by name; a NULL reads
// as "" through value(). Reading a field of a result without rows raises the
// "no current record" error (3021), so a missing row is never read as "".
class Rows
{
public:
    Rows() = default;
    Rows(QStringList columns, QVector<QVector<QVariant>> data);

    bool isEmpty() const { return m_data.isEmpty(); }
    int size() const { return int(m_data.size()); }
    const QStringList &columns() const { return m_columns; }

    // Field of row `row` (default: the first), NULL as "".
    QString value(const QString &column, int row = 0) const;
    QVariant raw(const QString &column, int row = 0) const;
    bool isNull(const QString &column, int row = 0) const;
    QDateTime dateTime(const QString &column, int row = 0) const;

private:
    int columnIndex(const QString &column) const;
    void checkRow(int row) const;

    QStringList m_columns;
    QHash<QString, int> m_index; // lower-cased column name -> position
    QVector<QVector<QVariant>> m_data;
};

// The one process-wide connection (`Conn`) and the gateway every statement
// goes through. Single-threaded: the user-interface thread owns it.
class Conn
{
public:
    // The driver's connect blocks the thread until the server's greeting, up
    // to the connect timeout when a server takes the connection and never
    // answers. So open() may first wait for the greeting itself: with events
    // processed, up to the connect timeout (the start-up window keeps
    // painting), or for a glance without them (a retry every second).
    enum class Greeting { Trust, AwaitWithEvents, Glance };

    // Opens the connection anew (a dropped one is closed first) on the first
    // server of the setting's list that answers, in order; a list's entries
    // are always probed for their greeting first. On failure returns false
    // and leaves the error in lastError().
    static bool open(Greeting greeting = Greeting::Trust);
    static bool isOpen();
    static void close();
    static const AppError &lastError();

    // Runs a query and returns up to maxRows rows (all when negative).
    static Rows query(const QString &sql, int maxRows = -1);
    // Executes a statement that changes data; returns the affected (found)
    // row count.
    static qint64 execute(const QString &sql);

    // The server's id of this connection (for tests that kill it).
    static qint64 connectionId();
    // The entry of the server list the connection was last opened on.
    static QString server();
    // Whether the server is a Galera cluster node (read once per connection).
    static bool onCluster();

private:
    static bool connectTo(const Config::Server &server);
    static AppError translate(const QSqlError &error, bool connecting, const QString &context);
};
