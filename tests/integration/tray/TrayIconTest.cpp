// The tray icon on a real X server: a private Xvfb, trayer as the system tray, xdotool to
// find the icon and click it. Every process started here is stopped here.
#include "XvfbDisplay.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

TEST(TrayIcon, IsEmbeddedInTheTrayAndOpensTheMenu)
{
    for (const char *tool : {"Xvfb", "trayer", "xdotool"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << tool << " is not installed";
    XvfbDisplay x;
    ASSERT_FALSE(x.display().isEmpty());
    QTemporaryDir runtime, config;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(x.clientEnvironment());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")); // without a bus Qt embeds the XEmbed way
    const auto xdotool = [&](const QString &arguments) {
        QProcess tool;
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral("xdotool"), arguments.split(QLatin1Char(' ')));
        tool.waitForFinished(-1);
        return QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    };
    // {x, y, w, h} of a visible tarvexcc window of a height in [minHeight, maxHeight].
    const auto window = [&](int minHeight, int maxHeight) {
        for (const QString &id : xdotool(QStringLiteral("search --onlyvisible --classname tarvexcc"))) {
            QList<int> g; // the X=, Y=, WIDTH=, HEIGHT= lines of --shell
            for (const QString &line : xdotool(QStringLiteral("getwindowgeometry --shell ") + id))
                if (!line.startsWith(QLatin1String("WINDOW")) && !line.startsWith(QLatin1String("SCREEN")))
                    g.append(line.section(QLatin1Char('='), 1).toInt());
            if (g.size() == 4 && g[2] > 0 && g[3] >= minHeight && g[3] <= maxHeight)
                return g;
        }
        return QList<int>();
    };
    QProcess trayer, app;
    for (QProcess *p : {&trayer, &app})
        p->setProcessEnvironment(env);
    trayer.start(QStringLiteral("trayer"), QStringLiteral("--edge top --align right --widthtype request --height 28").split(' '));
    // The tray must be there before the program looks for it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !xdotool(QStringLiteral("search --classname trayer")).isEmpty(); }, 120000));
    app.start(QStringLiteral(TARVEXCC_PATH), {QStringLiteral("--simulate")});
    // The icon: a small window of ours inside the tray. Until trayer has embedded it, it sits
    // at x = 0 (the tray is at the right edge), and on a busy machine the tray may still move
    // it or drop the first click: click (again, at most every few seconds) until the menu is up.
    QElapsedTimer sinceClick;
    const bool menuOpened = QTest::qWaitFor([&] {
        if (!window(150, 10000).isEmpty())
            return true;
        const QList<int> icon = window(1, 64);
        if (!icon.isEmpty() && icon[0] > 0 && (!sinceClick.isValid() || sinceClick.hasExpired(3000))) {
            xdotool(QStringLiteral("mousemove %1 %2 click 1").arg(icon[0] + icon[2] / 2).arg(icon[1] + icon[3] / 2));
            sinceClick.start();
        }
        return false;
    }, 120000);
    EXPECT_TRUE(menuOpened) << (sinceClick.isValid() ? "the icon was clicked, no menu came" : "no icon in the tray");
    EXPECT_FALSE(app.readAllStandardError().contains("no system tray"));
    for (QProcess *p : {&app, &trayer}) {
        p->terminate();
        if (!p->waitForFinished(30000))
            p->kill();
    }
}
