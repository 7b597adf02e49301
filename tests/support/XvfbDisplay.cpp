// A private Xvfb for tests; see XvfbDisplay.h.
#include "XvfbDisplay.h"

XvfbDisplay::XvfbDisplay()
{
    // -displayfd: the server names its display once it accepts clients, so nobody guesses
    // a free number or polls for the socket.
    mServer.start(QStringLiteral("Xvfb"), QStringLiteral("-displayfd 1 -screen 0 800x600x24 -nolisten tcp").split(' '));
    while (mServer.state() != QProcess::NotRunning && !mServer.canReadLine())
        mServer.waitForReadyRead(-1);
    if (mServer.canReadLine())
        mDisplay = QLatin1Char(':') + QString::fromLatin1(mServer.readLine().trimmed());
}

XvfbDisplay::~XvfbDisplay()
{
    mServer.terminate();
    if (!mServer.waitForFinished(30000))
        mServer.kill();
    mServer.waitForFinished();
}

QProcessEnvironment XvfbDisplay::clientEnvironment() const
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("DISPLAY"), mDisplay);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return env;
}
