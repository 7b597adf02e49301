// The tray icon on a real X server: Xvfb provides the display, trayer the system tray,
// xdotool finds the icon and clicks it. Every process started here is stopped here.
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

class TrayIconTest : public QObject
{
    Q_OBJECT

private:
    QString mDisplay;
    QProcess mXvfb, mTrayer, mApp;
    QTemporaryDir mRuntime, mConfig;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), mDisplay);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), mRuntime.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), mConfig.path());
        // Without a session bus Qt embeds the icon the XEmbed way, which trayer hosts.
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        return env;
    }
    QStringList xdotool(const QStringList &arguments) const
    {
        QProcess tool;
        tool.setProcessEnvironment(environment());
        tool.start(QStringLiteral("xdotool"), arguments);
        tool.waitForFinished(10000);
        return QString::fromUtf8(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }
    // Visible windows of tarvexcc as "id name x y w h".
    QStringList appWindows() const
    {
        QStringList windows;
        for (const QString &id : xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                          QStringLiteral("--classname"), QStringLiteral("tarvexcc")})) {
            const QStringList geometry = xdotool({QStringLiteral("getwindowgeometry"),
                                                  QStringLiteral("--shell"), id});
            windows.append(id + QLatin1Char(' ') + geometry.join(QLatin1Char(' ')));
        }
        return windows;
    }
    static int value(const QString &shellGeometry, const QString &key)
    {
        for (const QString &part : shellGeometry.split(QLatin1Char(' ')))
            if (part.startsWith(key + QLatin1Char('=')))
                return part.mid(key.size() + 1).toInt();
        return -1;
    }

private slots:
    void initTestCase()
    {
        mXvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                             QStringLiteral("-screen"), QStringLiteral("0"),
                                             QStringLiteral("800x600x24"), QStringLiteral("-nolisten"),
                                             QStringLiteral("tcp")});
        QVERIFY(mXvfb.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] { return mXvfb.canReadLine(); }, 20000));
        mDisplay = QLatin1Char(':') + QString::fromLatin1(mXvfb.readLine().trimmed());

        mTrayer.setProcessEnvironment(environment());
        mTrayer.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top"),
                                                 QStringLiteral("--align"), QStringLiteral("right"),
                                                 QStringLiteral("--widthtype"), QStringLiteral("request"),
                                                 QStringLiteral("--height"), QStringLiteral("28")});
        QVERIFY(mTrayer.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] {
            return !xdotool({QStringLiteral("search"), QStringLiteral("--classname"), QStringLiteral("trayer")}).isEmpty();
        }, 20000));
    }

    void iconIsEmbeddedAndOpensTheMenu()
    {
        mApp.setProcessEnvironment(environment());
        mApp.start(qEnvironmentVariable("TARVEXCC_BIN"), {QStringLiteral("--simulate")});
        QVERIFY(mApp.waitForStarted());
        // The icon: a small visible window of ours inside the tray.
        QString icon;
        QVERIFY(QTest::qWaitFor([&] {
            for (const QString &window : appWindows())
                if (value(window, QStringLiteral("WIDTH")) > 0 && value(window, QStringLiteral("WIDTH")) <= 64)
                    icon = window;
            return !icon.isEmpty();
        }, 20000));
        QVERIFY2(!mApp.readAllStandardError().contains("no system tray"), "tray not found");

        const int x = value(icon, QStringLiteral("X")) + value(icon, QStringLiteral("WIDTH")) / 2;
        const int y = value(icon, QStringLiteral("Y")) + value(icon, QStringLiteral("HEIGHT")) / 2;
        xdotool({QStringLiteral("mousemove"), QString::number(x), QString::number(y),
                 QStringLiteral("click"), QStringLiteral("1")});
        // The menu: a further visible window, taller than the tray.
        QVERIFY(QTest::qWaitFor([&] {
            for (const QString &window : appWindows())
                if (value(window, QStringLiteral("HEIGHT")) > 150)
                    return true;
            return false;
        }, 20000));
    }

    void cleanupTestCase()
    {
        for (QProcess *process : {&mApp, &mTrayer, &mXvfb}) {
            if (process->state() == QProcess::NotRunning)
                continue;
            process->terminate();
            if (!process->waitForFinished(10000))
                process->kill();
        }
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    for (const char *tool : {"Xvfb", "trayer", "xdotool"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            std::printf("SKIP: %s is not installed\n", tool);
            return 77;
        }
    }
    if (qEnvironmentVariableIsEmpty("TARVEXCC_BIN"))
        return 77;
    TrayIconTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "TrayIconTest.moc"
