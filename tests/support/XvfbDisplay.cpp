// A private Xvfb for tests; see XvfbDisplay.h.
#include "XvfbDisplay.h"

XvfbDisplay::XvfbDisplay()
{
    // -displayfd: the server names its display once it accepts clients, so nobody guesses
    // a free number or polls for the socket. -noreset: an X server resets when its last
    // client leaves, and a program connecting meanwhile is turned away ("could not connect
    // to display") - here a short xdotool call ending just as tarvexcc starts. The server's
    // own complaints go where the test's output goes: read, and seen on a failure.
    mServer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    mServer.start(QStringLiteral("Xvfb"),
                  QStringLiteral("-displayfd 1 -noreset -screen 0 800x600x24 -nolisten tcp").split(' '));
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
