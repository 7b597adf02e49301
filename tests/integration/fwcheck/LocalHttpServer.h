// A minimal HTTP/1.1 server on 127.0.0.1 for the firmware-check tests: answers every request
// with one configured response (or never answers), and remembers the request targets.
#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>

class LocalHttpServer : public QTcpServer
{
    Q_OBJECT
public:
    enum class Mode { Respond, NeverAnswer, StreamWithoutLength };

    explicit LocalHttpServer(QObject *parent = nullptr);

    void respond(int status, const QByteArray &body)
    {
        mMode = Mode::Respond;
        mStatus = status;
        mBody = body;
    }
    void neverAnswer() { mMode = Mode::NeverAnswer; }
    // Streams `body` without a Content-Length and closes the connection at its end.
    void streamWithoutLength(const QByteArray &body)
    {
        mMode = Mode::StreamWithoutLength;
        mStatus = 200;
        mBody = body;
    }

    QString baseURL() const;
    // Request targets ("/firmware/check.php?av=...") in arrival order.
    const QList<QByteArray> &targets() const { return mTargets; }

private:
    void onConnection();

    Mode mMode = Mode::Respond;
    int mStatus = 200;
    QByteArray mBody;
    QList<QByteArray> mTargets;
};
