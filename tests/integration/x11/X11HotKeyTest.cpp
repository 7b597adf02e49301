// Global hot keys and key names on a private Xvfb: grabs fire once per press (also with
// Num Lock on, and however long the key is held), never on release; another client's grab
// makes registration fail without leaving half a registration; key names follow `setxkbmap`.
#include "RecordingTarget.h"

#include "PTHotKeys/PTHotKey.h"
#include "PTHotKeys/PTHotKeyCenter.h"
#include "PTHotKeys/PTKeyCodeTranslator.h"
#include "PTHotKeys/UserDisplayAdditions.h"
#include "PTHotKeys/x11/QtXcbConnection.h"
#include "PTHotKeys/x11/X11HotKeyService.h"
#include "PTHotKeys/x11/XcbXkb.h"
#include "PTHotKeys/xkb/XkbKeyboardLayout.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

std::string gDisplay;

constexpr xcb_keycode_t kSuperL = 133; // evdev 125 + 8
constexpr xcb_keycode_t kKey1 = 10;    // evdev 2 + 8
constexpr xcb_keycode_t kNumLock = 77; // evdev 69 + 8
constexpr quint16 kMod4 = XCB_MOD_MASK_4;

// Polls the event loop until `done` holds; gives up after a generous while (not a timing check).
template <typename F>
bool waitFor(F done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 15000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

// Lets every event already sent reach the program.
void settle(xcb_connection_t *other)
{
    free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));
    xcb_connection_t *own = qtXcbConnection();
    free(xcb_get_input_focus_reply(own, xcb_get_input_focus(own), nullptr));
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

class X11HotKeys : public ::testing::Test
{
protected:
    void SetUp() override
    {
        other = xcb_connect(gDisplay.c_str(), nullptr);
        ASSERT_EQ(xcb_connection_has_error(other), 0);
        root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
        center = std::make_unique<PTHotKeyCenter>(
            std::make_unique<X11HotKeyService>(qtXcbConnection()));
        hotKey.setIdentifier("Port 1");
        hotKey.setKeyCombo(PTKeyCombo(0x12, 0x0100)); // command-1: Super+1
        hotKey.setTarget(&target);
        hotKey.setAction("switchToPort1");
    }
    void TearDown() override
    {
        center.reset();
        xcb_disconnect(other);
    }

    void key(uint8_t type, xcb_keycode_t keycode)
    {
        xcb_test_fake_input(other, type, keycode, XCB_CURRENT_TIME, root, 0, 0, 0);
    }
    void pressCombination()
    {
        key(XCB_KEY_PRESS, kSuperL);
        key(XCB_KEY_PRESS, kKey1);
        key(XCB_KEY_RELEASE, kKey1);
        key(XCB_KEY_RELEASE, kSuperL);
        xcb_flush(other);
    }
    // Presses Super+1 and expects the action to have run `calls` times in all afterwards.
    void pressAndExpect(qsizetype calls)
    {
        pressCombination();
        ASSERT_TRUE(waitFor([&] { return target.calls.size() >= calls; }));
        settle(other);
        EXPECT_EQ(target.calls.size(), calls);
    }
    static bool grab(xcb_connection_t *client, quint16 mask)
    {
        const xcb_window_t rootWindow = xcb_setup_roots_iterator(xcb_get_setup(client)).data->root;
        xcb_generic_error_t *error = xcb_request_check(
            client, xcb_grab_key_checked(client, 0, rootWindow, mask, kKey1, XCB_GRAB_MODE_ASYNC,
                                         XCB_GRAB_MODE_ASYNC));
        free(error);
        return error == nullptr;
    }

    // Makes the server repeat held keys soon (200 ms, then every 33 ms) and returns the delay
    // it now uses; 0 when XKB is missing.
    int fastAutoRepeat()
    {
        free(xcb_xkb_use_extension_reply(other, xcb_xkb_use_extension(other, 1, 0), nullptr));
        xcb_xkb_get_controls_reply_t *controls = xcb_xkb_get_controls_reply(
            other, xcb_xkb_get_controls(other, XCB_XKB_ID_USE_CORE_KBD), nullptr);
        if (!controls)
            return 0;
        free(xcb_request_check(
            other, xcb_xkb_set_controls_checked(
                       other, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                       XCB_XKB_BOOL_CTRL_REPEAT_KEYS, XCB_XKB_BOOL_CTRL_REPEAT_KEYS,
                       XCB_XKB_BOOL_CTRL_REPEAT_KEYS, 200, 33, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                       0, controls->perKeyRepeat)));
        free(controls);
        controls = xcb_xkb_get_controls_reply(
            other, xcb_xkb_get_controls(other, XCB_XKB_ID_USE_CORE_KBD), nullptr);
        const int delay = controls ? controls->repeatDelay : 0;
        free(controls);
        return delay;
    }

