// The spine of tarvexcc: owns the tray icon and its menu, the switch registry, the rotation
// timer and the windows, runs the start-up and shut-down sequences, and carries every
// action the menu, the hot keys and the windows invoke.
#pragma once

#include "PTKeyComboPanelTarget.h"
#include "usb/IOWarriorLib.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class FirmwareWindowController;
class IOWarriorController;
class PTHotKey;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPrinter;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QSystemTrayIcon;
class QTextBrowser;
class QTimer;
class QWidget;
class SwitchPopUp;

namespace Ui {
class ConfigWindow;
class FirmwareWindow;
class HelpWindow;
} // namespace Ui

// The rotation's position, kept between rotations for the life of the process: the machine
// port last sent (or the active port at the start) and the USB port sent with every step.
extern std::int32_t gActiveMachine;
extern std::int32_t gActiveUSBPort;

// Hot-plug callbacks registered with the IOWarrior layer; they reach the controller through
// the shared instances.
void IOWarriorAddedCallback(void *refCon);
void IOWarriorRemovedCallback(void *refCon);

class ApplicationController : public QObject, public PTKeyComboPanelTarget
{
    Q_OBJECT
public:
    // Status menu tags.
    enum MenuTag { TagPort1 = 1, TagPort2, TagPort3, TagPort4, TagRotate, TagModelLine = 10 };

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
    // The period a rotation started now would use, in seconds (never below 1).
    double rotationInterval() const;

    // --- hot keys: the five bindings "Port 1" ... "Port 4", "Rotate" ---------------------------
    void setUpHotKeys();
    void updateHotkeyDescriptions();
    void configureHotkeys(QObject *sender);
    // The sender's "tag" property (1-5) picks the binding the capture sheet edits.
    void setHotkey(QObject *sender);
    void hotKeySheetDidEndWithReturnCode(int returnCode) override;
    void saveHotKeys();
    // Why binding 1-5 is not active although it holds a valid combination (the hot-key
    // service refused it), or a null string.
    QString hotkeyFailure(int binding) const;

    // --- firmware ------------------------------------------------------------------------------
    void upgradeFirmware(QObject *sender);
    void selectFile(QObject *sender);
    QString getAppVersion() const;

    // --- login item and help -----------------------------------------------------------------
    void launchAtLogin(QObject *sender);
    void showHelp(QObject *sender);
    void printHelp(QObject *sender);
    // Prints the help document on a configured printer (the print dialog's second half).
    void printHelpTo(QPrinter *printer);

    // --- application -------------------------------------------------------------------------
    // Quits in order (waits for a firmware transfer to end first).
    void terminate(QObject *sender);
    // Pops the status menu up where the user is (a second start asks for this).
    void popUpStatusMenu();
    // The node of the switch stored under "Selected Switch", or null.
    IOWarriorListNodeStruct *selectedNode() const;

    // After a suspend: a hidraw node that lived through it may no longer lead to its switch,
    // so the device list is rebuilt as after an unplug (behind a firmware transfer, if any).
    void resumeFromSleep();

    // The hot-plug callbacks wait between their steps so that a freshly plugged chip has
    // settled; tests replace the wait (argument in microseconds).
    static void setHotplugPause(std::function<void(unsigned)> pause);
    static void hotplugPause(unsigned microseconds);

    // --- outlets (the windows and menu items this controller builds) ---------------------------
    QLineEdit *mHotkeyField1 = nullptr;
    QLineEdit *mHotkeyField2 = nullptr;
    QLineEdit *mHotkeyField3 = nullptr;
    QLineEdit *mHotkeyField4 = nullptr;
    QLineEdit *mHotkeyField5 = nullptr;
    QAction *mMenuHotkey1 = nullptr;
    QAction *mMenuHotkey2 = nullptr;
    QAction *mMenuHotkey3 = nullptr;
    QAction *mMenuHotkey4 = nullptr;
    QAction *mMenuHotkey5 = nullptr;
    QWidget *mHotkeyConfigWnd = nullptr;
    QMenu *mStatusMenu = nullptr;
    SwitchPopUp *mSwitchList = nullptr;
    QWidget *mFirmwareUpgrdWnd = nullptr;
    QLabel *mVersion = nullptr;
    QProgressBar *mProgress = nullptr;
    QLabel *mFilename = nullptr;
    QPushButton *mUpgradeBtn = nullptr;
    QTextBrowser *mTextview = nullptr;
    QWidget *mHelpWindow = nullptr;

    // --- owned state ---------------------------------------------------------------------------
    PTHotKey *mHotkey1 = nullptr;
    PTHotKey *mHotkey2 = nullptr;
    PTHotKey *mHotkey3 = nullptr;
    PTHotKey *mHotkey4 = nullptr;
    PTHotKey *mHotkey5 = nullptr;
    QSystemTrayIcon *mStatusItem = nullptr;
    QPointer<QTimer> mRotationTimer;
    std::unique_ptr<IOWarriorController> mIOWarriorController;
    std::uint32_t mNumPorts = 0;

    // Further controls of the configuration window and the menu.
    QSpinBox *mTimeInterval = nullptr;
    QCheckBox *mLaunchAtLoginBox = nullptr;
    QAction *mLaunchAtLoginItem = nullptr;
    QWidget *mNoTrayWindow = nullptr; // stands in for the tray when the desktop has none
    // The firmware window's check and transfer (a child of this controller).
    FirmwareWindowController *mFirmwareController = nullptr;

signals:
    // Start-up could not reach USB and asked the application to end.
    void terminationRequested();

private:
    void _buildStatusMenu();
    void _buildWindows();
    void _createStatusItem();
    void _showNoTrayWindow();
    void _applySwitch(IOWarriorListNodeStruct *node);
    bool _lacksPermission(IOWarriorListNodeStruct *node);
    void _warnAboutPermission(IOWarriorListNodeStruct *node, const QString &serial);
    void _switchToPort(int port);
    void _rotate();
    void _loadHelp();
    void _refreshLoginControls();
    void _refreshTimeInterval();
    void _storeTimeInterval(int seconds);
    void _requestTermination();
    PTHotKey *&_hotKey(int index);
    QAction *_menuHotkey(int index) const;
    QLineEdit *_hotkeyField(int index) const;
    void _registerHotKey(int index);
    void _showKeyEquivalent(int index);
    void _hotKeyRegistrationLost(PTHotKey *hotKey, int status);

    std::unique_ptr<Ui::ConfigWindow> mConfigUi;
    std::unique_ptr<Ui::FirmwareWindow> mFirmwareUi;
    std::unique_ptr<Ui::HelpWindow> mHelpUi;
    std::array<QString, 5> mHotkeyFailure; // per binding: why its combination is not active
    QMetaObject::Connection mRegistrationLost; // from the hot key center, cut before teardown
    QSet<QString> mPermissionWarned; // device nodes the user was already told about
    bool mLaunched = false;
    bool mTerminated = false;
};
