// bench_hotkey_latency [presses]: how long a global hot-key press takes to become the
// port-select report on the switch. A whole-process measurement on a private Xvfb with the
// real X11 grabs: the tray application's controller runs on a simulated switch with "Port 1"
// bound to command-1 (Super+1); presses are injected with XTEST on a connection of our own.
// Two spans per press: from the key event arriving in this process (a native event filter
// that sees it before the hot-key service does) to the report reaching the simulated switch,
// and from the injection request to that report (adds the X server's round trip).
#include "AlertPresenter.h"
#include "ApplicationController.h"
#include "switch/DefaultsStore.h"
#include "usb/IOWarriorLib.h"
#include "usb/sim/SimHidPlatform.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr xcb_keycode_t kSuperL = 133; // evdev 125 + 8
constexpr xcb_keycode_t kKey1 = 10;    // evdev 2 + 8

class SilentAlerts : public AlertPresenter
{
public:
    int runAlert(const QString &, const QString &, const QString &, const QString &) override
    {
        return 1;
    }
};

// Notes when the press of the bound key reaches this process.
class ArrivalFilter : public QAbstractNativeEventFilter
{
public:
    Clock::time_point arrived;
    int presses = 0;
    int releases = 0;

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        auto *event = static_cast<xcb_generic_event_t *>(message);
        const uint8_t kind = event->response_type & 0x7f;
        if ((kind == XCB_KEY_PRESS || kind == XCB_KEY_RELEASE)
            && reinterpret_cast<xcb_key_press_event_t *>(event)->detail == kKey1) {
            if (kind == XCB_KEY_PRESS) {
                arrived = Clock::now();
                ++presses;
            } else {
                ++releases;
            }
        }
        return false; // the hot-key service handles it as usual
    }
};

pid_t startXvfb(std::string *display)
{
    int fds[2];
    if (pipe(fds) != 0)
        return 0;
    const std::string fdText = std::to_string(fds[1]);
    const char *args[] = {"Xvfb", "-displayfd", fdText.c_str(), "-screen", "0", "640x480x24",
                          "-nolisten", "tcp", nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, "/usr/bin/Xvfb", nullptr, nullptr, const_cast<char **>(args), environ) != 0)
        pid = 0;
    close(fds[1]);
    std::string number;
    char c;
    while (pid != 0 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (pid != 0 && number.empty()) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        pid = 0;
    }
    *display = ":" + number;
    return pid;
}

double micros(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

void printStats(const char *what, std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) { return values[std::min(values.size() - 1, size_t(q * values.size()))]; };
    std::printf("%-34s median %8.1f us   p95 %8.1f us   min %8.1f us   max %8.1f us\n", what,
                at(0.5), at(0.95), values.front(), values.back());
}

// Runs the event loop until `done` holds; false after a second without it.
template <typename Done>
bool spinUntil(Done done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 1000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

int run(int argc, char **argv, const std::string &display, int presses)
{
    QTemporaryDir config;
    setenv("XDG_CONFIG_HOME", config.path().toUtf8().constData(), 1);
    QApplication app(argc, argv);
    SilentAlerts alerts; // no tray on a bare Xvfb: its notice must not block the run
    AlertPresenter::install(&alerts);

    tarvex::SimHidPlatform sim;
    auto sw = sim.plug("00001001", 1);
    IOWarriorSetPlatform(&sim);
    DefaultsStore::standard().setObjectForKey(QStringLiteral("Selected Switch"), QStringLiteral("00001001"));
    DefaultsStore::standard().setObjectForKey(
        QStringLiteral("Port 1"), QJsonObject{{QStringLiteral("keyCode"), 18}, {QStringLiteral("modifiers"), 0x100}});

    Clock::time_point reported;
    int reports = 0;
    sw->setReportHook([&](const tarvex::SimReport &report) {
        if (report.interfaceIndex == 1 && report.bytes[0] == 0x09 && report.bytes[1] == 0x03
            && report.bytes[2] == 0x0B) {
            reported = Clock::now();
            ++reports;
        }
    });

    int status = 0;
    {
        ApplicationController controller;
        controller.applicationDidFinishLaunching();
        if (!controller.hotkeyFailure(1).isEmpty()) {
            std::fprintf(stderr, "bench_hotkey_latency: Super+1 not registered: %s\n",
                         qPrintable(controller.hotkeyFailure(1)));
            return 1;
        }
        ArrivalFilter filter; // installed last, so it sees each event first
        app.installNativeEventFilter(&filter);

        xcb_connection_t *injector = xcb_connect(display.c_str(), nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(injector)).data->root;
        const auto key = [&](uint8_t type, xcb_keycode_t code) {
            xcb_test_fake_input(injector, type, code, XCB_CURRENT_TIME, root, 0, 0, 0);
        };
        key(XCB_KEY_PRESS, kSuperL);
        xcb_flush(injector);

        std::vector<double> fromArrival, fromInjection;
        // The first presses pay for Qt's and the server's first-use work (and may be held long
        // enough to autorepeat): they are not measured.
        const int warmUp = 10;
        int reportsBeforeMeasuring = 0;
        for (int i = 0; i < presses + warmUp; ++i) {
            const int before = reports;
            const int releasesBefore = filter.releases;
            const Clock::time_point injected = Clock::now();
            key(XCB_KEY_PRESS, kKey1);
            xcb_flush(injector);
            if (!spinUntil([&] { return reports > before; })) {
                std::fprintf(stderr, "bench_hotkey_latency: press %d sent no report\n", i);
                status = 1;
                break;
            }
            if (i >= warmUp) {
                fromArrival.push_back(micros(reported - filter.arrived));
                fromInjection.push_back(micros(reported - injected));
            }
            key(XCB_KEY_RELEASE, kKey1);
            xcb_flush(injector);
            spinUntil([&] { return filter.releases > releasesBefore; });
            if (i == warmUp - 1)
                reportsBeforeMeasuring = reports;
        }
        key(XCB_KEY_RELEASE, kSuperL);
        xcb_flush(injector);
        xcb_disconnect(injector);
        app.removeNativeEventFilter(&filter);

        if (status == 0) {
            std::printf("hot-key press -> port-select report, %d presses (Xvfb, X11 grabs, simulated switch)\n",
                        presses);
            printStats("key event in process -> report:", fromArrival);
            printStats("XTEST injection -> report:", fromInjection);
            std::printf("port-select reports during the measured presses: %d (one per press expected)\n",
                        reports - reportsBeforeMeasuring);
        }
        controller.applicationWillTerminate();
    }
    IOWarriorSetPlatform(nullptr);
    AlertPresenter::install(nullptr);
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    const int presses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    if (access("/usr/bin/Xvfb", X_OK) != 0) {
        std::fprintf(stderr, "bench_hotkey_latency: Xvfb is not installed\n");
        return 77;
    }
    std::string display;
    const pid_t xvfb = startXvfb(&display);
    if (xvfb == 0) {
        std::fprintf(stderr, "bench_hotkey_latency: Xvfb did not start\n");
        return 77;
    }
    setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    int qtArgc = 1;
    const int status = run(qtArgc, argv, display, presses);
    kill(xvfb, SIGTERM); // only the server this process started
    waitpid(xvfb, nullptr, 0);
    return status;
}
