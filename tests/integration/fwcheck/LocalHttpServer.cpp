// The test's HTTP server; see LocalHttpServer.h.
#include "LocalHttpServer.h"

#include <QTcpSocket>

LocalHttpServer::LocalHttpServer(QObject *parent)
    : QTcpServer(parent)
{
    connect(this, &QTcpServer::newConnection, this, &LocalHttpServer::onConnection);
    listen(QHostAddress::LocalHost, 0);
}

QString LocalHttpServer::baseURL() const
{
    return QStringLiteral("http://127.0.0.1:%1/firmware/check.php").arg(serverPort());
}

void LocalHttpServer::onConnection()
{
    while (QTcpSocket *socket = nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto request = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
            request->append(socket->readAll());
            if (!request->contains("\r\n\r\n"))
                return;
            const QByteArray line = request->left(request->indexOf("\r\n"));
            const QList<QByteArray> parts = line.split(' ');
            mTargets << (parts.size() >= 2 ? parts.at(1) : QByteArray());
            request->clear();
            if (!mAnswer)
                return;
            QByteArray head = "HTTP/1.1 " + QByteArray::number(mStatus)
                + (mStatus == 200 ? " OK" : " Error") + "\r\nContent-Type: text/plain\r\n";
            if (mDeclareLength)
                head += "Content-Length: " + QByteArray::number(mBody.size()) + "\r\n";
            head += "Connection: close\r\n\r\n";
            socket->write(head);
            socket->write(mBody);
            socket->disconnectFromHost();
        });
    }
}