    // Holds Super+1 well past the autorepeat delay, then lets go. Returns how many presses of
    // the 1 key reached this process (repeats included), counted before the service sees them.
    int holdCombination(int repeatDelay)
    {
        struct PressCounter : QAbstractNativeEventFilter {
            int presses = 0;
            bool nativeEventFilter(const QByteArray &, void *message, qintptr *) override
            {
                const auto *event = static_cast<const xcb_key_press_event_t *>(message);
                if ((event->response_type & 0x7F) == XCB_KEY_PRESS && event->detail == kKey1)
                    ++presses;
                return false;
            }
        } counter;
        QCoreApplication::instance()->installNativeEventFilter(&counter); // sees events first
        key(XCB_KEY_PRESS, kSuperL);
        key(XCB_KEY_PRESS, kKey1);
        xcb_flush(other);
        QElapsedTimer held;
        held.start();
        while (held.elapsed() < repeatDelay + 700) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(2);
        }
        key(XCB_KEY_RELEASE, kKey1);
        key(XCB_KEY_RELEASE, kSuperL);
        xcb_flush(other);
        settle(other);
        QCoreApplication::instance()->removeNativeEventFilter(&counter);
        return counter.presses;
    }

    // One press held long enough to repeat gives one action; the next press gives the next.
    void expectOneActionPerHeldPress()
    {
        const int delay = fastAutoRepeat();
        ASSERT_GT(delay, 0) << "the server has no XKB controls";
        ASSERT_TRUE(center->registerHotKey(&hotKey));
        const int delivered = holdCombination(delay);
        // The server did repeat the key; without that the test would prove nothing.
        ASSERT_GT(delivered, 1) << "the key did not autorepeat";
        EXPECT_EQ(target.calls.size(), 1) << delivered << " presses reached the program";

        pressAndExpect(2);
    }

    xcb_connection_t *other = nullptr;
    xcb_window_t root = 0;
    std::unique_ptr<PTHotKeyCenter> center;
    RecordingTarget target;
    PTHotKey hotKey;
};

} // namespace

TEST_F(X11HotKeys, FiresOncePerPressAlsoWithNumLockAndNotOnRelease)
{
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    pressAndExpect(1);
    EXPECT_EQ(target.calls[0].second, &hotKey);

    key(XCB_KEY_PRESS, kNumLock);
    key(XCB_KEY_RELEASE, kNumLock);
    xcb_flush(other);
    settle(other);
    xcb_query_pointer_reply_t *pointer =
        xcb_query_pointer_reply(other, xcb_query_pointer(other, root), nullptr);
    ASSERT_NE(pointer, nullptr);
    const bool numLockOn = pointer->mask & XCB_MOD_MASK_2;
    free(pointer);
    ASSERT_TRUE(numLockOn) << "Num Lock did not turn on";
    pressAndExpect(2);

    // 1 without Super is not the hot key; unregistered, nothing fires.
    key(XCB_KEY_PRESS, kKey1);
    key(XCB_KEY_RELEASE, kKey1);
    xcb_flush(other);
    settle(other);
    center->unregisterHotKey(&hotKey);
    pressCombination();
    settle(other);
    EXPECT_EQ(target.calls.size(), 2);
}

TEST_F(X11HotKeys, HeldKeyFiresOnce)
{
    center.reset();
    auto *service = new X11HotKeyService(qtXcbConnection());
    EXPECT_TRUE(service->hasDetectableAutoRepeat());
    center = std::make_unique<PTHotKeyCenter>(std::unique_ptr<HotKeyService>(service));
    expectOneActionPerHeldPress();
}

