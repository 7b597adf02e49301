// A minimal HTTP/1.1 server on 127.0.0.1 for the firmware-check tests: answers every request
// with one configured response (or never answers), and remembers the request targets.
#pragma once

#include <QTcpServer>

class LocalHttpServer : public QTcpServer
{
public:
    LocalHttpServer();

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
    // "/firmware/check.php?av=...", in arrival order.
    const QList<QByteArray> &targets() const { return mTargets; }

private:
    QList<QByteArray> mTargets;
    bool mAnswer = true, mDeclareLength = true;
    int mStatus = 200;
    QByteArray mBody;
};
