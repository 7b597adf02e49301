// tarvexcc on a real X server (a private Xvfb) whose tray comes after it: trayer, the X11 way,
// or a StatusNotifierWatcher (fake_watcher.py) on the private bus of dbus-run-session, in a
// session that says Wayland and has the desktop portal (fake_portal.py). xdotool finds the
// windows and clicks. Every process started here is stopped here.
#include "XvfbDisplay.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

class LateTray : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *tool : {"Xvfb", "trayer", "xdotool", TRAY_PYTHON})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << tool << " is not installed";
        if (QProcess::execute(QStringLiteral(TRAY_PYTHON), {"-c", "import dbus, gi"}) != 0)
            GTEST_SKIP() << "python3-dbus or python3-gi is not installed";
        ASSERT_FALSE(x.display().isEmpty());
        env.insert(x.clientEnvironment());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("x11"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        // The selected switch, and Super+Shift+1 … 4 and Super+Shift+R.
        QDir(config.path()).mkpath(QStringLiteral("TarvexCC"));
        QFile defaults(config.filePath(QStringLiteral("TarvexCC/defaults.json")));
        ASSERT_TRUE(defaults.open(QIODevice::WriteOnly) && defaults.write(R"({"Selected Switch": "00001001",
            "Port 1": {"keyCode": 18, "modifiers": 768}, "Port 2": {"keyCode": 19, "modifiers": 768},
            "Port 3": {"keyCode": 20, "modifiers": 768}, "Port 4": {"keyCode": 21, "modifiers": 768},
            "Rotate": {"keyCode": 15, "modifiers": 768}})") > 0);
    }
    void TearDown() override
    {
        for (QProcess *p : {&app, &watcher, &portal, &trayer}) {
            p->terminate();
            if (!p->waitForFinished(30000))
                p->kill();
        }
    }
    void start(QProcess &process, const char *program, const QStringList &arguments)
    {
        process.setProcessEnvironment(env);
        process.start(QString::fromLatin1(program), arguments);
    }
    void startApp(const QStringList &variables)
    {
        for (const QString &variable : variables)
            env.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
        QObject::connect(&app, &QProcess::readyReadStandardError, [this] { log += app.readAllStandardError(); });
        start(app, TARVEXCC_PATH, {QStringLiteral("--simulate")});
    }
    QStringList xdotool(const QString &arguments)
    {
        QProcess tool;
        start(tool, "xdotool", arguments.split(QLatin1Char(' ')));
        tool.waitForFinished(-1);
        return QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // {x, y, w, h} of a visible tarvexcc window whose width and height pass `wanted`.
    QList<int> window(const std::function<bool(int, int)> &wanted)
    {
        for (const QString &id : xdotool(QStringLiteral("search --onlyvisible --classname tarvexcc"))) {
            QList<int> g; // the X=, Y=, WIDTH=, HEIGHT= lines of --shell
            for (const QString &line : xdotool(QStringLiteral("getwindowgeometry --shell ") + id))
                if (!line.startsWith(QLatin1String("WINDOW")) && !line.startsWith(QLatin1String("SCREEN")))
                    g.append(line.section(QLatin1Char('='), 1).toInt());
            if (g.size() == 4 && wanted(g[2], g[3]))
                return g;
        }
        return {};
    }
    // Plays the desktop through the fake portal; answers with every call it has had.
    static QString desktop(const QVariantMap &request = {})
    {
        QDBusMessage call = QDBusMessage::createMethodCall(
            "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop", "cc.tarvex.FakePortal", "Control");
        call << request;
        const QDBusMessage reply = QDBusConnection::sessionBus().call(call);
        if (reply.type() != QDBusMessage::ReplyMessage) // say why, for a failure's message
            return QStringLiteral("(the fake portal did not answer: %1)").arg(reply.errorMessage());
        return reply.arguments().value(0).toStringList().join('\n');
    }

    XvfbDisplay x;
    QTemporaryDir runtime, config;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QProcess app, trayer, watcher, portal;
    QByteArray log;
};

