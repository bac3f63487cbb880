#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTcpServer>

// A real HTTP server on loopback that plays the mail relay: records each
// request and answers with a chosen status, optionally after a delay.
class FakeRelay : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        QByteArray method;
        QByteArray target; // path and query as sent
        QByteArray body;
    };

    FakeRelay();
    QString address() const; // "127.0.0.1:{port}"

    int status = 200;
    int delayMs = 0;
    QList<Request> requests;

private:
    void onConnection();
    QTcpServer m_server;
};
