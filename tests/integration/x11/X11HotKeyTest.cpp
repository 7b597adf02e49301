// Global hot keys on a private Xvfb: a grab acts once per press however long the key is held,
// also with Num Lock and Caps Lock on, and keeps its modifiers when the modifier map changes;
// another client's grab makes registration fail without leaving half a registration.
#include "RecordingTarget.h"
#include "XvfbDisplay.h"

#include "PTHotKeys/PTHotKey.h"
#include "PTHotKeys/PTHotKeyCenter.h"
#include "PTHotKeys/x11/QtXcbConnection.h"
#include "PTHotKeys/x11/X11HotKeyService.h"

#include <QGuiApplication>
#include <QtCore/qtestsupport_core.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <xcb/xtest.h>

namespace {

QString gDisplay;
constexpr int kSuperL = 133, kKey1 = 10, kNumLock = 77, kCapsLock = 66, kControlL = 37; // evdev + 8

struct X11HotKeys : ::testing::Test {
    void SetUp() override { hotKey.setTarget(&target); hotKey.setAction("switchToPort1"); }
    void TearDown() override { xcb_disconnect(other); }
    void keys(std::initializer_list<int> strokes, int holdMs = 0) // > 0: press, < 0: release
    {
        for (int k : strokes) {
            xcb_test_fake_input(other, k > 0 ? XCB_KEY_PRESS : XCB_KEY_RELEASE, std::abs(k),
                                XCB_CURRENT_TIME, root, 0, 0, 0);
            xcb_flush(other);
            QTest::qWait(k == kKey1 ? holdMs : 0);
        }
        free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr)); // all sent
        QTest::qWait(100);
    }
    void pressAndExpect(qsizetype calls, int holdMs = 0, int modifier = kSuperL)
    {
        keys({modifier, kKey1, -kKey1, -modifier}, holdMs);
        EXPECT_TRUE(QTest::qWaitFor([&] { return target.calls.size() >= calls; }, 15000));
        keys({});
        EXPECT_EQ(target.calls.size(), calls);
    }
    bool grab(xcb_connection_t *client, quint16 mask)
    {
        xcb_generic_error_t *error = xcb_request_check(client, xcb_grab_key_checked(
            client, 0, root, mask, kKey1, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        free(error);
        return error == nullptr;
    }

    xcb_connection_t *other = xcb_connect(qPrintable(gDisplay), nullptr);
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    std::unique_ptr<PTHotKeyCenter> center;
    RecordingTarget target;
    PTHotKey hotKey{"Port 1", PTKeyCombo(0x12, 0x0100)}; // command-1: Super+1
};

} // namespace

TEST_F(X11HotKeys, HeldKeyFiresOnceAlsoWithNumLock)
{
    struct : QAbstractNativeEventFilter { // counts the presses of 1 before the service sees them
        int presses = 0;
        bool nativeEventFilter(const QByteArray &, void *message, qintptr *) override
        {
            const auto *event = static_cast<const xcb_key_press_event_t *>(message);
            presses += (event->response_type & 0x7F) == XCB_KEY_PRESS && event->detail == kKey1;
            return false;
        }
    } counter;
    auto *service = new X11HotKeyService(qtXcbConnection());
    center = std::make_unique<PTHotKeyCenter>(std::unique_ptr<HotKeyService>(service));
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    QCoreApplication::instance()->installNativeEventFilter(&counter);
    pressAndExpect(1, 1500); // well past the server's autorepeat delay
    QCoreApplication::instance()->removeNativeEventFilter(&counter);
    ASSERT_GT(counter.presses, 1) << "the key did not autorepeat: the test would prove nothing";
    EXPECT_TRUE(service->hasDetectableAutoRepeat());
    const int numLock = XCB_MOD_MASK_2, both = XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK; // Caps Lock joins Num Lock
    for (const auto &[lock, mask, calls] : {std::tuple(kNumLock, numLock, 2), std::tuple(kCapsLock, both, 3)}) {
        keys({lock, -lock});
        xcb_query_pointer_reply_t *state = xcb_query_pointer_reply(other, xcb_query_pointer(other, root), nullptr);
        ASSERT_TRUE(state && (state->mask & mask) == mask) << "the lock did not turn on";
        free(state);
        pressAndExpect(calls);
    }
}

