// The tray application's test harness, shared by its GUI tests: scripted alerts, a private
// settings directory, the port selects a simulated switch received, and one simulated bus
// with the application on it, whose hot-plug waits are recorded and take no time.
#pragma once

#include "AlertPresenter.h"
#include "ApplicationController.h"
#include "StatusMenu.h"
#include "switch/DefaultsStore.h"
#include "switch/DeviceGate.h"
#include "usb/sim/SimHidPlatform.h"

#include <QAction>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using Selects = QList<QPair<int, int>>;
using Flags = QList<bool>;
using Bytes = std::array<std::uint8_t, 8>;

// Records every alert and answers from `answers` (the default button once they run out).
struct ScriptedAlertPresenter : AlertPresenter {
    QList<QStringList> alerts; // title, message, default button, alternate button
    QList<int> answers;
    std::function<void()> whileOpen;
    int runAlert(const QString &title, const QString &message, const QString &defaultButton,
                 const QString &alternateButton) override
    {
        alerts.append({title, message, defaultButton, alternateButton});
        if (whileOpen)
            whileOpen();
        return answers.isEmpty() ? 1 : answers.takeFirst();
    }
};

// Set before anything reads the environment. The runtime directory holds the switch locks:
// a test running at the same time on the same simulated serials must not busy ours.
inline QTemporaryDir &privateConfigHome()
{
    static QTemporaryDir dir, runtime;
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    return dir;
}

// The main of a GUI test program: offscreen, with private settings and switch locks.
#define TARVEX_GUI_TEST_MAIN(TestClass, ApplicationClass)                                           \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        qputenv("QT_QPA_PLATFORM", "offscreen");                                                   \
        privateConfigHome();                                                                       \
        ApplicationClass app(argc, argv);                                                          \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

inline void storeDefault(const QString &key, const QJsonValue &value)
{
    DefaultsStore::standard().setObjectForKey(key, value);
}

// The port-select reports (09 03 0B m u) in a switch's log, as {machine, usb} pairs.
template <typename Log>
Selects portSelects(const Log &log)
{
    Selects selects;
    for (const auto &r : log) {
        if (r.interfaceIndex == 1 && r.bytes[0] == 0x09 && r.bytes[1] == 0x03 && r.bytes[2] == 0x0B)
            selects.append({r.bytes[3], r.bytes[4]});
    }
    return selects;
}

struct AppHarness {
    std::unique_ptr<tarvex::SimHidPlatform> sim;
    std::unique_ptr<ApplicationController> app;
    ScriptedAlertPresenter alerts;
    QList<unsigned> pauses; // the hot-plug waits asked for, in microseconds

    void install()
    {
        AlertPresenter::install(&alerts);
        ApplicationController::setHotplugPause([this](unsigned us, std::function<void()> resume) {
            pauses.append(us);
            QTimer::singleShot(0, std::move(resume));
        });
    }
    void setUp()
    {
        AlertPresenter::install(&alerts); // a quit in the test before installed the log
        DefaultsStore::standard().removeObjectForKey(QStringLiteral("Selected Switch"));
        DefaultsStore::standard().removeObjectForKey(QStringLiteral("Switch Together"));
        sim = std::make_unique<tarvex::SimHidPlatform>();
        IOWarriorSetPlatform(sim.get());
        alerts.alerts.clear();
        alerts.answers.clear();
        pauses.clear();
    }
    void tearDown()
    {
        settle();
        if (app && app->hasLaunched())
            app->applicationWillTerminate();
        app.reset();
        IOWarriorSetDeviceAddedCallback(nullptr, nullptr);
        IOWarriorSetDeviceRemovedCallback(nullptr, nullptr);
        IOWarriorClearInterfaceList();
        IOWarriorSetPlatform(nullptr);
        sim.reset();
    }
    // Delivers queued plug notifications and runs the refreshes they start to their end.
    void settle()
    {
        while ((sim && sim->pendingNotifications() > 0) || DeviceGate::instance().isBusy())
            QCoreApplication::processEvents();
    }
    // Launches with `serial` (if given) stored as the choice.
    void launch(const char *serial = nullptr)
    {
        if (serial)
            storeDefault(QStringLiteral("Selected Switch"), QString::fromLatin1(serial));
        app = std::make_unique<ApplicationController>();
        app->applicationDidFinishLaunching();
        QVERIFY(app->hasLaunched());
        settle(); // the notifications of switches plugged before the start
        pauses.clear();
    }
    QString modelLine() const { return app->itemWithTag(StatusMenu::TagModelLine)->text(); }
    // Ports 1-4, rotation, firmware.
    Flags enabledTags() const
    {
        Flags states;
        for (int tag = StatusMenu::TagPort1; tag <= StatusMenu::TagRotate; ++tag)
            states.append(app->itemWithTag(tag)->isEnabled());
        return states << app->statusMenu().firmwareItem()->isEnabled();
    }
};
