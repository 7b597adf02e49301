// The spine of tarvexcc: runs the start-up and shut-down sequences, owns the switch registry
// and the collaborators that do the work (status menu, port rotation, hot-key bindings, the
// preferences, help and firmware windows), and carries every action the menu, the hot keys
// and the windows invoke, each a short delegation.
#pragma once

#include "PTKeyComboPanelTarget.h"
#include "usb/IOWarriorLib.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class AddressedSwitches;
class DefaultsWatcher;
class FirmwareWindowController;
class HelpWindowController;
class HotKeyBindings;
class IOWarriorController;
class PortRotation;
class PreferencesWindowController;
class QAction;
class QMenu;
class QPrinter;
class StatusMenu;
class SwitchPopUp;
class TrayHostWatcher;

// Hot-plug callbacks registered with the IOWarrior layer; they reach the controller through
// the shared instances.
void IOWarriorAddedCallback(void *refCon);
void IOWarriorRemovedCallback(void *refCon);

class ApplicationController : public QObject, public PTKeyComboPanelTarget
{
    Q_OBJECT
public:
    explicit ApplicationController(QObject *parent = nullptr);
    ~ApplicationController() override;

    // The first controller that was created and is still alive, or null.
    static ApplicationController *sharedApplication();

    // --- lifecycle -------------------------------------------------------------------------
    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    bool applicationShouldTerminateAfterLastWindowClosed() const { return false; }
    bool hasLaunched() const { return mLaunched; }
    bool hasTerminated() const { return mTerminated; }

    // --- switch list and status menu ---------------------------------------------------------
    void updateAttachedDevices();
    void enableMenuItems();
    void selectSwitch(QObject *sender);
    void setStatusIcon();
    QAction *itemWithTag(int tag) const;
    // The node of the switch stored under "Selected Switch", or null.
    IOWarriorListNodeStruct *selectedNode() const;

    // --- switch commands ---------------------------------------------------------------------
    // Invokable by name: the hot keys send these (and rotate) through the meta-object system.
    Q_INVOKABLE void switchToPort1(QObject *sender);
    Q_INVOKABLE void switchToPort2(QObject *sender);
    Q_INVOKABLE void switchToPort3(QObject *sender);
    Q_INVOKABLE void switchToPort4(QObject *sender);
    std::uint32_t getSwitchID(IOWarriorListNodeStruct *node);
    // "major.minor", or a null string for a null node or a failed query.
    QString getFirmwareVersion(IOWarriorListNodeStruct *node);

    // --- rotation ------------------------------------------------------------------------------
    Q_INVOKABLE void rotate(QObject *sender);
    void rotatePorts(QObject *timer);
    bool rotationRunning() const;
    void stopRotation();

    // --- hot keys ------------------------------------------------------------------------------
    void updateHotkeyDescriptions();
    void configureHotkeys(QObject *sender);
    // The sender's "tag" property (1-5) picks the binding the capture sheet edits.
    void setHotkey(QObject *sender);
    void hotKeySheetDidEndWithReturnCode(int returnCode) override;
    // Why binding 1-5 is not active although it holds a valid combination, or a null string.
    QString hotkeyFailure(int binding) const;

    // --- firmware, login item, help ------------------------------------------------------------
    void upgradeFirmware(QObject *sender);
    void selectFile(QObject *sender);
    QString getAppVersion() const;
    void launchAtLogin(QObject *sender);
    void showHelp(QObject *sender);
    void printHelp(QObject *sender);

    // --- application -------------------------------------------------------------------------
    // Quits in order (after a firmware transfer or a hot-plug refresh under way).
    void terminate(QObject *sender);
    // Pops the status menu up where the user is (a second start asks for this).
    void popUpStatusMenu();
    // After a suspend: a hidraw node that lived through it may no longer lead to its switch,
    // so the device list is rebuilt as after an unplug (behind a firmware transfer, if any).
    void resumeFromSleep();

    // The added callback waits between its steps (on timers) so that a freshly plugged chip
    // has settled; tests replace the wait (see HotplugRefresh).
    using HotplugPause = std::function<void(unsigned microseconds, std::function<void()> resume)>;
    static void setHotplugPause(HotplugPause pause);

    // --- collaborators -------------------------------------------------------------------------
    StatusMenu &statusMenu() const { return *mMenu; }
    PortRotation &portRotation() const { return *mRotation; }
    // Which switches the commands go to.
    AddressedSwitches &addressing() const { return *mAddressing; }
    HotKeyBindings &hotKeys() const { return *mHotKeys; }
    // Start-up makes the tray icon when this finds a tray host (see its wait).
    TrayHostWatcher &trayHost() const { return *mTrayHost; }
    // The windows, made on first use.
    PreferencesWindowController &preferences();
    HelpWindowController &help();
    FirmwareWindowController &firmware();
    bool hasFirmwareWindow() const { return mFirmwareController != nullptr; }
    // Follows the settings file while the program runs (made at launch).
    DefaultsWatcher *defaultsWatcher() const { return mDefaultsWatcher; }

    // Outlets into the status menu.
    QMenu *mStatusMenu = nullptr;
    SwitchPopUp *mSwitchList = nullptr;

signals:
    // Start-up could not reach USB and asked the application to end.
    void terminationRequested();

private:
    bool switchReadyFor(QObject *sender);
    void _refreshLoginControls();
    // The preferences name the ports of the switch shown, or of those switched together.
    void _showPortNames();
    // Which of the switches switched together gets firmware; empty when the user declined.
    QString _chooseFirmwareSwitch();
    void _requestTermination();
    // Another program (or a hand) changed these settings in the file.
    void _followDefaults(const QStringList &keys);

    std::unique_ptr<IOWarriorController> mIOWarriorController;
    // Windows first, so they go after the bindings: a capture sheet on the preferences
    // window ends when it goes, and the grabs it brings back must find no binding to tell.
    std::unique_ptr<PreferencesWindowController> mPreferences;
    std::unique_ptr<HelpWindowController> mHelp;
    std::unique_ptr<FirmwareWindowController> mFirmwareController;
    // Before the menu and the rotation, which refer to it.
    std::unique_ptr<AddressedSwitches> mAddressing;
    std::unique_ptr<StatusMenu> mMenu;
    std::unique_ptr<PortRotation> mRotation;
    std::unique_ptr<HotKeyBindings> mHotKeys;
    std::unique_ptr<TrayHostWatcher> mTrayHost;
    DefaultsWatcher *mDefaultsWatcher = nullptr;
    bool mLaunched = false;
    bool mTerminated = false;
    bool mTransferEndLogged = false; // a quit waits for a transfer whose end goes to the log
};
