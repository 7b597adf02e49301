// Entry point of tarvexcc: options, one instance per session, the USB backend (real or
// simulated), then the application controller on the Qt event loop.
#include "AppLog.h"
#include "ApplicationController.h"
#include "SingleInstanceGuard.h"
#include "SleepWatcher.h"
#include "TarvexCCApp.h"
#include "TarvexVersion.h"
#include "TrayHostWatcher.h"
#include "switch/DefaultsStore.h"
#include "switch/StandardDescriptors.h"
#include "switch/UnixSignalRelay.h"
#include "usb/IOWarriorLib.h"
#include "usb/linux/LinuxHidPlatform.h"
#include "usb/sim/SimHidPlatform.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QLibraryInfo>
#include <QLocale>
#include <QSessionManager>
#include <QTimer>
#include <QTranslator>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

QElapsedTimer &benchClock()
{
    static QElapsedTimer clock;
    return clock;
}

constexpr int kMaxSimulatedSwitches = 16;

// Answered before the application object exists (no display is needed), so the table is
// asked directly rather than through QCoreApplication::translate().
QString usage()
{
    QTranslator translator;
    Q_UNUSED(translator.load(QLocale(), QStringLiteral("tarvexcc"), QStringLiteral("_"),
                             QStringLiteral(":/i18n")));
    const char *const text = QT_TRANSLATE_NOOP(
        "tarvexcc",
        "Usage: tarvexcc [--simulate[=N]] [--version] [--help]\n"
        "\n"
        "Controls Tarvex video switches from the system tray.\n"
        "\n"
        "  --simulate[=N]  use N simulated switches instead of USB (default 2, 1-%1)\n"
        "  --version       print the version and exit\n"
        "  --help          print this help and exit\n"
        "\n"
        "Only one tarvexcc runs per session; starting another one shows the menu of\n"
        "the running one.\n");
    QString translated = translator.translate("tarvexcc", text);
    if (translated.isEmpty())
        translated = QString::fromUtf8(text);
    return translated.arg(kMaxSimulatedSwitches);
}

// The answer to --help or --version, and whether it got out (exit status 1 if not: a full
// disk or a closed stdout must not look like success).
int printAnswer(FILE *out, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    int error = 0;
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out) == size_t(bytes.size()) &&
        StandardDescriptors::flushedCleanly(out, &error))
        return 0;
    if (error == 0)
        error = errno != 0 ? errno : EIO;
    std::fprintf(stderr, "tarvexcc: cannot write the answer: %s\n", std::strerror(error));
    return 1;
}

// 0 = use USB, N = simulate N switches, -1 = bad value (already reported).
int simulateOption(const char *argument)
{
    if (std::strcmp(argument, "--simulate") == 0)
        return 2;
    const char *value = argument + std::strlen("--simulate=");
    char *end = nullptr;
    errno = 0;
    const long n = std::strtol(value, &end, 10);
    if (*value == '\0' || *end != '\0' || errno != 0 || n < 1 || n > kMaxSimulatedSwitches) {
        std::fprintf(stderr, "tarvexcc: --simulate wants a number from 1 to %d, not '%s'\n",
                     kMaxSimulatedSwitches, value);
        return -1;
    }
    return int(n);
}

} // namespace

int main(int argc, char **argv)
{
    benchClock().start();
    StandardDescriptors::ensureOpen();
    // Answered and checked before any connection to a display, so they work on a console.
    int simulated = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0)
            return printAnswer(stdout, QStringLiteral("tarvexcc " TARVEX_VERSION "\n"));
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return printAnswer(stdout, usage());
        if (std::strcmp(argv[i], "--simulate") == 0 || std::strncmp(argv[i], "--simulate=", 11) == 0) {
            simulated = simulateOption(argv[i]);
            if (simulated < 0)
                return 2;
        }
    }

    TarvexCCApp app(argc, argv);
    // Qt has taken its own options (-display, -platform ...); anything else left is a mistake.
    for (const QString &argument : app.arguments().mid(1)) {
        if (!argument.startsWith(QLatin1String("--simulate"))) {
            std::fprintf(stderr, "tarvexcc: unknown option '%s'\n", qPrintable(argument));
            printAnswer(stderr, usage());
            return 2;
        }
    }

    // Qt's own table first, ours after it: the last one installed is asked first. Qt's gives
    // the standard buttons and dialogs (print dialog, message boxes) the interface language;
    // it comes with the system's Qt, and without it those stay English.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);
    QTranslator translator;
    if (translator.load(QLocale(), QStringLiteral("tarvexcc"), QStringLiteral("_"),
                        QStringLiteral(":/i18n")))
        app.installTranslator(&translator);

    SingleInstanceGuard instanceGuard;
    switch (instanceGuard.claim()) {
    case SingleInstanceGuard::Outcome::First:
        break;
    case SingleInstanceGuard::Outcome::OtherNotified:
        qCInfo(tarvexApp, "already running; its menu is shown.");
        return 0;
    case SingleInstanceGuard::Outcome::OtherUnreachable:
        qCWarning(tarvexApp, "another tarvexcc is already running in this session.");
        return 0;
    }

    std::unique_ptr<tarvex::HidPlatform> platform;
    if (simulated > 0)
        platform = tarvex::SimHidPlatform::withDefaultSwitches(simulated);
    else
        platform = std::make_unique<tarvex::LinuxHidPlatform>();
    IOWarriorSetPlatform(platform.get());

    ApplicationController controller;
    // Tests and scripted sessions choose how long start-up waits for a tray host.
    bool waitGiven = false;
    const int trayWait = qEnvironmentVariableIntValue("TARVEX_TRAY_WAIT_MS", &waitGiven);
    if (waitGiven && trayWait >= 0)
        controller.trayHost().setWaitTime(trayWait);
    QObject::connect(&instanceGuard, &SingleInstanceGuard::showMenuRequested, &controller,
                     &ApplicationController::popUpStatusMenu);

    // Every orderly end runs the shut-down sequence: Quit, the session's end, and signals.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &controller,
                     &ApplicationController::applicationWillTerminate);
    UnixSignalRelay signalRelay;
    if (!signalRelay.watch({SIGTERM, SIGINT, SIGHUP}))
        qCWarning(tarvexApp, "cannot watch for termination signals: %s", std::strerror(errno));
    QObject::connect(&signalRelay, &UnixSignalRelay::received, &controller,
                     [&controller] { controller.terminate(nullptr); });
    // Autostart starts us at login; the session manager must not start a second copy.
    QObject::connect(&app, &QGuiApplication::saveStateRequest, &app,
                     [](QSessionManager &manager) { manager.setRestartHint(QSessionManager::RestartNever); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [](QSessionManager &) {
        DefaultsStore::standard().synchronize();
    });

    SleepWatcher sleepWatcher;
    QObject::connect(&sleepWatcher, &SleepWatcher::resumed, &controller,
                     &ApplicationController::resumeFromSleep);

    QTimer::singleShot(0, &controller, &ApplicationController::applicationDidFinishLaunching);
    // scripts/bench: the time from main() to a built status menu (queued after the launch).
    if (qEnvironmentVariableIsSet("TARVEX_BENCH_READY")) {
        QTimer::singleShot(0, &controller, [] {
            std::fprintf(stderr, "menu ready %lld ms after main, at %lld\n",
                         static_cast<long long>(benchClock().elapsed()),
                         static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
            std::fflush(stderr);
        });
    }
    const int status = app.exec();
    // aboutToQuit has run the shut-down sequence; the platform outlives the controller's use.
    IOWarriorSetPlatform(nullptr);
    return status;
}