TEST_F(X11HotKeys, CtrlHotKeyKeepsCtrlWhenTheModifierMapChanges)
{
    PTHotKey ctrl1{"Port 1", PTKeyCombo(0x12, 0x1000)};
    ctrl1.setTarget(&target);
    ctrl1.setAction("switchToPort1");
    center = std::make_unique<PTHotKeyCenter>(std::make_unique<X11HotKeyService>(qtXcbConnection()));
    ASSERT_TRUE(center->registerHotKey(&ctrl1));
    // Num Lock moves from Mod2 to Mod3: the service reads the new map and grabs anew.
    xcb_get_modifier_mapping_reply_t *map = xcb_get_modifier_mapping_reply(other, xcb_get_modifier_mapping(other), nullptr);
    ASSERT_TRUE(map);
    const int perRow = map->keycodes_per_modifier;
    std::vector<xcb_keycode_t> codes(xcb_get_modifier_mapping_keycodes(map), xcb_get_modifier_mapping_keycodes(map) + 8 * perRow);
    free(map);
    std::replace(codes.begin() + 4 * perRow, codes.begin() + 5 * perRow, xcb_keycode_t(kNumLock), xcb_keycode_t(0));
    const auto free3 = std::find(codes.begin() + 5 * perRow, codes.begin() + 6 * perRow, 0);
    ASSERT_NE(free3, codes.begin() + 6 * perRow) << "Mod3 is full";
    *free3 = kNumLock;
    xcb_set_modifier_mapping_reply_t *set = xcb_set_modifier_mapping_reply(other, xcb_set_modifier_mapping(other, perRow, codes.data()), nullptr);
    ASSERT_TRUE(set && set->status == XCB_MAPPING_STATUS_SUCCESS);
    free(set);
    keys({});
    pressAndExpect(1, 0, kControlL);
    keys({kKey1, -kKey1}); // the bare key is the user's
    EXPECT_EQ(target.calls.size(), 1);
}

TEST_F(X11HotKeys, RefusedWhileAnotherClientHoldsItWithoutPartialGrabs)
{
    // The other client holds only the Caps Lock variant: our plain variant succeeds first and
    // must be undone when the Caps Lock one is refused.
    center = std::make_unique<PTHotKeyCenter>(std::make_unique<X11HotKeyService>(qtXcbConnection()));
    ASSERT_TRUE(grab(other, XCB_MOD_MASK_4 | XCB_MOD_MASK_LOCK));
    EXPECT_FALSE(center->registerHotKey(&hotKey));
    EXPECT_EQ(center->grantForHotKey(&hotKey).reason, "Another application already uses this key combination.");
    xcb_connection_t *third = xcb_connect(qPrintable(gDisplay), nullptr);
    EXPECT_TRUE(grab(third, XCB_MOD_MASK_4)) << "the plain variant was left grabbed";
    xcb_disconnect(third);
    xcb_ungrab_key(other, kKey1, root, XCB_MOD_MASK_4 | XCB_MOD_MASK_LOCK);
    keys({});
    EXPECT_TRUE(center->registerHotKey(&hotKey)); // free again
    PTHotKey twin("Port 2", hotKey.keyCombo()); // two of ours on one combination
    EXPECT_FALSE(center->registerHotKey(&twin));
    EXPECT_EQ(center->lastRegistrationStatus(), HotKeyService::kStatusHotKeyExists);
}

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    const XvfbDisplay xvfb; // only the server this process started is stopped, after the application
    if (xvfb.display().isEmpty()) {
        std::fprintf(stderr, "Xvfb is missing or gave no display: skipped\n");
        return 77;
    }
    gDisplay = xvfb.display();
    qputenv("DISPLAY", gDisplay.toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