TEST_F(X11HotKeys, HeldKeyFiresOnceWithoutDetectableAutoRepeat)
{
    // The server sends a release and a press with one timestamp for every repeat; the
    // service tells them from a new press by that timestamp. The fixture's service turned the
    // flag on for Qt's connection: off again here.
    center.reset();
    free(xcb_xkb_per_client_flags_reply(
        qtXcbConnection(),
        xcb_xkb_per_client_flags(qtXcbConnection(), XCB_XKB_ID_USE_CORE_KBD,
                                 XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT, 0, 0, 0, 0),
        nullptr));
    auto *service =
        new X11HotKeyService(qtXcbConnection(), X11HotKeyService::AutoRepeat::ServerDefault);
    ASSERT_FALSE(service->hasDetectableAutoRepeat());
    center = std::make_unique<PTHotKeyCenter>(std::unique_ptr<HotKeyService>(service));
    expectOneActionPerHeldPress();
}

TEST_F(X11HotKeys, RefusedWhileAnotherClientHoldsItWithoutPartialGrabs)
{
    // The other client holds only the Caps Lock variant: our plain variant succeeds first and
    // must be undone when the Caps Lock one is refused.
    ASSERT_TRUE(grab(other, kMod4 | XCB_MOD_MASK_LOCK));
    EXPECT_FALSE(center->registerHotKey(&hotKey));
    EXPECT_EQ(center->lastRegistrationStatus(), HotKeyService::kStatusXBadAccess);
    EXPECT_TRUE(center->allHotKeys().isEmpty());
    xcb_connection_t *third = xcb_connect(gDisplay.c_str(), nullptr);
    EXPECT_TRUE(grab(third, kMod4)) << "the plain variant was left grabbed";
    xcb_disconnect(third);

    // Once the other client lets go, the same combination can be had.
    xcb_ungrab_key(other, kKey1, root, kMod4 | XCB_MOD_MASK_LOCK);
    xcb_flush(other);
    settle(other);
    EXPECT_TRUE(center->registerHotKey(&hotKey));

    // Two hot keys of this program on one combination: the second is refused.
    PTHotKey twin("Port 2", hotKey.keyCombo());
    EXPECT_FALSE(center->registerHotKey(&twin));
    EXPECT_EQ(center->lastRegistrationStatus(), HotKeyService::kStatusHotKeyExists);
}

TEST_F(X11HotKeys, KeyNamesFollowTheLayout)
{
    auto layout = XkbKeyboardLayout::create();
    ASSERT_NE(layout, nullptr);
    PTKeyCodeTranslator::setLayoutSource(std::move(layout));
    ASSERT_TRUE(QProcess::execute("setxkbmap", {"-display", QString::fromStdString(gDisplay), "us"}) == 0);
    settle(other);
    ASSERT_TRUE(waitFor([] { return UserDisplayAdditions::stringForKeyCode(0x06) == "Z"; }));
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCode(0x10), "Y");
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCode(0x53), "Pad 1");

    const int rc = QProcess::execute("setxkbmap", {"-display", QString::fromStdString(gDisplay), "de"});
    if (rc != 0)
        GTEST_SKIP() << "setxkbmap is not available";
    EXPECT_TRUE(waitFor([] { return UserDisplayAdditions::stringForKeyCode(0x06) == "Y"; }))
        << UserDisplayAdditions::stringForKeyCode(0x06).toStdString();
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCode(0x10), "Z");
    // The German ^ key is a dead key; it still gets a face.
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCode(0x32), "^");
    PTKeyCodeTranslator::setLayoutSource(nullptr);
}

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (access("/usr/bin/Xvfb", X_OK) != 0) {
        std::fprintf(stderr, "Xvfb is not installed: skipped\n");
        return 77;
    }
    int fds[2];
    if (pipe(fds) != 0)
        return 1;
    const std::string fdText = std::to_string(fds[1]);
    const char *xvfbArgs[] = {"Xvfb", "-displayfd", fdText.c_str(), "-screen", "0",
                              "640x480x24", "-nolisten", "tcp", nullptr};
    pid_t xvfb = 0;
    if (posix_spawn(&xvfb, "/usr/bin/Xvfb", nullptr, nullptr, const_cast<char **>(xvfbArgs),
                    environ) != 0) {
        std::fprintf(stderr, "Xvfb did not start: skipped\n");
        return 77;
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.empty()) {
        kill(xvfb, SIGTERM);
        waitpid(xvfb, nullptr, 0);
        std::fprintf(stderr, "Xvfb gave no display: skipped\n");
        return 77;
    }
    gDisplay = ":" + number;
    setenv("DISPLAY", gDisplay.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);

    int result = 1;
    {
        QGuiApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    kill(xvfb, SIGTERM); // only the server this process started
    waitpid(xvfb, nullptr, 0);
    return result;
}
