// The test's HTTP server; see LocalHttpServer.h.
#include "LocalHttpServer.h"

#include <QTcpSocket>

LocalHttpServer::LocalHttpServer()
{
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            auto request = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
                request->append(socket->readAll());
                if (!request->contains("\r\n\r\n"))
                    return;
                mTargets << request->split(' ').value(1);
                request->clear();
                if (!mAnswer)
                    return;
                const QByteArray phrase = mStatus == 200 ? "OK" : mStatus == 404 ? "Not Found" : "Error";
                QByteArray head = "HTTP/1.1 " + QByteArray::number(mStatus) + " " + phrase + "\r\n";
                if (mDeclareLength)
                    head += "Content-Length: " + QByteArray::number(mBody.size()) + "\r\n";
                socket->write(head + "Connection: close\r\n\r\n" + mBody);
                socket->disconnectFromHost();
            });
        }
    });
    listen(QHostAddress::LocalHost, 0);
}

QString LocalHttpServer::baseURL() const
{
    return QStringLiteral("http://127.0.0.1:%1/firmware/check.php").arg(serverPort());
}
