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

    void start(QProcess &process, const QString &program, const QString &arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), mDisplay);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), mRuntime.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), mConfig.path());
        // Without a session bus Qt embeds the icon the XEmbed way, which trayer hosts.
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        process.setProcessEnvironment(env);
        process.start(program, arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts));
    }
    QStringList xdotool(const QString &arguments)
    {
        QProcess tool;
        start(tool, QStringLiteral("xdotool"), arguments);
        tool.waitForFinished(10000);
        return QString::fromUtf8(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }
    // The first visible window of tarvexcc whose geometry passes `wanted`, as {x, y, w, h}.
    template <typename Wanted>
    QList<int> findWindow(Wanted wanted)
    {
        for (const QString &id : xdotool(QStringLiteral("search --onlyvisible --classname tarvexcc"))) {
            QList<int> g; // the X=, Y=, WIDTH=, HEIGHT= lines of --shell
            for (const QString &line : xdotool(QStringLiteral("getwindowgeometry --shell ") + id))
                if (!line.startsWith(QLatin1String("WINDOW")) && !line.startsWith(QLatin1String("SCREEN")))
                    g.append(line.section(QLatin1Char('='), 1).toInt());
            if (g.size() == 4 && wanted(g))
                return g;
        }
        return {};
    }

private slots:
    void initTestCase()
    {
        start(mXvfb, QStringLiteral("Xvfb"), QStringLiteral("-displayfd 1 -screen 0 800x600x24 -nolisten tcp"));
        QVERIFY(mXvfb.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] { return mXvfb.canReadLine(); }, 20000));
        mDisplay = QLatin1Char(':') + QString::fromLatin1(mXvfb.readLine().trimmed());
        start(mTrayer, QStringLiteral("trayer"),
              QStringLiteral("--edge top --align right --widthtype request --height 28"));
        QVERIFY(QTest::qWaitFor([&] { return !xdotool(QStringLiteral("search --classname trayer")).isEmpty(); }, 20000));
    }

    void iconIsEmbeddedAndOpensTheMenu()
    {
        start(mApp, qEnvironmentVariable("TARVEXCC_BIN"), QStringLiteral("--simulate"));
        // The icon: a small visible window of ours inside the tray.
        QList<int> icon;
        QVERIFY(QTest::qWaitFor([&] {
            icon = findWindow([](const QList<int> &g) { return g[2] > 0 && g[2] <= 64; });
            return !icon.isEmpty();
        }, 20000));
        QVERIFY2(!mApp.readAllStandardError().contains("no system tray"), "tray not found");
        xdotool(QStringLiteral("mousemove %1 %2 click 1").arg(icon[0] + icon[2] / 2).arg(icon[1] + icon[3] / 2));
        // The menu: a further visible window, taller than the tray.
        QVERIFY(QTest::qWaitFor([&] {
            return !findWindow([](const QList<int> &g) { return g[3] > 150; }).isEmpty();
        }, 20000));
    }

    void cleanupTestCase()
    {
        for (QProcess *process : {&mApp, &mTrayer, &mXvfb}) {
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
