// tarvexcc as a process: options, one instance per session, and the orderly end on
// SIGTERM / SIGINT / SIGHUP. Runs offscreen against simulated switches.
#include "SingleInstanceGuard.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

class TarvexccProcessTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir mRuntime, mConfig;

    void start(QProcess &process, const QString &argument)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), mRuntime.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), mConfig.path());
        env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":tarvexcc-test"));
        process.setProcessEnvironment(env);
        process.start(qEnvironmentVariable("TARVEXCC_BIN"), {argument});
        QVERIFY(process.waitForStarted());
    }

private slots:
    void initTestCase()
    {
        if (!QFile::exists(qEnvironmentVariable("TARVEXCC_BIN")))
            QSKIP("tarvexcc binary not given");
        // The instance socket the program derives from the same environment.
        qputenv("XDG_RUNTIME_DIR", mRuntime.path().toUtf8());
        qputenv("DISPLAY", ":tarvexcc-test");
        qunsetenv("WAYLAND_DISPLAY");
    }

    void optionsAnswerWithoutADisplay()
    {
        QProcess version, bad;
        start(version, QStringLiteral("--version"));
        start(bad, QStringLiteral("--simulate=0"));
        QVERIFY(version.waitForFinished() && bad.waitForFinished());
        QCOMPARE(version.exitCode(), 0);
        QVERIFY(version.readAllStandardOutput().startsWith("tarvexcc "));
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
        const QString socket = SingleInstanceGuard::serverName();
        QProcess first, second;
        start(first, QStringLiteral("--simulate"));
        // The first instance listens once its start-up is through.
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(socket); }, 20000));
        start(second, QStringLiteral("--simulate"));
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(second.readAllStandardError().contains("already running"));
        QCOMPARE(first.state(), QProcess::Running);

        ::kill(pid_t(first.processId()), signalNumber);
        QVERIFY(first.waitForFinished(20000));
        // A normal exit with status 0: the event loop ended and the shut-down ran, instead of
        // the signal killing the process.
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        QVERIFY(!QFile::exists(socket));
    }
};

QTEST_GUILESS_MAIN(TarvexccProcessTest)
#include "TarvexccProcessTest.moc"
