// tarvexcc as a process: options, one instance per session, and the orderly end on
// SIGTERM / SIGINT / SIGHUP. Runs offscreen against simulated switches.
#include "SingleInstanceGuard.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

class TarvexccProcessTest : public QObject
{
    Q_OBJECT

private:
    QString mBinary;
    QTemporaryDir mRuntime, mConfig;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), mRuntime.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), mConfig.path());
        env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":tarvexcc-test"));
        return env;
    }
    QString socketPath() const
    {
        qputenv("XDG_RUNTIME_DIR", mRuntime.path().toUtf8());
        qputenv("DISPLAY", ":tarvexcc-test");
        qunsetenv("WAYLAND_DISPLAY");
        return SingleInstanceGuard::serverName();
    }
    void start(QProcess &process, const QStringList &arguments)
    {
        process.setProcessEnvironment(environment());
        process.start(mBinary, arguments);
        QVERIFY(process.waitForStarted());
    }

private slots:
    void initTestCase()
    {
        mBinary = qEnvironmentVariable("TARVEXCC_BIN");
        if (mBinary.isEmpty() || !QFile::exists(mBinary))
            QSKIP("tarvexcc binary not given");
    }

    void optionsAnswerWithoutADisplay()
    {
        QProcess version;
        version.setProcessEnvironment(environment());
        version.start(mBinary, {QStringLiteral("--version")});
        QVERIFY(version.waitForFinished());
        QCOMPARE(version.exitCode(), 0);
        QVERIFY(version.readAllStandardOutput().startsWith("tarvexcc "));

        QProcess bad;
        bad.setProcessEnvironment(environment());
        bad.start(mBinary, {QStringLiteral("--simulate=0")});
        QVERIFY(bad.waitForFinished());
        QCOMPARE(bad.exitCode(), 2);
        QVERIFY(bad.readAllStandardError().contains("--simulate"));
    }

    void secondStartDefersToTheFirstAndSignalsEndInOrder_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void secondStartDefersToTheFirstAndSignalsEndInOrder()
    {
        QFETCH(int, signalNumber);
        QProcess first;
        start(first, {QStringLiteral("--simulate")});
        // The first instance listens once its start-up is through.
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(socketPath()); }, 20000));

        QProcess second;
        start(second, {QStringLiteral("--simulate")});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(second.readAllStandardError().contains("already running"));
        QCOMPARE(first.state(), QProcess::Running);

        ::kill(pid_t(first.processId()), signalNumber);
        QVERIFY(first.waitForFinished(20000));
        // A normal exit with status 0: the event loop ended and the shut-down ran, instead of
        // the signal killing the process.
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        QVERIFY(!QFile::exists(socketPath()));
    }
};

QTEST_GUILESS_MAIN(TarvexccProcessTest)
#include "TarvexccProcessTest.moc"
