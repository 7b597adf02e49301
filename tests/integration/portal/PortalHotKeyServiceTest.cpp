// PortalHotKeyService against a stand-in portal (fake_portal.py) on the private session bus of
// dbus-run-session: the calls and their order, binding only what the desktop lacks, an action
// per press (also after a press with no release), edits, keys the desktop reports otherwise,
// partial and refused grants, GNOME's dialog, requests never answered, and a new session after
// the desktop closed it or the portal restarted.
#include "RecordingTarget.h"

#include "PTHotKeys/FixedUsKeyboardLayout.h"
#include "PTHotKeys/PTHotKey.h"
#include "PTHotKeys/PTHotKeyCenter.h"
#include "PTHotKeys/PTKeyCodeTranslator.h"
#include "PTHotKeys/portal/PortalHotKeyService.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

namespace {

using Map = QVariantMap;
QDBusConnection bus() { return QDBusConnection::sessionBus(); }
QString python() { return qEnvironmentVariable("PORTAL_PYTHON", "python3"); }
bool portalOnBus() { return bus().interface()->isServiceRegistered("org.freedesktop.portal.Desktop"); }
template <typename F> bool waitFor(F done) { return QTest::qWaitFor(done, 20000); }

struct Portal : ::testing::Test {
    void TearDown() override
    {
        center.reset();
        fake.kill();
        fake.waitForFinished();
        // The bus's word of its going is heard now, not by the next case's service.
        ASSERT_TRUE(waitFor([] { return !portalOnBus(); }));
        QCoreApplication::processEvents();
    }
    QStringList control(const Map &request = {}) // plays the desktop; every call the portal had
    {
        QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.portal.Desktop",
            "/org/freedesktop/portal/desktop", "cc.tarvex.FakePortal", "Control");
        return bus().call(call << request).arguments().value(0).toStringList();
    }
    // Starts the stand-in (version 0: none); then, as the program does, tells the application id
    // and asks for the interface's version; registers three hot keys and waits for the answers.
    void run(int version, Map mode = {}, int timeoutMs = PortalHotKeyService::kRequestTimeoutMs,
             bool settle = true, int dialogNoticeMs = PortalHotKeyService::kRequestTimeoutMs)
    {
        if (version > 0) {
            fake.start(python(), {qEnvironmentVariable("FAKE_PORTAL"), QString::number(version)});
            ASSERT_TRUE(waitFor(portalOnBus));
            mode["action"] = "configure";
            control(mode);
        }
        ASSERT_EQ(PortalHotKeyService::probeVersion(bus(), PortalHotKeyService::applicationId(), 60000), version);
        auto service = std::make_unique<PortalHotKeyService>(bus(), version);
        service->setRequestTimeout(timeoutMs);
        service->setDialogNotice(dialogNoticeMs);
        service->setReconnectDelay(0);
        service->setClock([this] { return now; });
        center = std::make_unique<PTHotKeyCenter>(std::move(service));
        changes = 0;
        QObject::connect(center.get(), &PTHotKeyCenter::grantChanged, [this] { ++changes; });
        for (PTHotKey *hotKey : {&port1, &port2, &rotate}) {
            hotKey->setTarget(&target);
            hotKey->setAction(hotKey == &rotate ? "rotate" : "switchToPort1");
            ASSERT_TRUE(center->registerHotKey(hotKey)); // the desktop answers later
        }
        ASSERT_TRUE(!settle || settled());
    }
    bool settled()
    {
        return waitFor([this] {
            return !(center->grantForHotKey(&port1).pending || center->grantForHotKey(&port2).pending
                     || center->grantForHotKey(&rotate).pending);
        });
    }
    bool press(const QString &id) // the desktop repeats Activated while a key is held
    {
        const qsizetype before = target.calls.size();
        for (const char *action : {"press", "press", "release"})
            control({{"action", action}, {"id", id}});
        return waitFor([&] { return target.calls.size() > before; });
    }

