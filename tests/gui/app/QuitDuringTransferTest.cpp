// tarvexcc as the user runs it, on a private X server: its firmware window writes an image
// offered by a local server, and a SIGTERM arrives in the middle of the transfer (a logout).
// The program must end once the transfer is over, with the outcome in its log.
#include "LocalHttpServer.h"
#include "XvfbDisplay.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

class QuitDuringTransferTest : public QObject
{
    Q_OBJECT

    XvfbDisplay mX;
    QStringList xdotool(const QString &arguments)
    {
        QProcess tool;
        tool.setProcessEnvironment(mX.clientEnvironment());
        tool.start(QStringLiteral("xdotool"), arguments.split(QLatin1Char(' ')));
        tool.waitForFinished(-1);
        return QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // An image that takes the simulated switch some seconds: 400 data records.
    static QByteArray image()
    {
        return "1.5\nS00900005441525645581C\n" + QByteArray("S1130000000102030405060708090A0B0C0D0E0F74\n").repeated(400)
            + "S9030000FC\n";
    }

private slots:
    void aSigtermDuringATransferEndsTheProgramAfterIt()
    {
        if (mX.display().isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("needs Xvfb and xdotool");
        LocalHttpServer server;
        server.respond(200, image());
        QTemporaryDir config, runtime;
        QDir().mkpath(config.filePath(QStringLiteral("TarvexCC")));
        QFile defaults(config.filePath(QStringLiteral("TarvexCC/defaults.json")));
        QVERIFY(defaults.open(QIODevice::WriteOnly));
        defaults.write("{\"Firmware Check URL\": \"" + server.baseURL().toUtf8() + "/check\"}");
        defaults.close();
        QProcessEnvironment env = mX.clientEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("TARVEX_TRAY_WAIT_MS"), QStringLiteral("0")); // its small window at once
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("tarvex.firmware.debug=true"));
        QProcess tarvexcc;
        tarvexcc.setProcessEnvironment(env);
        QByteArray log;
        connect(&tarvexcc, &QProcess::readyReadStandardError, this, [&] { log += tarvexcc.readAllStandardError(); });
        tarvexcc.start(qEnvironmentVariable("TARVEXCC_BIN"), {QStringLiteral("--simulate=1")});
        // The window's menu button, then the menu from its end: Quit, Help, Launch at Login,
        // "Firmware Upgrade…"; in that window "Check for Update…", then "Write Firmware".
        QStringList window;
        QVERIFY(QTest::qWaitFor([&] { return !(window = xdotool(QStringLiteral("search --onlyvisible --name ^Tarvex.CC$"))).isEmpty(); }, 60000));
        const QStringList geometry = xdotool(QStringLiteral("getwindowgeometry --shell ") + window.first());
        const auto value = [&](const char *key) { return geometry.filter(QLatin1String(key) + QLatin1Char('=')).value(0).section('=', 1).toInt(); };
        xdotool(QStringLiteral("mousemove %1 %2 click 1").arg(value("X") + value("WIDTH") - 34).arg(value("Y") + value("HEIGHT") / 2));
        QTest::qWait(500);
        xdotool(QStringLiteral("key Up Up Up Up Return"));
        QVERIFY(QTest::qWaitFor([&] { return !xdotool(QStringLiteral("search --onlyvisible --name ^Firmware.Upgrade")).isEmpty(); }, 60000));
        xdotool(QStringLiteral("key alt+c"));
        QVERIFY(QTest::qWaitFor([&] { return !server.targets().isEmpty(); }, 60000));
        QTest::qWait(500);
        xdotool(QStringLiteral("key alt+w"));
        QVERIFY2(QTest::qWaitFor([&] { return log.contains("firmware transfer of"); }, 60000), log.constData());

        ::kill(pid_t(tarvexcc.processId()), SIGTERM);
        QVERIFY2(tarvexcc.waitForFinished(120000), "still running after the transfer");
        log += tarvexcc.readAllStandardError();
        QCOMPARE(tarvexcc.exitCode(), 0);
        QVERIFY2(log.contains("Firmware Upgrade: Firmware Upgrade finished"), log.constData());
    }
};

QTEST_GUILESS_MAIN(QuitDuringTransferTest)
#include "QuitDuringTransferTest.moc"