// No tray and no wait: the window shows at once, the portal's hot keys act meanwhile, and a
// StatusNotifierItem host that comes then takes the icon; the window goes.
TEST_F(LateTray, StatusNotifierHostAfterTheWindowWithPortalHotKeysMeanwhile)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under dbus-run-session";
    start(portal, TRAY_PYTHON, {QStringLiteral(FAKE_PORTAL), QStringLiteral("2")});
    ASSERT_TRUE(QTest::qWaitFor([] {
        return QDBusConnection::sessionBus().interface()->isServiceRegistered("org.freedesktop.portal.Desktop").value();
    }, 60000));
    startApp({"XDG_SESSION_TYPE=wayland", "TARVEX_TRAY_WAIT_MS=0", "QT_LOGGING_RULES=tarvex.hid.debug=true"});
    const auto wide = [](int w, int) { return w > 150; };
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window(wide).isEmpty(); }, 60000))
        << "no window; the X server " << qPrintable(x.display()) << " answers: "
        << qPrintable(xdotool(QStringLiteral("getdisplaygeometry")).join(' ')) << "; tarvexcc "
        << (app.state() == QProcess::NotRunning ? "has ended" : "runs") << ":\n"
        << log.constData();
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop().contains("BindShortcuts port-1="); }, 60000)) << qPrintable(desktop());
    for (const char *id : {"port-2=", "port-3=", "port-4=", "rotate="})
        EXPECT_TRUE(desktop().contains(id)) << id;
    desktop({{"action", "press"}, {"id", "port-2"}});
    desktop({{"action", "release"}, {"id", "port-2"}});
    EXPECT_TRUE(QTest::qWaitFor([&] { return log.contains("00001001 if=1 write 09 03 0B 01 01 00 00 00"); }, 60000))
        << log.constData();
    start(watcher, TRAY_PYTHON, {QStringLiteral(FAKE_WATCHER)});
    EXPECT_TRUE(QTest::qWaitFor([&] { return watcher.readAllStandardOutput().contains("registered"); }, 60000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window(wide).isEmpty(); }, 60000)) << "the window stays";
}

// trayer comes while tarvexcc waits for a tray: the X11 tray manager's announcement brings
// the icon, which is embedded and opens the menu. A second start finds the tray at once.
TEST_F(LateTray, X11TrayDuringTheWaitEmbedsTheIconThatOpensTheMenu)
{
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")); // without a bus Qt embeds the XEmbed way
    startApp({"TARVEX_TRAY_WAIT_MS=600000", "QT_LOGGING_RULES=tarvex.app.debug=true"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.contains("waiting up to"); }, 60000)) << log.constData();
    start(trayer, "trayer", QStringLiteral("--edge top --align right --widthtype request --height 28").split(' '));
    // The icon: a small window of ours inside the tray. Until trayer has embedded it, it sits
    // at x = 0 (the tray is at the right edge), and on a busy machine the tray may still move
    // it or drop the first click: click (again, at most every few seconds) until the menu is up.
    QElapsedTimer sinceClick;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        if (!window([](int, int h) { return h > 150; }).isEmpty())
            return true;
        const QList<int> icon = window([](int w, int h) { return w <= 64 && h <= 64; });
        if (!icon.isEmpty() && icon[0] > 0 && (!sinceClick.isValid() || sinceClick.hasExpired(3000))) {
            xdotool(QStringLiteral("mousemove %1 %2 click 1").arg(icon[0] + icon[2] / 2).arg(icon[1] + icon[3] / 2));
            sinceClick.start();
        }
        return false;
    }, 120000)) << (sinceClick.isValid() ? "the icon was clicked, no menu came" : "no icon in the tray");
    EXPECT_FALSE(log.contains("no system tray")) << log.constData();

    app.terminate();
    ASSERT_TRUE(app.waitForFinished(30000));
    log.clear();
    start(app, TARVEXCC_PATH, {QStringLiteral("--simulate")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window([](int w, int h) { return w <= 64 && h <= 64; }).isEmpty(); }, 60000));
    EXPECT_FALSE(log.contains("waiting up to")) << log.constData();
}
