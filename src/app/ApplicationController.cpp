// The application controller of tarvexcc; see ApplicationController.h.
#include "ApplicationController.h"

#include "AlertPresenter.h"
#include "AutostartEntry.h"
#include "FirmwareWindowController.h"
#include "PTHotKeys/PTHotKey.h"
#include "PTHotKeys/PTHotKeyCenter.h"
#include "PTKeyComboPanel.h"
#include "SwitchPopUp.h"
#include "TarvexVersion.h"
#include "switch/DefaultsStore.h"
#include "switch/DeviceGate.h"
#include "switch/SwitchProtocol.h"
#include "usb/HidPlatform.h"
#include "usb/IOWarriorController.h"

#include "ui_ConfigWindow.h"
#include "ui_FirmwareWindow.h"
#include "ui_HelpWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QFile>
#include <QHBoxLayout>
#include <QIcon>
#include <QJsonValue>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <unistd.h>

// Resources live in the static library; the linker would drop them without this reference.
static void initTarvexResources()
{
    Q_INIT_RESOURCE(tarvexcc);
}

std::int32_t gActiveMachine = 0;
std::int32_t gActiveUSBPort = 0;

namespace {

ApplicationController *gSharedApplication = nullptr;

std::function<void(unsigned)> &pauseFunction()
{
    static std::function<void(unsigned)> pause = [](unsigned us) { ::usleep(us); };
    return pause;
}

constexpr int kInitialTimeInterval = 30;
const QString kSelectedSwitchKey = QStringLiteral("Selected Switch");
const QString kTimeIntervalKey = QStringLiteral("Time Interval");

QString tx(const char *text)
{
    return QCoreApplication::translate("Translation", text);
}

// A control's state as a check box reports it: 0 off, 1 on, anything else mixed.
int controlState(QObject *sender)
{
    if (auto *box = qobject_cast<QCheckBox *>(sender)) {
        switch (box->checkState()) {
        case Qt::Unchecked:
            return 0;
        case Qt::Checked:
            return 1;
        default:
            return -1;
        }
    }
    if (auto *action = qobject_cast<QAction *>(sender))
        return action->isCheckable() ? (action->isChecked() ? 1 : 0) : -1;
    if (auto *button = qobject_cast<QAbstractButton *>(sender))
        return button->isCheckable() ? (button->isChecked() ? 1 : 0) : -1;
    const QVariant state = sender != nullptr ? sender->property("state") : QVariant();
    return state.isValid() ? state.toInt() : -1;
}

void centerAndShow(QWidget *window)
{
    QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    // The designed size, but never smaller than the contents need (long translations).
    window->resize(window->size().expandedTo(window->minimumSizeHint()));
    if (screen != nullptr) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

// --- creation and destruction ------------------------------------------------------------------

ApplicationController::ApplicationController(QObject *parent) : QObject(parent)
{
    initTarvexResources();
    if (gSharedApplication == nullptr)
        gSharedApplication = this;
    mIOWarriorController = std::make_unique<IOWarriorController>();
    mNumPorts = 0;
    DefaultsStore::standard().setInitialValues(
        QJsonObject{{kTimeIntervalKey, kInitialTimeInterval}});

    _buildStatusMenu();
    _buildWindows();
}

ApplicationController::~ApplicationController()
{
    if (gSharedApplication == this)
        gSharedApplication = nullptr;
    // A capture sheet on the configuration window ends below and brings the grabs back; the
    // bindings it could tell of are on their way out.
    disconnect(mRegistrationLost);
    // The firmware controller drives widgets of the firmware window: it goes before them.
    delete mFirmwareController;
    mFirmwareController = nullptr;
    // The windows and menus are this controller's "interface file": they go with it.
    delete mStatusItem;
    delete mNoTrayWindow;
    delete mHotkeyConfigWnd;
    delete mFirmwareUpgrdWnd;
    delete mHelpWindow;
    delete mSwitchList;
    delete mStatusMenu;
}

ApplicationController *ApplicationController::sharedApplication()
{
    return gSharedApplication;
}

void ApplicationController::_buildStatusMenu()
{
    mStatusMenu = new QMenu;
    mStatusMenu->setToolTipsVisible(true);

    QAction *modelLine = mStatusMenu->addAction(tx("Not connected"));
    modelLine->setData(int(TagModelLine));
    modelLine->setEnabled(false);
    mStatusMenu->addSeparator();

    const char *portTitles[4] = {QT_TRANSLATE_NOOP("Translation", "Port 1"),
                                 QT_TRANSLATE_NOOP("Translation", "Port 2"),
                                 QT_TRANSLATE_NOOP("Translation", "Port 3"),
                                 QT_TRANSLATE_NOOP("Translation", "Port 4")};
    QAction **portItems[4] = {&mMenuHotkey1, &mMenuHotkey2, &mMenuHotkey3, &mMenuHotkey4};
    void (ApplicationController::*portActions[4])(QObject *) = {
        &ApplicationController::switchToPort1, &ApplicationController::switchToPort2,
        &ApplicationController::switchToPort3, &ApplicationController::switchToPort4};
    const QIcon inactive(QStringLiteral(":/images/Inactive.png"));
    for (int i = 0; i < 4; ++i) {
        QAction *item = mStatusMenu->addAction(inactive, tx(portTitles[i]));
        item->setData(TagPort1 + i);
        item->setEnabled(false);
        item->setIconVisibleInMenu(true);
        const auto action = portActions[i];
        connect(item, &QAction::triggered, this, [this, item, action] { (this->*action)(item); });
        *portItems[i] = item;
    }
    mMenuHotkey5 = mStatusMenu->addAction(tx("Rotate"));
    mMenuHotkey5->setData(int(TagRotate));
    mMenuHotkey5->setEnabled(false);
    connect(mMenuHotkey5, &QAction::triggered, this, [this] { rotate(mMenuHotkey5); });
    mStatusMenu->addSeparator();

    mSwitchList = new SwitchPopUp(tx("Switch"), this);
    mSwitchList->setItems({{tx("Select"), 0, {}, false}, {{}, 0, {}, true}});
    mSwitchList->menu()->setIcon(QIcon(QStringLiteral(":/images/Status.png")));
    connect(mSwitchList, &SwitchPopUp::activated, this, [this] { selectSwitch(mSwitchList); });
    mStatusMenu->addMenu(mSwitchList->menu());
    mStatusMenu->addSeparator();

    QAction *preferences = mStatusMenu->addAction(tx("Preferences…"));
    connect(preferences, &QAction::triggered, this, [this, preferences] { configureHotkeys(preferences); });
    QAction *firmware = mStatusMenu->addAction(tx("Firmware Upgrade…"));
    connect(firmware, &QAction::triggered, this, [this, firmware] { upgradeFirmware(firmware); });
    mLaunchAtLoginItem = mStatusMenu->addAction(tx("Launch at Login"));
    mLaunchAtLoginItem->setCheckable(true);
    connect(mLaunchAtLoginItem, &QAction::triggered, this, [this] { launchAtLogin(mLaunchAtLoginItem); });
    QAction *help = mStatusMenu->addAction(tx("Help"));
    connect(help, &QAction::triggered, this, [this, help] { showHelp(help); });
    mStatusMenu->addSeparator();
    QAction *quit = mStatusMenu->addAction(tx("Quit Tarvex CC"));
    connect(quit, &QAction::triggered, this, [this, quit] { terminate(quit); });

    // The login entry can change behind our back (another copy, the desktop's settings).
    connect(mStatusMenu, &QMenu::aboutToShow, this, &ApplicationController::_refreshLoginControls);
}

void ApplicationController::_buildWindows()
{
    const QIcon appIcon(QStringLiteral(":/images/Status.png"));

    mHotkeyConfigWnd = new QWidget(nullptr, Qt::Window);
    mConfigUi = std::make_unique<Ui::ConfigWindow>();
    mConfigUi->setupUi(mHotkeyConfigWnd);
    mHotkeyConfigWnd->setWindowIcon(appIcon);
    mHotkeyField1 = mConfigUi->mHotkeyField1;
    mHotkeyField2 = mConfigUi->mHotkeyField2;
    mHotkeyField3 = mConfigUi->mHotkeyField3;
    mHotkeyField4 = mConfigUi->mHotkeyField4;
    mHotkeyField5 = mConfigUi->mHotkeyField5;
    mTimeInterval = mConfigUi->mTimeInterval;
    mLaunchAtLoginBox = mConfigUi->mLaunchAtLogin;
    for (QPushButton *button : {mConfigUi->mHotkeyButton1, mConfigUi->mHotkeyButton2,
                                mConfigUi->mHotkeyButton3, mConfigUi->mHotkeyButton4,
                                mConfigUi->mHotkeyButton5})
        connect(button, &QPushButton::clicked, this, [this, button] { setHotkey(button); });
    connect(mTimeInterval, &QSpinBox::valueChanged, this, &ApplicationController::_storeTimeInterval);
    connect(mLaunchAtLoginBox, &QCheckBox::clicked, this, [this] { launchAtLogin(mLaunchAtLoginBox); });
    connect(mConfigUi->mButtonBox, &QDialogButtonBox::rejected, mHotkeyConfigWnd, &QWidget::close);

    mFirmwareUpgrdWnd = new QWidget(nullptr, Qt::Window);
    mFirmwareUi = std::make_unique<Ui::FirmwareWindow>();
    mFirmwareUi->setupUi(mFirmwareUpgrdWnd);
    mFirmwareUpgrdWnd->setWindowIcon(appIcon);
    mVersion = mFirmwareUi->mVersion;
    mProgress = mFirmwareUi->mProgress;
    mFilename = mFirmwareUi->mFilename;
    mUpgradeBtn = mFirmwareUi->mUpgradeBtn;
    mFirmwareController = new FirmwareWindowController(*mIOWarriorController, DefaultsStore::standard(),
                                                       mVersion, mProgress, mFirmwareUi->mCheckBtn, this);
    connect(mFirmwareUi->mCheckBtn, &QPushButton::clicked, this,
            [this] { selectFile(mFirmwareUi->mCheckBtn); });
    connect(mFirmwareUi->mCloseBtn, &QPushButton::clicked, mFirmwareUpgrdWnd, &QWidget::close);

    mHelpWindow = new QWidget(nullptr, Qt::Window);
    mHelpUi = std::make_unique<Ui::HelpWindow>();
    mHelpUi->setupUi(mHelpWindow);
    mHelpWindow->setWindowIcon(appIcon);
    mTextview = mHelpUi->mTextview;
    mTextview->document()->setDocumentMargin(16);
    connect(mHelpUi->mPrintBtn, &QPushButton::clicked, this, [this] { printHelp(mHelpUi->mPrintBtn); });
    connect(mHelpUi->mCloseBtn, &QPushButton::clicked, mHelpWindow, &QWidget::close);
}

// --- start-up and shut-down --------------------------------------------------------------------

void ApplicationController::applicationDidFinishLaunching()
{
    // 1. Without USB access the program has nothing to do.
    if (IOWarriorInit() < 0) {
        _requestTermination();
        return;
    }
    mLaunched = true;
    // 2. Brings the interface list up to date; an empty bus is fine.
    IOWarriorIsPresent();
    // 3.
    IOWarriorSetDeviceAddedCallback(IOWarriorAddedCallback, nullptr);
    IOWarriorSetDeviceRemovedCallback(IOWarriorRemovedCallback, nullptr);
    // 4.
    mIOWarriorController->findAttachedDevices();
    // 5.
    _createStatusItem();
    // 6., 7.
    setUpHotKeys();
    updateHotkeyDescriptions();
    // 8.
    updateAttachedDevices();
    // 9. The model line only informs.
    if (QAction *modelLine = itemWithTag(TagModelLine))
        modelLine->setEnabled(false);
    // 10. Restoring the choice is not a choice of the user: no selectSwitch here.
    const int index = mSwitchList->indexOfItemWithRepresentedObject(
        DefaultsStore::standard().stringForKey(kSelectedSwitchKey));
    mSwitchList->selectItemAtIndex(index >= 0 ? index : 0);
    // 11.
    enableMenuItems();
}

void ApplicationController::applicationWillTerminate()
{
    // Quit, the session manager and a signal may all arrive; the sequence runs once.
    if (mTerminated)
        return;
    mTerminated = true;
    // 1.
    saveHotKeys();
    // 2.
    if (mStatusItem != nullptr) {
        mStatusItem->hide();
        delete mStatusItem;
        mStatusItem = nullptr;
    }
    if (mNoTrayWindow != nullptr)
        mNoTrayWindow->hide();
    // 3. The switch stays on the port it shows.
    stopRotation();
    // 4.
    mIOWarriorController.reset();
    // Nothing writes our settings back behind us: a logout or a signal would lose them.
    DefaultsStore &defaults = DefaultsStore::standard();
    if (!defaults.synchronize())
        std::fprintf(stderr, "tarvexcc: could not save the settings: %s\n",
                     qPrintable(defaults.lastError()));
}

void ApplicationController::_requestTermination()
{
    emit terminationRequested();
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void ApplicationController::terminate(QObject *)
{
    QPointer<ApplicationController> self(this);
    DeviceGate::instance().runOrDefer([self] {
        if (self)
            QCoreApplication::quit();
    });
}

void ApplicationController::_createStatusItem()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/images/Status.svg"));
    icon.addFile(QStringLiteral(":/images/Status.png"));
    mStatusItem = new QSystemTrayIcon(icon);
    mStatusItem->setToolTip(QStringLiteral("Tarvex CC"));
    mStatusItem->setContextMenu(mStatusMenu);
    // A left click opens the same menu: the program has nothing else to show.
    connect(mStatusItem, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    popUpStatusMenu();
            });
    mStatusItem->show();
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        _showNoTrayWindow();
}

void ApplicationController::_showNoTrayWindow()
{
    static bool told = false;
    const QString remedy = tx("This desktop offers no system tray, so Tarvex CC shows its menu in "
                              "a small window instead. To get the tray icon, enable a system tray "
                              "or status notifier area (on GNOME: the AppIndicator extension).");
    if (!told) {
        told = true;
        std::fprintf(stderr, "tarvexcc: no system tray available; showing a window instead. "
                             "Enable a system tray or StatusNotifierItem host (GNOME: "
                             "AppIndicator extension) to get the tray icon.\n");
        AlertPresenter::current().runAlert(QStringLiteral("Tarvex CC"), remedy, tx("OK"), QString());
    }
    if (mNoTrayWindow == nullptr) {
        mNoTrayWindow = new QWidget(nullptr, Qt::Window);
        mNoTrayWindow->setWindowTitle(QStringLiteral("Tarvex CC"));
        mNoTrayWindow->setWindowIcon(QIcon(QStringLiteral(":/images/Status.png")));
        auto *layout = new QHBoxLayout(mNoTrayWindow);
        layout->setContentsMargins(12, 12, 12, 12);
        layout->setSpacing(12);
        auto *iconLabel = new QLabel(mNoTrayWindow);
        iconLabel->setPixmap(QIcon(QStringLiteral(":/images/Status.png")).pixmap(32, 32));
        layout->addWidget(iconLabel);
        auto *text = new QLabel(tx("Tarvex CC is running.\nNo system tray is available."),
                                mNoTrayWindow);
        layout->addWidget(text, 1);
        auto *menuButton = new QPushButton(tx("Menu"), mNoTrayWindow);
        menuButton->setMenu(mStatusMenu);
        layout->addWidget(menuButton);
    }
    centerAndShow(mNoTrayWindow);
}

void ApplicationController::popUpStatusMenu()
{
    if (mNoTrayWindow != nullptr && !mTerminated)
        centerAndShow(mNoTrayWindow);
    _refreshLoginControls();
    mStatusMenu->popup(QCursor::pos());
}

// --- switch list and status menu ---------------------------------------------------------------

QAction *ApplicationController::itemWithTag(int tag) const
{
    for (QAction *action : mStatusMenu->actions()) {
        if (!action->isSeparator() && action->menu() == nullptr && action->data().toInt() == tag &&
            action->data().isValid())
            return action;
    }
    return nullptr;
}

IOWarriorListNodeStruct *ApplicationController::selectedNode() const
{
    if (!mIOWarriorController)
        return nullptr;
    const QJsonValue stored = DefaultsStore::standard().objectForKey(kSelectedSwitchKey);
    if (!stored.isString())
        return nullptr;
    return mIOWarriorController->deviceWithSerial(stored.toString());
}

bool ApplicationController::_lacksPermission(IOWarriorListNodeStruct *node)
{
    return node != nullptr && node->hidInterface != nullptr &&
           IOWarriorOpenInterfaceIfNecessary(node->hidInterface) == EACCES;
}

void ApplicationController::_warnAboutPermission(IOWarriorListNodeStruct *node, const QString &serial)
{
    const QString device = QString::fromStdString(node->hidInterface->path());
    if (mPermissionWarned.contains(device))
        return;
    mPermissionWarned.insert(device);
    std::fprintf(stderr,
                 "tarvexcc: no permission to open %s (switch %s). Install the udev rule with "
                 "'sudo scripts/install-udev-rule' (or install the tarvexcc package), then "
                 "unplug and replug the switch.\n",
                 qPrintable(device), qPrintable(serial));
    AlertPresenter::current().runAlert(
        QStringLiteral("Tarvex CC"),
        tx("Tarvex CC may not open the switch %1 (device %2).\n\nInstall the udev rule that "
           "gives you access to Tarvex switches:\n    sudo scripts/install-udev-rule\n(or "
           "install the tarvexcc package), then unplug the switch and plug it in again.")
            .arg(serial, device),
        tx("OK"), QString());
}

void ApplicationController::updateAttachedDevices()
{
    if (!mIOWarriorController)
        return;
    QList<SwitchPopUp::Item> items{{tx("Select"), 0, {}, false}, {{}, 0, {}, true}};
    int tag = 1;
    const auto &devices = mIOWarriorController->allDevices();
    for (auto it = devices.cbegin(); it != devices.cend(); ++it, ++tag) {
        const QString serial = it.key();
        IOWarriorListNodeStruct *node = it.value();
        QString name;
        if (_lacksPermission(node)) {
            name = tx("(no permission)");
            _warnAboutPermission(node, serial);
        } else {
            const auto record = SwitchProtocol::query(*mIOWarriorController, node,
                                                      SwitchProtocol::QuerySwitchID);
            // An unanswered query names no model: "Unknown", like an unknown identifier.
            name = GetSwitchName(record ? std::int32_t(SwitchProtocol::switchIDFromRecord(*record)) : 0);
        }
        items.append({QStringLiteral("%1 (%2)").arg(name, serial), tag, serial, false});
    }
    mSwitchList->setItems(items);
    // The check mark follows the stored choice, so the list and the model line agree.
    const int index = mSwitchList->indexOfItemWithRepresentedObject(
        DefaultsStore::standard().stringForKey(kSelectedSwitchKey));
    mSwitchList->selectItemAtIndex(index >= 0 ? index : 0);
    setStatusIcon();
    enableMenuItems();
}

void ApplicationController::_applySwitch(IOWarriorListNodeStruct *node)
{
    QAction *modelLine = itemWithTag(TagModelLine);
    if (_lacksPermission(node)) {
        // Commands could not reach it; offering them would pretend they do.
        modelLine->setText(tx("(no permission)"));
        for (int tag = TagPort1; tag <= TagRotate; ++tag)
            itemWithTag(tag)->setEnabled(false);
        return;
    }
    const auto record =
        SwitchProtocol::query(*mIOWarriorController, node, SwitchProtocol::QuerySwitchID);
    const std::int32_t identifier =
        record ? std::int32_t(SwitchProtocol::switchIDFromRecord(*record)) : 0;
    modelLine->setText(GetSwitchName(identifier));
    mNumPorts = std::uint32_t(SwitchPortCount(identifier));
    for (int tag = TagPort1; tag <= TagPort4; ++tag)
        itemWithTag(tag)->setEnabled(tag - TagPort1 < int(mNumPorts));
    itemWithTag(TagRotate)->setEnabled(true);
}

void ApplicationController::enableMenuItems()
{
    IOWarriorListNodeStruct *node = selectedNode();
    if (node != nullptr) {
        _applySwitch(node);
        return;
    }
    itemWithTag(TagModelLine)->setText(tx("Not connected"));
    for (int tag = TagPort1; tag <= TagRotate; ++tag)
        itemWithTag(tag)->setEnabled(false);
}

void ApplicationController::selectSwitch(QObject *sender)
{
    auto *popUp = qobject_cast<SwitchPopUp *>(sender);
    if (popUp == nullptr)
        popUp = mSwitchList;
    // The pick is read now but applied when the switches are free: the queries below must not
    // fall between two records of a running firmware transfer.
    const int tag = popUp->selectedTag();
    const QString serial = popUp->selectedRepresentedObject().toString();
    QPointer<ApplicationController> self(this);
    DeviceGate::instance().runOrDefer([self, tag, serial] {
        if (!self)
            return;
        if (tag > 0 && self->mIOWarriorController) {
            IOWarriorListNodeStruct *node = self->mIOWarriorController->deviceWithSerial(serial);
            if (node != nullptr) {
                DefaultsStore &defaults = DefaultsStore::standard();
                if (!defaults.setObjectForKey(kSelectedSwitchKey, serial))
                    AlertPresenter::current().runAlert(
                        QStringLiteral("Tarvex CC"),
                        tx("The choice of switch could not be saved:\n%1").arg(defaults.lastError()),
                        tx("OK"), QString());
                self->_applySwitch(node);
            } else {
                self->itemWithTag(TagModelLine)->setText(QStringLiteral("Not connected!"));
                self->mNumPorts = 0;
                for (int t = TagPort1; t <= TagRotate; ++t)
                    self->itemWithTag(t)->setEnabled(false);
            }
        }
        self->setStatusIcon();
    });
}

void ApplicationController::setStatusIcon()
{
    const QIcon active(QStringLiteral(":/images/Active.png"));
    const QIcon inactive(QStringLiteral(":/images/Inactive.png"));
    int activePort = -1;
    IOWarriorListNodeStruct *node = selectedNode();
    if (node != nullptr && !_lacksPermission(node)) {
        // An unanswered query marks nothing: marking port 1 would claim an answer.
        if (const auto record = SwitchProtocol::query(*mIOWarriorController, node,
                                                      SwitchProtocol::QueryActivePort))
            activePort = SwitchProtocol::activePortFromRecord(*record).value_or(-1);
    }
    for (int port = 0; port < 4; ++port)
        itemWithTag(TagPort1 + port)->setIcon(port == activePort ? active : inactive);
}

// --- hot-plug callbacks ------------------------------------------------------------------------

void ApplicationController::setHotplugPause(std::function<void(unsigned)> pause)
{
    pauseFunction() = pause ? std::move(pause) : [](unsigned us) { ::usleep(us); };
}

void ApplicationController::hotplugPause(unsigned microseconds)
{
    pauseFunction()(microseconds);
}

void IOWarriorAddedCallback(void *)
{
    DeviceGate::instance().runOrDefer([] {
        // A freshly enumerated chip needs a moment before it answers reliably.
        ApplicationController::hotplugPause(300000);
        if (IOWarriorController *registry = IOWarriorController::sharedApplication())
            registry->findAttachedDevices();
        ApplicationController::hotplugPause(300000);
        if (ApplicationController *app = ApplicationController::sharedApplication())
            app->updateAttachedDevices();
        ApplicationController::hotplugPause(300000);
    });
}

void IOWarriorRemovedCallback(void *)
{
    DeviceGate::instance().runOrDefer([] {
        if (IOWarriorController *registry = IOWarriorController::sharedApplication())
            registry->findAttachedDevices();
        ApplicationController *app = ApplicationController::sharedApplication();
        if (app == nullptr)
            return;
        app->updateAttachedDevices();
        // Whichever switch left, the rotation's target may be gone: stop without a report.
        if (app->rotationRunning())
            app->stopRotation();
    });
}

void ApplicationController::resumeFromSleep()
{
    QPointer<ApplicationController> self(this);
    DeviceGate::instance().runOrDefer([self] {
        if (!self || !self->mIOWarriorController)
            return;
        // Marked here, not before the gate: a transfer still holding a node keeps its list.
        gIOWarriorListDirty = 1;
        self->mIOWarriorController->findAttachedDevices();
        self->updateAttachedDevices();
    });
}

// --- switch commands ---------------------------------------------------------------------------

void ApplicationController::switchToPort1(QObject *) { _switchToPort(1); }
void ApplicationController::switchToPort2(QObject *) { _switchToPort(2); }
void ApplicationController::switchToPort3(QObject *) { _switchToPort(3); }
void ApplicationController::switchToPort4(QObject *) { _switchToPort(4); }

void ApplicationController::_switchToPort(int port)
{
    QPointer<ApplicationController> self(this);
    DeviceGate::instance().runOrDefer([self, port] {
        if (!self)
            return;
        if (self->rotationRunning())
            self->stopRotation();
        if (IOWarriorListNodeStruct *node = self->selectedNode())
            SwitchProtocol::selectPort(node, port - 1, port - 1);
    });
}

std::uint32_t ApplicationController::getSwitchID(IOWarriorListNodeStruct *node)
{
    if (node == nullptr || !mIOWarriorController)
        return 0;
    const auto record =
        SwitchProtocol::query(*mIOWarriorController, node, SwitchProtocol::QuerySwitchID);
    return record ? SwitchProtocol::switchIDFromRecord(*record) : 0;
}

QString ApplicationController::getFirmwareVersion(IOWarriorListNodeStruct *node)
{
    if (node == nullptr || !mIOWarriorController)
        return {};
    const auto record =
        SwitchProtocol::query(*mIOWarriorController, node, SwitchProtocol::QueryFirmwareVersion);
    // "0.0" from an unanswered query would pass for a real (and very old) version.
    return record ? SwitchProtocol::firmwareVersionFromRecord(*record) : QString();
}

// --- rotation ----------------------------------------------------------------------------------

bool ApplicationController::rotationRunning() const
{
    return mRotationTimer != nullptr && mRotationTimer->isActive();
}

void ApplicationController::stopRotation()
{
    if (mRotationTimer == nullptr)
        return;
    mRotationTimer->stop();
    mRotationTimer->deleteLater();
    mRotationTimer = nullptr;
}

double ApplicationController::rotationInterval() const
{
    const QJsonValue value = DefaultsStore::standard().valueForKey(kTimeIntervalKey);
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return kInitialTimeInterval;
    // A period of zero or less would fire continuously, flood the switch and freeze us.
    return std::max(1.0, value.toDouble());
}

void ApplicationController::rotate(QObject *)
{
    QPointer<ApplicationController> self(this);
    DeviceGate::instance().runOrDefer([self] {
        if (self)
            self->_rotate();
    });
}

void ApplicationController::_rotate()
{
    if (rotationRunning()) {
        stopRotation();
        // The USB connection follows to the computer the switch shows now.
        if (IOWarriorListNodeStruct *node = selectedNode())
            SwitchProtocol::selectPort(node, gActiveMachine & 0xFF, gActiveMachine & 0xFF);
        return;
    }
    auto *timer = new QTimer(this);
    timer->setTimerType(Qt::CoarseTimer);
    timer->setInterval(int(std::lround(rotationInterval() * 1000.0)));
    QPointer<QTimer> guardedTimer(timer);
    connect(timer, &QTimer::timeout, this, [this, guardedTimer] {
        QPointer<ApplicationController> self(this);
        DeviceGate::instance().runOrDefer([self, guardedTimer] {
            // A step queued behind a firmware transfer is void if the rotation ended meanwhile.
            if (self && guardedTimer && guardedTimer == self->mRotationTimer)
                self->rotatePorts(guardedTimer);
        });
    });
    timer->start();
    mRotationTimer = timer;
    if (IOWarriorListNodeStruct *node = selectedNode()) {
        // Without an answer the previous position stays: better than claiming port 1.
        if (const auto record = SwitchProtocol::query(*mIOWarriorController, node,
                                                      SwitchProtocol::QueryActivePort)) {
            gActiveMachine = gActiveUSBPort = std::int32_t(std::int8_t(record->reply[4]));
        }
    }
}

void ApplicationController::rotatePorts(QObject *)
{
    // With no port count known (0) the counter would run past every real port.
    if (mNumPorts > 0 && std::uint32_t(gActiveMachine) < mNumPorts - 1)
        ++gActiveMachine;
    else
        gActiveMachine = 0;
    if (IOWarriorListNodeStruct *node = selectedNode())
        SwitchProtocol::selectPort(node, gActiveMachine & 0xFF, gActiveUSBPort & 0xFF);
}

// --- hot keys ----------------------------------------------------------------------------------

namespace {

// The five bindings, in the order they are made, registered and saved.
struct BindingSpec {
    const char *key;    // identifier, name and defaults key
    const char *action; // invokable member of the controller taking the sender
};
constexpr BindingSpec kBindings[5] = {
    {"Port 1", "switchToPort1"}, {"Port 2", "switchToPort2"}, {"Port 3", "switchToPort3"},
    {"Port 4", "switchToPort4"}, {"Rotate", "rotate"},
};
constexpr int kBindingCount = 5;

// What a binding's field and menu item say about a valid combination the service refused.
QString notActiveText(const QString &description, const QString &reason)
{
    return tx("%1 — not active: %2").arg(description, reason);
}

} // namespace

PTHotKey *&ApplicationController::_hotKey(int index)
{
    PTHotKey **const hotKeys[kBindingCount] = {&mHotkey1, &mHotkey2, &mHotkey3, &mHotkey4, &mHotkey5};
    return *hotKeys[index];
}

QAction *ApplicationController::_menuHotkey(int index) const
{
    QAction *const items[kBindingCount] = {mMenuHotkey1, mMenuHotkey2, mMenuHotkey3, mMenuHotkey4,
                                           mMenuHotkey5};
    return items[index];
}

QLineEdit *ApplicationController::_hotkeyField(int index) const
{
    QLineEdit *const fields[kBindingCount] = {mHotkeyField1, mHotkeyField2, mHotkeyField3,
                                              mHotkeyField4, mHotkeyField5};
    return fields[index];
}

QString ApplicationController::hotkeyFailure(int binding) const
{
    return binding >= 1 && binding <= kBindingCount ? mHotkeyFailure[binding - 1] : QString();
}

void ApplicationController::setUpHotKeys()
{
    const DefaultsStore &defaults = DefaultsStore::standard();
    for (int i = 0; i < kBindingCount; ++i) {
        const QString key = QString::fromLatin1(kBindings[i].key);
        const PTKeyCombo combo = PTKeyCombo::keyComboWithPlistRepresentation(defaults.objectForKey(key));
        // A child of the controller: should the controller go without the quit steps, the
        // center still hears of the hot key's end and drops its grab.
        auto *hotKey = new PTHotKey(key, combo, this);
        hotKey->setName(key);
        hotKey->setTarget(this);
        hotKey->setAction(kBindings[i].action);
        delete _hotKey(i); // a second launch replaces, never leaks
        _hotKey(i) = hotKey;
        mHotkeyFailure[i].clear();
        _showKeyEquivalent(i);
    }
    for (int i = 0; i < kBindingCount; ++i)
        _registerHotKey(i);
    if (!mRegistrationLost) {
        mRegistrationLost = connect(PTHotKeyCenter::sharedCenter(), &PTHotKeyCenter::registrationLost,
                                    this, &ApplicationController::_hotKeyRegistrationLost);
    }
}

// The capture panel suspends every grab while it runs; one that another program took in the
// meantime is refused when they come back, and the binding shows it as it does at launch.
void ApplicationController::_hotKeyRegistrationLost(PTHotKey *hotKey, int status)
{
    for (int i = 0; i < kBindingCount; ++i) {
        if (hotKey == nullptr || _hotKey(i) != hotKey)
            continue;
        const QString reason = HotKeyService::statusText(status);
        mHotkeyFailure[i] = reason.isEmpty() ? tx("The hot key could not be registered.") : reason;
        _showKeyEquivalent(i);
        updateHotkeyDescriptions();
    }
}

void ApplicationController::_registerHotKey(int index)
{
    PTHotKeyCenter *center = PTHotKeyCenter::sharedCenter();
    if (center->registerHotKey(_hotKey(index))) {
        mHotkeyFailure[index].clear();
    } else {
        // The binding keeps its combination; the user is told why pressing it does nothing.
        const QString reason = center->lastRegistrationFailure();
        mHotkeyFailure[index] = reason.isEmpty() ? tx("The hot key could not be registered.") : reason;
    }
    _showKeyEquivalent(index);
}

// The menu shows the combination beside the command, for display only: it is written into the
// item's text after a tab, the column a menu keeps for shortcuts, and never becomes a
// QAction shortcut. A shortcut would be a second trigger next to the global grab (on a
// desktop that routes keys to an open menu or to our windows the command would run twice).
void ApplicationController::_showKeyEquivalent(int index)
{
    QAction *item = _menuHotkey(index);
    PTHotKey *hotKey = _hotKey(index);
    if (item == nullptr || hotKey == nullptr)
        return;
    const PTKeyCombo combo = hotKey->keyCombo();
    QVariant title = item->property("tarvexTitle");
    if (!title.isValid()) {
        title = item->text().section(QLatin1Char('\t'), 0, 0);
        item->setProperty("tarvexTitle", title);
    }
    item->setProperty("keyEquivalentModifierMask", combo.keyEquivalentModifierMask());
    item->setProperty("keyEquivalent", combo.keyEquivalent());
    QString text = title.toString();
    if (combo.isValidHotKeyCombo()) {
        // "&" is a mnemonic marker in menu texts; a key named "&" (AZERTY 1) must show as one.
        text += QLatin1Char('\t') + combo.description().replace(QLatin1Char('&'), QLatin1String("&&"));
    }
    item->setText(text);
    const QString &failure = mHotkeyFailure[index];
    item->setToolTip(failure.isEmpty() || !combo.isValidHotKeyCombo()
                         ? QString()
                         : notActiveText(combo.description(), failure));
}

void ApplicationController::updateHotkeyDescriptions()
{
    for (int i = 0; i < kBindingCount; ++i) {
        QLineEdit *field = _hotkeyField(i);
        PTHotKey *hotKey = _hotKey(i);
        if (field == nullptr || hotKey == nullptr)
            continue;
        const PTKeyCombo combo = hotKey->keyCombo();
        const QString &failure = mHotkeyFailure[i];
        const bool inactive = combo.isValidHotKeyCombo() && !failure.isEmpty();
        const QString text = inactive ? notActiveText(combo.description(), failure) : combo.description();
        field->setText(text);
        // The field is narrow; the whole sentence stays readable on hover.
        field->setToolTip(inactive ? text : QString());
        field->setCursorPosition(0);
    }
}

void ApplicationController::configureHotkeys(QObject *)
{
    // The fields show what the last updateHotkeyDescriptions wrote; the other controls of the
    // window follow what may have changed behind our back.
    _refreshLoginControls();
    _refreshTimeInterval();
    centerAndShow(mHotkeyConfigWnd);
}

void ApplicationController::setHotkey(QObject *sender)
{
    PTKeyComboPanel *panel = PTKeyComboPanel::sharedPanel();
    const QVariant tagValue = sender != nullptr ? sender->property("tag") : QVariant();
    bool isNumber = false;
    const int tag = tagValue.toInt(&isNumber);
    if (!isNumber || tag < 1 || tag > kBindingCount)
        return;
    PTHotKey *hotKey = _hotKey(tag - 1);
    if (hotKey == nullptr) // start-up never made the bindings, or quit took them
        return;
    panel->setKeyCombo(hotKey->keyCombo());
    panel->setKeyBindingName(hotKey->name());
    panel->runSheetForModalWindow(mHotkeyConfigWnd, this);
}

void ApplicationController::hotKeySheetDidEndWithReturnCode(int returnCode)
{
    // Cancel changes nothing. This is also the only answer heard while the controller itself
    // goes down (its window takes the sheet along), so it must touch nothing.
    if (returnCode != 1)
        return;
    PTKeyComboPanel *panel = PTKeyComboPanel::sharedPanel();
    const QString name = panel->keyBindingName();
    int index = -1;
    for (int i = 0; i < kBindingCount; ++i) {
        if (name == QLatin1String(kBindings[i].key)) {
            index = i;
            break;
        }
    }
    if (index < 0 || _hotKey(index) == nullptr) {
        updateHotkeyDescriptions();
        return;
    }
    _hotKey(index)->setKeyCombo(panel->keyCombo());
    // Drops the old grab first; after Clear the hot key stays unregistered. The new
    // combination is not stored here: the quit steps do that.
    _registerHotKey(index);
    updateHotkeyDescriptions();
}

void ApplicationController::saveHotKeys()
{
    DefaultsStore &defaults = DefaultsStore::standard();
    for (int i = 0; i < kBindingCount; ++i) {
        PTHotKey *&hotKey = _hotKey(i);
        if (hotKey == nullptr) // start-up stopped early: the stored combinations stay as they are
            continue;
        const QString key = QString::fromLatin1(kBindings[i].key);
        // Clear ones too ({-1, -1}), so a cleared binding stays cleared after a restart.
        if (!defaults.setObjectForKey(key, hotKey->keyCombo().plistRepresentation()))
            std::fprintf(stderr, "tarvexcc: could not save the hot key \"%s\": %s\n",
                         kBindings[i].key, qPrintable(defaults.lastError()));
        PTHotKeyCenter::sharedCenter()->unregisterHotKey(hotKey);
        delete hotKey;
        hotKey = nullptr;
        mHotkeyFailure[i].clear();
    }
}

void ApplicationController::_refreshTimeInterval()
{
    const QSignalBlocker blocker(mTimeInterval);
    mTimeInterval->setValue(int(std::lround(rotationInterval())));
}

void ApplicationController::_storeTimeInterval(int seconds)
{
    DefaultsStore &defaults = DefaultsStore::standard();
    if (seconds < 1 || defaults.valueForKey(kTimeIntervalKey) == QJsonValue(seconds))
        return;
    if (!defaults.setObjectForKey(kTimeIntervalKey, seconds))
        AlertPresenter::current().runAlert(
            QStringLiteral("Tarvex CC"),
            tx("The time interval could not be saved:\n%1").arg(defaults.lastError()), tx("OK"),
            QString());
}

// --- firmware ----------------------------------------------------------------------------------

void ApplicationController::upgradeFirmware(QObject *)
{
    if (selectedNode() == nullptr)
        return;
    centerAndShow(mFirmwareUpgrdWnd);
    // The version query waits for a running transfer: no query may slip in between its
    // records (and the transfer shows the new version itself when it ends).
    QPointer<ApplicationController> self(this);
    DeviceGate::instance().runOrDefer([self] {
        if (!self)
            return;
        if (IOWarriorListNodeStruct *node = self->selectedNode())
            self->mVersion->setText(self->getFirmwareVersion(node));
    });
}

void ApplicationController::selectFile(QObject *)
{
    if (mFirmwareController)
        mFirmwareController->selectFile();
}

QString ApplicationController::getAppVersion() const
{
    return QStringLiteral(TARVEX_VERSION);
}

// --- login item and help -----------------------------------------------------------------------

void ApplicationController::launchAtLogin(QObject *sender)
{
    const int state = controlState(sender);
    if (state != 0 && state != 1)
        return;
    AutostartEntry entry(QCoreApplication::applicationFilePath());
    const bool done = state == 1 ? entry.install() : entry.uninstall();
    if (!done) {
        std::fprintf(stderr, "tarvexcc: %s\n", qPrintable(entry.errorString()));
        AlertPresenter::current().runAlert(
            QStringLiteral("Tarvex CC"),
            tx("Launch at Login could not be changed:\n%1").arg(entry.errorString()), tx("OK"),
            QString());
    }
    // Both controls show what is on disk now, also after a failure.
    _refreshLoginControls();
}

void ApplicationController::_refreshLoginControls()
{
    const bool installed = AutostartEntry(QCoreApplication::applicationFilePath()).isInstalled();
    mLaunchAtLoginItem->setChecked(installed);
    mLaunchAtLoginBox->setChecked(installed);
}

void ApplicationController::_loadHelp()
{
    QFile file(QStringLiteral(":/help/Help.html"));
    mTextview->document()->setBaseUrl(QUrl(QStringLiteral("qrc:/help/")));
    if (file.open(QIODevice::ReadOnly))
        mTextview->setHtml(QString::fromUtf8(file.readAll()));
    else
        mTextview->setPlainText(tx("The help document is missing from this installation."));
}

void ApplicationController::showHelp(QObject *)
{
    _loadHelp();
    centerAndShow(mHelpWindow);
}

void ApplicationController::printHelp(QObject *)
{
    if (mTextview->document()->isEmpty())
        _loadHelp();
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, mHelpWindow);
    dialog.setWindowTitle(tx("Print Help"));
    if (dialog.exec() == QDialog::Accepted)
        printHelpTo(&printer);
}

void ApplicationController::printHelpTo(QPrinter *printer)
{
    if (mTextview->document()->isEmpty())
        _loadHelp();
    mTextview->print(printer);
}
