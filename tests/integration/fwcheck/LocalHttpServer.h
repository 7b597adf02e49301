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
    explicit LocalHttpServer(QObject *parent = nullptr);

    // Without `declareLength` the body streams without a Content-Length, ended by the close.
    void respond(int status, const QByteArray &body, bool declareLength = true)
    {
        mAnswer = true;
        mStatus = status;
        mBody = body;
        mDeclareLength = declareLength;
    }
    void neverAnswer() { mAnswer = false; }

    QString baseURL() const;
    // Request targets ("/firmware/check.php?av=...") in arrival order.
    const QList<QByteArray> &targets() const { return mTargets; }

private:
    void onConnection();

    bool mAnswer = true;
    bool mDeclareLength = true;
    int mStatus = 200;
    QByteArray mBody;
    QList<QByteArray> mTargets;
};
