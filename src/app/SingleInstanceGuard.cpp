// Per-session single instance through QLocalServer; see SingleInstanceGuard.h.
#include "SingleInstanceGuard.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace {
constexpr char kShowMenuRequest[] = "show-menu\n";
constexpr char kAcknowledge[] = "ok\n";
constexpr int kAnswerTimeoutMs = 2000;
} // namespace

SingleInstanceGuard::SingleInstanceGuard(QObject *parent) : QObject(parent) {}

SingleInstanceGuard::~SingleInstanceGuard() = default;

QString SingleInstanceGuard::serverName()
{
    // The session is the display the tray lives on: the same user on a second X display
    // (or in a nested session) gets a tray program of its own.
    QByteArray session = qgetenv("WAYLAND_DISPLAY") + '|' + qgetenv("DISPLAY");
    const QString tag = QString::fromLatin1(
        QCryptographicHash::hash(session, QCryptographicHash::Sha1).toHex().left(12));
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtimeDir.isEmpty() && QDir(runtimeDir).exists())
        return runtimeDir + QStringLiteral("/tarvexcc-") + tag + QStringLiteral(".socket");
    return QDir::tempPath() + QStringLiteral("/tarvexcc-%1-").arg(::getuid()) + tag +
           QStringLiteral(".socket");
}

SingleInstanceGuard::Outcome SingleInstanceGuard::claim()
{
    // Two attempts: a racing start may take the name between our look and our listen.
    for (int attempt = 0; attempt < 2; ++attempt) {
        QLocalSocket probe;
        probe.connectToServer(serverName());
        if (probe.waitForConnected(kAnswerTimeoutMs)) {
            probe.disconnectFromServer();
            return notifyRunningInstance() ? Outcome::OtherNotified : Outcome::OtherUnreachable;
        }
        const bool refused = probe.error() == QLocalSocket::ConnectionRefusedError ||
                             probe.error() == QLocalSocket::ServerNotFoundError;
        if (!refused)
            return Outcome::OtherUnreachable;

        // Nobody answers: a stale socket of a crashed instance may still be there.
        QLocalServer::removeServer(serverName());
        auto *server = new QLocalServer(this);
        server->setSocketOptions(QLocalServer::UserAccessOption);
        if (server->listen(serverName())) {
            mServer = server;
            connect(mServer, &QLocalServer::newConnection, this,
                    &SingleInstanceGuard::acceptConnection);
            return Outcome::First;
        }
        delete server;
    }
    return Outcome::OtherUnreachable;
}

bool SingleInstanceGuard::notifyRunningInstance()
{
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(kAnswerTimeoutMs))
        return false;
    socket.write(kShowMenuRequest);
    if (!socket.waitForBytesWritten(kAnswerTimeoutMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(kAnswerTimeoutMs))
            return false;
    }
    return socket.readLine() == kAcknowledge;
}

void SingleInstanceGuard::acceptConnection()
{
    while (QLocalSocket *client = mServer->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            while (client->canReadLine()) {
                const QByteArray line = client->readLine();
                if (line == kShowMenuRequest) {
                    client->write(kAcknowledge);
                    client->flush();
                    emit showMenuRequested();
                }
            }
            // A peer that sends anything but short lines is not one of ours.
            if (client->bytesAvailable() > 256)
                client->abort();
        });
    }
}
