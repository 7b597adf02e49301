// PTHotKeyCenter over a fake service: registration rules, one action per press and none per
// release or stale event, refusals as grants, grabs given back while a combination is captured,
// and which service a session gets.
#include "FakeHotKeyService.h"
#include "RecordingTarget.h"

#include "PTHotKeys/PTHotKey.h"
#include "PTHotKeys/PTHotKeyCenter.h"
#include "PTHotKeys/SessionHotKeyChoice.h"

#include <gtest/gtest.h>

namespace {

using Calls = QList<QPair<QString, QObject *>>;

struct PTHotKeyCenterTest : ::testing::Test {
    void SetUp() override { port1.setTarget(&target); port1.setAction("switchToPort1"); }
    FakeHotKeyService *service = new FakeHotKeyService;
    PTHotKeyCenter center{std::unique_ptr<HotKeyService>(service)};
    RecordingTarget target;
    PTHotKey port1{"Port 1", PTKeyCombo(0x12, 0x0100)};
    PTHotKey rotate{"Rotate", PTKeyCombo(0x0F, 0x0300)};
};

} // namespace

TEST_F(PTHotKeyCenterTest, RegistrationRulesAndOneActionPerPress)
{
    PTHotKey none("Port 2", PTKeyCombo(0x13, 0)); // not valid: nothing to register
    EXPECT_TRUE(center.registerHotKey(&none) && center.registerHotKey(nullptr));
    EXPECT_EQ(service->registerCalls, 0);
    ASSERT_TRUE(center.registerHotKey(&port1) && center.registerHotKey(&port1)); // replaced
    ASSERT_TRUE(center.registerHotKey(&rotate));
    EXPECT_EQ(service->grabbed(), (Combos{{0x12, 0x0100}, {0x0F, 0x0300}}));
    EXPECT_TRUE(center.hotKeyWithIdentifier("Rotate") == &rotate && !center.hotKeyWithIdentifier("Port 2"));
    const HotKeyID id = service->registrations.first().id;

    EXPECT_TRUE(service->press(0x12, 0x0100) && service->release(0x12, 0x0100));
    EXPECT_EQ(target.calls, (Calls{{"switchToPort1", &port1}}));
    port1.setKeyCombo(PTKeyCombo(0x13, 0x0300)); // takes effect once registered again
    ASSERT_TRUE(center.registerHotKey(&port1));
    EXPECT_FALSE(service->press(0x12, 0x0100));
    // An event queued for the old registration finds nobody; nor do gone hot keys or targets.
    EXPECT_EQ(center.sendCarbonEvent({HotKeyService::kEventClassKeyboard, 5, id, 0}), 0);
    auto gone = std::make_unique<PTHotKey>("Port 3", PTKeyCombo(0x14, 0x0100));
    ASSERT_TRUE(center.registerHotKey(gone.get()));
    gone.reset();
    EXPECT_FALSE(service->press(0x14, 0x0100));
    port1.setTarget(std::make_unique<RecordingTarget>().get()); // destroyed at once
    EXPECT_TRUE(service->press(0x13, 0x0300));
    EXPECT_EQ(target.calls.size(), 1);

    port1.setKeyCombo(PTKeyCombo()); // clearing unregisters
    EXPECT_TRUE(center.registerHotKey(&port1));
    center.unregisterHotKey(&rotate);
    EXPECT_TRUE(center.allHotKeys().isEmpty() && service->registrations.isEmpty());
    EXPECT_EQ(service->handlerInstalls, 1); // installed once, kept
}

