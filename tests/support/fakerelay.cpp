#include "support/fakerelay.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

FakeRelay::FakeRelay()
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &FakeRelay::onConnection);
}

QString FakeRelay::address() const
{
    return u"127.0.0.1:%1"_s.arg(m_server.serverPort());
}

void FakeRelay::onConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            const int headerEnd = buffer->indexOf("\r\n\r\n");
            if (headerEnd < 0)
                return;
            const QByteArray head = buffer->left(headerEnd);
            int length = 0;
            for (const QByteArray &line : head.split('\n'))
                if (line.toLower().startsWith("content-length:"))
                    length = line.mid(15).trimmed().toInt();
            if (buffer->size() < headerEnd + 4 + length)
                return;
            ++requests;
            buffer->clear();
            const QByteArray answer = QByteArray("HTTP/1.1 ") + QByteArray::number(status) +
                                      (status == 200 ? " OK" : " Internal Server Error") +
                                      "\r\nContent-Length: 2\r\nConnection: close\r\n\r\nOK";
            QTimer::singleShot(delayMs, socket, [socket, answer] {
                socket->write(answer);
                socket->disconnectFromHost();
            });
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

qint64 sinkLogSize()
{
    const QFileInfo log(qEnvironmentVariable("GMS_RELAY_LOG"));
    return log.exists() ? log.size() : 0;
}

QString sinkRequests(qint64 from)
{
    QString out;
    QFile log(qEnvironmentVariable("GMS_RELAY_LOG"));
    if (log.open(QIODevice::ReadOnly) && log.seek(from))
        for (const QByteArray &line : log.readAll().split('\n'))
            for (const QJsonValue &pair : QJsonDocument::fromJson(line).object().value(u"query"_s).toArray())
                out += u" | "_s + pair[0].toString() + u'=' + pair[1].toString();
    return out;
}