    QProcess fake;
    std::unique_ptr<PTHotKeyCenter> center;
    int changes = 0;
    qint64 now = 0;
    RecordingTarget target;
    PTHotKey port1{"Port 1", PTKeyCombo(0x12, 0x0100)};
    PTHotKey port2{"Port 2", PTKeyCombo(0x13, 0x0300)};
    PTHotKey rotate{"Rotate", PTKeyCombo(0x53, 0x1800)}; // Ctrl+Alt+keypad 1
};

} // namespace

TEST_F(Portal, BindsWhatTheDesktopLacksActsOncePerPressAndRebindsAnEdit)
{
    run(1, {{"early", true}, {"bound", Map{{"port-1", "Super+1"}}}});
    EXPECT_EQ(control(), (QStringList{"Register cc.tarvex.TarvexCC", "CreateSession tarvexcc port-1,port-2,rotate",
                                      "ListShortcuts", "BindShortcuts port-2=Port 2:LOGO+SHIFT+2 rotate=Rotate:CTRL+ALT+KP_1"}));
    EXPECT_EQ(center->grantForHotKey(&port1).trigger, "Super+1");
    EXPECT_EQ(center->grantForHotKey(&port2).trigger, "Super+Shift+2"); // KDE's "Meta+Shift+2"
    EXPECT_TRUE(center->grantForHotKey(&port2).isActive() && center->limitation().isEmpty());
    // KDE's keypad 1 comes back as the main row's: not surely the key chosen.
    EXPECT_EQ(center->grantForHotKey(&rotate).status, HotKeyService::kStatusNotSurelyActive);
    EXPECT_EQ(center->grantForHotKey(&rotate).trigger, "Ctrl+Alt+1");
    ASSERT_TRUE(press("port-2") && press("rotate"));
    control({{"action", "press"}, {"id", "never-registered"}});
    control({{"action", "press"}, {"id", "rotate"}}); // KDE's invokeShortcut: no Deactivated
    ASSERT_TRUE(waitFor([&] { return target.calls.size() == 3; }));
    now += PortalHotKeyService::kRepeatGapMs; // the next real press still counts
    ASSERT_TRUE(press("rotate"));
    EXPECT_EQ(target.calls, (QList<QPair<QString, QObject *>>{
                                {"switchToPort1", &port2}, {"rotate", &rotate}, {"rotate", &rotate}, {"rotate", &rotate}}));

    center->suspendAll(); // the capture panel: the same keys come back unasked
    center->resumeAll();
    port2.setKeyCombo(PTKeyCombo(0x60, 0x8000)); // F5; version 1 has no settings to open: bind again
    ASSERT_TRUE(center->registerHotKey(&port2));
    EXPECT_TRUE(waitFor([&] { return control().value(4) == "BindShortcuts port-2=Port 2:F5"; }));
    EXPECT_FALSE(center->grantForHotKey(&port2).note.isEmpty()); // the desktop's settings decide
    control({{"action", "change"}, {"id", "port-2"}, {"trigger", "Super+F3"}});
    EXPECT_TRUE(waitFor([&] { return center->grantForHotKey(&port2).trigger == "Super+F3"; }));
}

