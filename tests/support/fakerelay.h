#pragma once

#include <QString>
#include <QTcpServer>

// A real HTTP server on loopback that plays the mail relay: counts the
// requests and answers each with a chosen status, optionally after a delay.
class FakeRelay : public QObject
{
    Q_OBJECT
public:
    FakeRelay();
    QString address() const; // "127.0.0.1:{port}"

    int status = 200;
    int delayMs = 0;
    int requests = 0; // whole ones received

private:
    void onConnection();
    QTcpServer m_server;
};

// The relay sink's log (GMS_RELAY_LOG, scripts/relay-sink): its size, where a
// test starts reading, and the query pairs of every request logged after
// `from`, each as " | key=value".
qint64 sinkLogSize();
QString sinkRequests(qint64 from);
