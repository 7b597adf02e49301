// SleepWatcher against a private D-Bus daemon with a stand-in for logind: the stand-in owns
// the logind name and emits PrepareForSleep; a signal of the same name from anyone else
// (dbus-send) must not count as a resume.
#include "SleepWatcher.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

class PrivateBus : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed";
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
        ASSERT_TRUE(daemon.waitForStarted());
        while (!daemon.canReadLine())
            ASSERT_TRUE(daemon.waitForReadyRead(30000)) << "dbus-daemon said nothing";
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        logind = QDBusConnection::connectToBus(address, QStringLiteral("logind-stand-in"));
        ASSERT_TRUE(logind.isConnected());
        ASSERT_TRUE(logind.registerService(QStringLiteral("org.freedesktop.login1")));
    }
    void TearDown() override
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("logind-stand-in"));
        QDBusConnection::disconnectFromBus(QStringLiteral("watched"));
        daemon.kill();
        daemon.waitForFinished();
    }

    void emitFromLogind(bool sleeping)
    {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
            QStringLiteral("PrepareForSleep"));
        signal << sleeping;
        ASSERT_TRUE(logind.send(signal));
    }

    QProcess daemon;
    QString address;
    QDBusConnection logind{QString()};
};

} // namespace

TEST_F(PrivateBus, ResumeFromLogindIsReportedAndSleepIsNot)
{
    QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("watched"));
    SleepWatcher watcher(bus);
    ASSERT_TRUE(watcher.isListening());
    QSignalSpy resumed(&watcher, &SleepWatcher::resumed);
    QSignalSpy sleeping(&watcher, &SleepWatcher::aboutToSleep);

    emitFromLogind(true);
    ASSERT_TRUE(sleeping.wait(30000));
    EXPECT_EQ(resumed.count(), 0);

    emitFromLogind(false);
    ASSERT_TRUE(resumed.wait(30000));
    EXPECT_EQ(resumed.count(), 1);
}

TEST_F(PrivateBus, SignalFromAnotherSenderIsIgnored)
{
    QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("watched"));
    SleepWatcher watcher(bus);
    QSignalSpy resumed(&watcher, &SleepWatcher::resumed);
    QSignalSpy sleeping(&watcher, &SleepWatcher::aboutToSleep);

    if (QStandardPaths::findExecutable(QStringLiteral("dbus-send")).isEmpty())
        GTEST_SKIP() << "dbus-send is not installed";
    const int status = QProcess::execute(
        QStringLiteral("dbus-send"),
        {QStringLiteral("--bus=") + address, QStringLiteral("--type=signal"),
         QStringLiteral("/org/freedesktop/login1"),
         QStringLiteral("org.freedesktop.login1.Manager.PrepareForSleep"), QStringLiteral("boolean:false")});
    ASSERT_EQ(status, 0);
    // The daemon delivers in the order it received: once logind's later signal is here, the
    // impostor's would have been too.
    emitFromLogind(true);
    ASSERT_TRUE(sleeping.wait(30000));
    EXPECT_EQ(resumed.count(), 0);
}

TEST_F(PrivateBus, SessionBusOverrideForTests)
{
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    qputenv("TARVEX_SLEEP_BUS", "session");
    SleepWatcher watcher;
    ASSERT_TRUE(watcher.isListening());
    QSignalSpy resumed(&watcher, &SleepWatcher::resumed);
    emitFromLogind(false);
    ASSERT_TRUE(resumed.wait(30000));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