TEST_F(PTHotKeyCenterTest, RefusalsNowOrAtTheEndOfASuspensionDropTheRegistrationAndAreTheGrant)
{
    ASSERT_TRUE(center.registerHotKey(&port1));
    service->refused.append({0x13, 0x0300});
    port1.setKeyCombo(PTKeyCombo(0x13, 0x0300));
    EXPECT_FALSE(center.registerHotKey(&port1)); // the old registration is gone as well
    EXPECT_TRUE(service->registrations.isEmpty());
    EXPECT_EQ(center.grantForHotKey(&port1).reason, "Another application already uses this key combination.");
    center.unregisterHotKey(&port1);
    EXPECT_TRUE(center.grantForHotKey(&port1).isActive()); // nothing registered, nothing refused

    port1.setKeyCombo(PTKeyCombo(0x12, 0x0100));
    ASSERT_TRUE(center.registerHotKey(&rotate) && center.registerHotKey(&port1));
    QList<QPair<PTHotKey *, int>> lost;
    QObject::connect(&center, &PTHotKeyCenter::registrationLost,
                     [&](PTHotKey *key, int status) { lost.append({key, status}); });
    center.suspendAll();
    center.suspendAll(); // nested: back with the last resume
    EXPECT_TRUE(service->registrations.isEmpty() && center.allHotKeys().size() == 2); // still ours
    center.resumeAll();
    PTHotKey added("Port 2", PTKeyCombo(0x13, 0x0100));
    EXPECT_TRUE(center.registerHotKey(&added)); // taken now, grabbed at the last resume
    EXPECT_TRUE(service->registrations.isEmpty());
    service->refused.append({0x12, 0x0100}); // another program took it meanwhile
    center.resumeAll();
    EXPECT_EQ(service->grabbed(), (Combos{{0x0F, 0x0300}, {0x13, 0x0100}})); // in the old order
    EXPECT_EQ(lost, (QList<QPair<PTHotKey *, int>>{{&port1, HotKeyService::kStatusXBadAccess}}));
    EXPECT_EQ(center.grantForHotKey(&port1).status, HotKeyService::kStatusXBadAccess);
    EXPECT_EQ(center.lastRegistrationStatus(), 0); // not the status of a registerHotKey() call
}

TEST(SessionHotKeyChoice, PortalOnWaylandX11GrabsElsewhereAndWhyWhenLimited)
{
    using Kind = SessionHotKeyChoice::Kind;
    const struct { SessionHotKeyChoice::Session session; Kind kind; const char *limitation; } cases[] = {
        {{true, true, 1}, Kind::Portal, ""}, // Wayland, X11 (XWayland), portal version
        {{false, true, 0}, Kind::X11, ""},
        {{true, true, 0}, Kind::X11, "only while a window of an X11 program has the focus"},
        {{true, false, 0}, Kind::Unavailable, "bind the command “tarvexctl port 1”"},
        {{false, false, 0}, Kind::Unavailable, "not available in this session"}, // no display at all
    };
    for (const auto &c : cases) {
        const auto choice = SessionHotKeyChoice::choose(c.session);
        EXPECT_EQ(choice.kind, c.kind);
        EXPECT_TRUE(*c.limitation ? choice.limitation.contains(c.limitation) : choice.limitation.isEmpty())
            << choice.limitation.toStdString();
    }
    // A Wayland session with neither a session bus nor an X server, probed for real: the
    // service it gets refuses, and says why once, as a warning.
    qputenv("XDG_SESSION_TYPE", "wayland");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qunsetenv("DISPLAY"); // nor may the bus library start a bus for one
    testing::internal::CaptureStderr();
    PTHotKeyCenter center(HotKeyService::createForSession());
    PTHotKey a("Port 1", PTKeyCombo(0x12, 0x0100)), b("Port 2", PTKeyCombo(0x13, 0x0100));
    EXPECT_FALSE(center.registerHotKey(&a) || center.registerHotKey(&b));
    const QString said = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(said.count("no global shortcuts portal"), 1) << said.toStdString();
    EXPECT_EQ(center.grantForHotKey(&b).status, HotKeyService::kStatusUnavailable);
    EXPECT_EQ(center.limitation(), SessionHotKeyChoice::choose({true, false, 0}).limitation);
}