TEST_F(Portal, RefusalsAndSilenceLeaveBindingsNotActiveWithAReason)
{
    const int no = HotKeyService::kStatusNotGranted, late = HotKeyService::kStatusNoAnswer,
              doubt = HotKeyService::kStatusNotSurelyActive;
    const struct { Map mode; int timeoutMs, port1, port2; bool limited; } cases[] = {
        {{{"grant", QStringList{"port-1", "rotate"}}}, 30000, 0, no, false}, // a subset granted
        {{{"refuse", Map{{"BindShortcuts", 1}}}}, 30000, no, no, false},      // cancelled
        {{{"refuse", Map{{"CreateSession", 2}}}}, 30000, no, no, true},
        {{{"bound", Map{{"port-1", "Super+1"}, {"port-2", "Meta+1"}}}}, 30000, doubt, doubt, false}, // one key
        {{{"gnome", true}, {"cancel", true}}, 30000, no, no, false},
        {{{"kde_keys", Map{{"port-1", QVariantList{201326641}}, {"port-2", QVariantList{0}}}}}, 30000, 0, no, false}, // KWin's key
        {{{"silent", "ListShortcuts"}}, 50, late, late, true},
        {Map(), 30000, HotKeyService::kStatusUnavailable, HotKeyService::kStatusUnavailable, true}, // no portal
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.mode.keys().join(' ').toStdString());
        run(c.mode.isEmpty() ? 0 : 1, c.mode, c.timeoutMs);
        EXPECT_GT(changes, 0);
        EXPECT_EQ(center->grantForHotKey(&port1).status, c.port1);
        EXPECT_TRUE(waitFor([&] { return center->grantForHotKey(&port2).status == c.port2; })); // kglobalaccel answers last
        EXPECT_FALSE(center->grantForHotKey(&port2).reason.isEmpty());
        EXPECT_EQ(!center->limitation().isEmpty(), c.limited) << center->limitation().toStdString();
        if (c.mode.contains("kde_keys")) { // KDE's entry renamed, its token (and the keys stored under it) kept
            EXPECT_TRUE(waitFor([&] { return control().contains("doRegister tarvexcc,port-1,Tarvex CC,PORT-1"); }));
        }
        TearDown();
    }
    // A portal still coming up (at login) answers nothing yet: taken as there, not as missing.
    fake.start(python(), {qEnvironmentVariable("FAKE_PORTAL"), QStringLiteral("2")});
    ASSERT_TRUE(waitFor(portalOnBus));
    control({{"action", "configure"}, {"silent", "Get"}});
    EXPECT_EQ(PortalHotKeyService::probeVersion(bus(), PortalHotKeyService::applicationId(), 50),
              PortalHotKeyService::kAssumedVersion);
}

TEST_F(Portal, GnomesDialogWaitsAsLongAsItTakesAndAnswersTwoForAdd)
{
    run(1, {{"gnome", true}, {"silent", "BindShortcuts"}}, PortalHotKeyService::kRequestTimeoutMs, false, 0);
    ASSERT_TRUE(waitFor([&] { return !center->grantForHotKey(&port2).note.isEmpty(); })); // past the time-out
    EXPECT_TRUE(center->grantForHotKey(&port2).pending);
    control({{"action", "answer"}}); // Add
    ASSERT_TRUE(settled());
    EXPECT_TRUE(center->grantForHotKey(&rotate).isActive());
    EXPECT_EQ(center->grantForHotKey(&port2).trigger, "Super+Shift+2"); // "Press <Super><Shift>2"
    TearDown();
    // A registry that cannot find the program's desktop entry: GNOME then refuses every bind.
    run(1, {{"gnome", true}, {"cancel", true}, {"registry", "App info not found for 'cc.tarvex.TarvexCC'"}});
    const QString reason = center->grantForHotKey(&port2).reason;
    EXPECT_TRUE(reason.contains("cc.tarvex.TarvexCC.desktop") && reason.contains("'cc.tarvex.TarvexCC'. ")) << reason.toStdString();
}

TEST_F(Portal, ANewSessionAfterTheDesktopClosedItOrThePortalRestarted)
{
    run(2, {{"own_path", true}}); // a portal that answers on request paths of its own choosing
    port2.setKeyCombo(PTKeyCombo(0x14, 0x0300)); // version 2: the desktop's own settings open
    ASSERT_TRUE(center->registerHotKey(&port2));
    EXPECT_TRUE(waitFor([&] { return control().endsWith("ConfigureShortcuts"); }));
    for (const auto &step : {std::pair("close", 2), std::pair("restart", 3)}) {
        const char *action = step.first;
        control({{"action", action}});
        ASSERT_TRUE(waitFor([&] { return control().filter("CreateSession").size() == step.second; })) << action;
        EXPECT_TRUE(settled() && center->grantForHotKey(&port1).isActive() && press("port-1")) << action;
    }
    EXPECT_EQ(control().filter("BindShortcuts").size(), 1); // the desktop kept what it had bound
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (!bus().isConnected() || QProcess::execute(python(), {"-c", "import dbus, gi.repository.GLib"})) {
        std::fprintf(stderr, "no session bus, or no python3-dbus / python3-gi: skipped\n");
        return 77;
    }
    PTKeyCodeTranslator::setLayoutSource(std::make_unique<FixedUsKeyboardLayout>());
    return RUN_ALL_TESTS();
}
