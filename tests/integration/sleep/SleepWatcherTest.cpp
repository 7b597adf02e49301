// SleepWatcher against a private D-Bus daemon with a stand-in for logind: the stand-in owns
// the logind name and emits PrepareForSleep; a signal of the same name from anyone else
// (dbus-send) must not count as a resume.
#include "SleepWatcher.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>

#include <gtest/gtest.h>

TEST(SleepWatcher, HearsOnlyLogindsPrepareForSleep)
{
    for (const char *tool : {"dbus-daemon", "dbus-send"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << tool << " is not installed";
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"), QStringLiteral("--session --nofork --nopidfile --print-address=1").split(' '));
    while (daemon.state() != QProcess::NotRunning && !daemon.canReadLine())
        daemon.waitForReadyRead(-1);
    ASSERT_TRUE(daemon.canReadLine()) << "dbus-daemon said nothing";
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    QDBusConnection logind = QDBusConnection::connectToBus(address, QStringLiteral("logind"));
    ASSERT_TRUE(logind.registerService(QStringLiteral("org.freedesktop.login1")));
    const auto emitFromLogind = [&](bool sleeping) {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                         QStringLiteral("org.freedesktop.login1.Manager"),
                                                         QStringLiteral("PrepareForSleep"));
        signal << sleeping;
        ASSERT_TRUE(logind.send(signal));
    };
    {
        // The program's constructor: the session bus stands in for the system bus in tests.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
        qputenv("TARVEX_SLEEP_BUS", "session");
        SleepWatcher watcher;
        ASSERT_TRUE(watcher.isListening());
        QSignalSpy resumed(&watcher, &SleepWatcher::resumed);
        QSignalSpy sleeping(&watcher, &SleepWatcher::aboutToSleep);

        // An impostor's resume comes first; the daemon delivers in order, so once logind's
        // later sleep signal is here, the impostor's would have been too.
        const QString impostor = QStringLiteral("--type=signal /org/freedesktop/login1 "
                                                "org.freedesktop.login1.Manager.PrepareForSleep boolean:false");
        ASSERT_EQ(QProcess::execute(QStringLiteral("dbus-send"), QStringList{QStringLiteral("--bus=") + address} + impostor.split(' ')), 0);
        emitFromLogind(true);
        ASSERT_TRUE(sleeping.wait(60000));
        EXPECT_EQ(resumed.count(), 0);

        emitFromLogind(false);
        ASSERT_TRUE(resumed.wait(60000));
        EXPECT_EQ(resumed.count(), 1);
        EXPECT_EQ(sleeping.count(), 1);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("logind"));
    daemon.kill();
    daemon.waitForFinished();
}
