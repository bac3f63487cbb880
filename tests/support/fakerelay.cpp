#include "support/fakerelay.h"

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
