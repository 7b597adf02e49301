// The application controller of tarvexcc; see ApplicationController.h.
#include "ApplicationController.h"

#include "AlertPresenter.h"
#include "AppLog.h"
#include "AutostartEntry.h"
#include "ControlState.h"
#include "FirmwareWindowController.h"
#include "HelpWindowController.h"
#include "HotKeyBindings.h"
#include "PTHotKeys/PTHotKey.h"
#include "HotplugRefresh.h"
#include "LogAlertPresenter.h"
#include "PTKeyComboPanel.h"
#include "PreferencesWindowController.h"
#include "SettingsNotice.h"
#include "StatusMenu.h"
#include "SwitchPopUp.h"
#include "TarvexVersion.h"
#include "TrayHostWatcher.h"
#include "Translation.h"
#include "WindowPlacement.h"
#include "switch/AddressedSwitches.h"
#include "switch/DefaultsStore.h"
#include "switch/FirmwareOutcome.h"
#include "switch/FirmwareTransfer.h"
#include "switch/DefaultsWatcher.h"
#include "switch/DeviceGate.h"
#include "switch/PortRotation.h"
#include "switch/SwitchProtocol.h"
#include "usb/IOWarriorController.h"

#include <QAction>
#include <QInputDialog>
#include <QCoreApplication>
#include <QPointer>
#include <QSystemTrayIcon>

// Resources live in the static library; the linker would drop them without this reference.
static void initTarvexResources()
{
    Q_INIT_RESOURCE(tarvexcc);
}

namespace {

ApplicationController *gSharedApplication = nullptr;

// Runs `work` when the switches are free, unless the controller has gone by then.
void whenDevicesFree(ApplicationController *controller, std::function<void(ApplicationController &)> work)
{
    QPointer<ApplicationController> self(controller);
    DeviceGate::instance().runOrDefer([self, work = std::move(work)] {
        if (self)
            work(*self);
    });
}

} // namespace

ApplicationController::ApplicationController(QObject *parent) : QObject(parent)
{
    initTarvexResources();
    if (gSharedApplication == nullptr)
        gSharedApplication = this;
    mIOWarriorController = std::make_unique<IOWarriorController>();
    DefaultsStore::standard().setInitialValues(
        QJsonObject{{PortRotation::timeIntervalKey(), PortRotation::kDefaultInterval}});

    const auto registry = [this] { return mIOWarriorController.get(); };
    const auto selected = [this] { return selectedNode(); };
    mAddressing = std::make_unique<AddressedSwitches>(
        registry, []() -> DefaultsStore & { return DefaultsStore::standard(); });
    mMenu = std::make_unique<StatusMenu>(registry, selected);
    mMenu->setAddressing(mAddressing.get());
    mRotation = std::make_unique<PortRotation>(*mAddressing);
    mStatusMenu = mMenu->menu();
    mSwitchList = mMenu->switchList();
    connect(mMenu.get(), &StatusMenu::portCountChanged, mRotation.get(), &PortRotation::setPortCount);
    mMenu->follow(*mRotation);
    connect(mMenu.get(), &StatusMenu::portChosen, this, [this](int port, QObject *item) {
        QMetaObject::invokeMethod(this, QByteArray("switchToPort" + QByteArray::number(port)).constData(),
                                  Q_ARG(QObject *, item));
    });
    connect(mMenu.get(), &StatusMenu::rotateChosen, this, &ApplicationController::rotate);
    connect(mMenu.get(), &StatusMenu::switchChosen, this, &ApplicationController::selectSwitch);
    connect(mMenu.get(), &StatusMenu::preferencesChosen, this, &ApplicationController::configureHotkeys);
    connect(mMenu.get(), &StatusMenu::firmwareChosen, this, &ApplicationController::upgradeFirmware);
    connect(mMenu.get(), &StatusMenu::launchAtLoginChosen, this, &ApplicationController::launchAtLogin);
    connect(mMenu.get(), &StatusMenu::helpChosen, this, &ApplicationController::showHelp);
    connect(mMenu.get(), &StatusMenu::quitChosen, this, &ApplicationController::terminate);
    // The login entry can change behind our back (another copy, the desktop's settings).
    connect(mMenu.get(), &StatusMenu::aboutToShow, this, &ApplicationController::_refreshLoginControls);

    std::array<QAction *, HotKeyBindings::kCount> items{};
    for (int tag = StatusMenu::TagPort1; tag <= StatusMenu::TagRotate; ++tag)
        items[tag - 1] = mMenu->itemWithTag(tag);
    mHotKeys = std::make_unique<HotKeyBindings>(this, items);
    connect(mHotKeys.get(), &HotKeyBindings::descriptionsChanged, this,
            &ApplicationController::updateHotkeyDescriptions);

    mTrayHost = std::make_unique<TrayHostWatcher>();
    connect(mTrayHost.get(), &TrayHostWatcher::hostAppeared, mMenu.get(), &StatusMenu::createStatusItem);
    connect(mTrayHost.get(), &TrayHostWatcher::waitExpired, mMenu.get(), &StatusMenu::showNoTrayWindow);
}

ApplicationController::~ApplicationController()
{
    if (gSharedApplication == this)
        gSharedApplication = nullptr;
}

ApplicationController *ApplicationController::sharedApplication()
{
    return gSharedApplication;
}

PreferencesWindowController &ApplicationController::preferences()
{
    if (!mPreferences) {
        mPreferences = std::make_unique<PreferencesWindowController>();
        connect(mPreferences.get(), &PreferencesWindowController::changeHotkeyRequested, this,
                &ApplicationController::setHotkey);
        connect(mPreferences.get(), &PreferencesWindowController::launchAtLoginToggled, this,
                &ApplicationController::launchAtLogin);
        connect(mPreferences.get(), &PreferencesWindowController::portNamesChanged, mMenu.get(),
                &StatusMenu::refreshTexts);
        connect(mMenu.get(), &StatusMenu::shownSwitchChanged, this, &ApplicationController::_showPortNames);
        _showPortNames();
        updateHotkeyDescriptions();
    }
    return *mPreferences;
}

HelpWindowController &ApplicationController::help()
{
    if (!mHelp)
        mHelp = std::make_unique<HelpWindowController>();
    return *mHelp;
}

FirmwareWindowController &ApplicationController::firmware()
{
    if (!mFirmwareController)
        mFirmwareController = std::make_unique<FirmwareWindowController>(*mIOWarriorController,
                                                                          DefaultsStore::standard());
    return *mFirmwareController;
}

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
    // 5. The tray icon now if a tray host is there, else when one comes; the window only
    // when none came within the wait. Neither holds up the steps below.
    mTrayHost->start();
    // 6., 7.
    mHotKeys->setUp();
    updateHotkeyDescriptions();
    // 8.
    updateAttachedDevices();
    // 9. The model line only informs.
    itemWithTag(StatusMenu::TagModelLine)->setEnabled(false);
    // 10. Restoring the choice is not a choice of the user: no selectSwitch here.
    mMenu->restoreSelection();
    // 11.
    enableMenuItems();
    // Port names given with tarvexctl, a switch it selected, a URL edited by hand: the menu,
    // the tooltip and the windows follow while we run.
    mDefaultsWatcher = new DefaultsWatcher(DefaultsStore::standard(), this);
    connect(mDefaultsWatcher, &DefaultsWatcher::changed, this, &ApplicationController::_followDefaults);
    // An entry of an earlier version under the old name gets the new name and the keys that
    // start us after the tray host.
    AutostartEntry entry(QCoreApplication::applicationFilePath());
    if (entry.isLegacy() && !entry.install())
        qCWarning(tarvexApp, "%s", qPrintable(entry.errorString()));
}

void ApplicationController::applicationWillTerminate()
{
    // Quit, the session manager and a signal may all arrive; the sequence runs once.
    if (mTerminated)
        return;
    mTerminated = true;
    // From here on nobody may be at the screen: what would be an alert goes to the log.
    AlertPresenter::install(&LogAlertPresenter::shared());
    // 1.
    mHotKeys->save();
    // 2. A tray host that comes now must not bring the icon back.
    disconnect(mTrayHost.get(), nullptr, mMenu.get(), nullptr);
    mMenu->removeStatusItem();
    // 3. The switch stays on the port it shows.
    stopRotation();
    // 4. The firmware window's check and transfer go with the registry they use.
    mFirmwareController.reset();
    mIOWarriorController.reset();
    // Nothing writes our settings back behind us: a logout or a signal would lose them.
    DefaultsStore &defaults = DefaultsStore::standard();
    if (!defaults.synchronize() && defaults.failureIsNew())
        qCWarning(tarvexApp, "could not save the settings: %s", qPrintable(defaults.lastError()));
}

void ApplicationController::_followDefaults(const QStringList &keys)
{
    if (mTerminated)
        return;
    if (keys.contains(AddressedSwitches::switchTogetherKey())) {
        // The list gains or loses "All Switches Together" with the choice.
        whenDevicesFree(this, [](ApplicationController &self) { self.updateAttachedDevices(); });
    } else if (keys.contains(StatusMenu::selectedSwitchKey())) {
        // Another switch is asked for its model and port: not between two firmware records.
        whenDevicesFree(this, [](ApplicationController &self) {
            self.mMenu->restoreSelection();
            self.enableMenuItems();
            self.setStatusIcon();
        });
    }
    mMenu->refreshTexts();
    if (mPreferences) {
        _showPortNames();
        if (keys.contains(PortRotation::timeIntervalKey()))
            mPreferences->setTimeInterval(mRotation->interval());
    }
}

void ApplicationController::_requestTermination()
{
    emit terminationRequested();
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void ApplicationController::terminate(QObject *)
{
    // A firmware transfer under way finishes first; its outcome then goes to the log instead
    // of a box that nobody answers at logout.
    AlertPresenter::install(&LogAlertPresenter::shared());
    // A box open now (a transfer's outcome, the question before writing) would hold the
    // transfer's end, and with it the quit, until someone answers: it goes to the log too.
    AlertPresenter::answerOpenAlerts(LogAlertPresenter::shared());
    // The window tells how a transfer ended, and the window goes with the program: the log
    // keeps it instead.
    if (mFirmwareController && mFirmwareController->transfer().isRunning() && !mTransferEndLogged) {
        mTransferEndLogged = true;
        connect(&mFirmwareController->transfer(), &FirmwareTransfer::finished, this, [](const FirmwareOutcome &outcome) {
            LogAlertPresenter::shared().runAlert(outcome.title(), outcome.text(), QString(), QString());
        });
    }
    // exit(), not quit(): quit() first asks every window to close, and one that refuses (the
    // firmware window until its transfer's end is handled, which follows at once) would drop it.
    whenDevicesFree(this, [](ApplicationController &) { QCoreApplication::exit(0); });
}

void ApplicationController::popUpStatusMenu()
{
    _refreshLoginControls();
    mMenu->popUp();
}

QAction *ApplicationController::itemWithTag(int tag) const
{
    return mMenu->itemWithTag(tag);
}

IOWarriorListNodeStruct *ApplicationController::selectedNode() const
{
    if (!mIOWarriorController)
        return nullptr;
    const QJsonValue stored = DefaultsStore::standard().objectForKey(StatusMenu::selectedSwitchKey());
    if (!stored.isString())
        return nullptr;
    return mIOWarriorController->deviceWithSerial(stored.toString());
}

void ApplicationController::updateAttachedDevices()
{
    mMenu->updateAttachedDevices();
}

void ApplicationController::enableMenuItems()
{
    mMenu->enableMenuItems();
}

void ApplicationController::setStatusIcon()
{
    mMenu->setStatusIcon();
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
    whenDevicesFree(this, [tag, serial](ApplicationController &self) {
        if (tag == StatusMenu::kTogetherTag) {
            // Chosen again while on, it turns off: back to the switch chosen before.
            StatusMenu::storeTogether(!self.mAddressing->together());
            self.mMenu->restoreSelection();
            self.enableMenuItems();
            return;
        }
        if (tag > 0 && self.mIOWarriorController) {
            if (IOWarriorListNodeStruct *node = self.mIOWarriorController->deviceWithSerial(serial)) {
                StatusMenu::storeSelection(serial);
                if (self.mAddressing->together()) {
                    StatusMenu::storeTogether(false);
                    self.enableMenuItems(); // the commands go to this switch alone again
                }
                self.mMenu->applySwitch(node);
            } else {
                self.mMenu->showSwitchMissing();
            }
        }
        self.setStatusIcon();
    });
}

void ApplicationController::setHotplugPause(HotplugPause pause)
{
    HotplugRefresh::setPause(std::move(pause));
}

void IOWarriorAddedCallback(void *)
{
    HotplugRefresh::afterPlug(
        [] {
            if (IOWarriorController *registry = IOWarriorController::sharedApplication())
                registry->findAttachedDevices();
        },
        [] {
            if (ApplicationController *app = ApplicationController::sharedApplication())
                app->updateAttachedDevices();
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
    whenDevicesFree(this, [](ApplicationController &self) {
        if (!self.mIOWarriorController)
            return;
        // Marked here, not before the gate: a transfer still holding a node keeps its list.
        gIOWarriorListDirty = 1;
        self.mIOWarriorController->findAttachedDevices();
        self.updateAttachedDevices();
    });
}

// A hot key pressed while no switch is chosen (several attached, none picked) or none is
// attached would do nothing, not even log: say so once per press and show where to choose.
bool ApplicationController::switchReadyFor(QObject *sender)
{
    if (selectedNode() != nullptr || qobject_cast<PTHotKey *>(sender) == nullptr)
        return true;
    const QString text = tx("The hot key did nothing: no switch is connected or chosen. Connect "
                            "one, or choose one in the menu under \"Choose a switch\".");
    qCWarning(tarvexApp, "%s", qPrintable(text));
    QSystemTrayIcon *item = mMenu->statusItem();
    if (item != nullptr && item->isVisible() && QSystemTrayIcon::supportsMessages())
        item->showMessage(QStringLiteral("Tarvex CC"), text);
    else
        mMenu->popUp();
    return false;
}

void ApplicationController::switchToPort1(QObject *sender) { if (switchReadyFor(sender)) mRotation->selectPort(1); }
void ApplicationController::switchToPort2(QObject *sender) { if (switchReadyFor(sender)) mRotation->selectPort(2); }
void ApplicationController::switchToPort3(QObject *sender) { if (switchReadyFor(sender)) mRotation->selectPort(3); }
void ApplicationController::switchToPort4(QObject *sender) { if (switchReadyFor(sender)) mRotation->selectPort(4); }
void ApplicationController::rotate(QObject *) { mRotation->toggle(); }
void ApplicationController::rotatePorts(QObject *) { mRotation->step(); }
bool ApplicationController::rotationRunning() const { return mRotation->isRunning(); }
void ApplicationController::stopRotation() { mRotation->stop(); }

std::uint32_t ApplicationController::getSwitchID(IOWarriorListNodeStruct *node)
{
    if (node == nullptr || !mIOWarriorController)
        return 0;
    const auto record = SwitchProtocol::query(*mIOWarriorController, node, SwitchProtocol::QuerySwitchID);
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

void ApplicationController::updateHotkeyDescriptions()
{
    // Only a window that exists shows them; a new one asks for them when it is made.
    if (!mPreferences)
        return;
    QStringList notice;
    for (int binding = 1; binding <= HotKeyBindings::kCount; ++binding) {
        if (mHotKeys->hotKey(binding) == nullptr)
            continue;
        mPreferences->setHotkeyDescription(binding, mHotKeys->description(binding),
                                           mHotKeys->isInactive(binding));
        if (!mHotKeys->problem(binding).isEmpty())
            notice.append(mHotKeys->problem(binding));
    }
    if (!mHotKeys->notice().isEmpty())
        notice.append(mHotKeys->notice());
    mPreferences->setHotkeyNotice(notice.join(QLatin1Char('\n')));
}

void ApplicationController::configureHotkeys(QObject *)
{
    // The fields show what the last updateHotkeyDescriptions wrote; the other controls follow
    // what may have changed behind our back.
    PreferencesWindowController &window = preferences();
    _refreshLoginControls();
    window.setTimeInterval(mRotation->interval());
    window.show();
}

void ApplicationController::setHotkey(QObject *sender)
{
    const QVariant tagValue = sender != nullptr ? sender->property("tag") : QVariant();
    bool isNumber = false;
    const int tag = tagValue.toInt(&isNumber);
    if (isNumber)
        mHotKeys->edit(tag, preferences().window(), this);
}

void ApplicationController::hotKeySheetDidEndWithReturnCode(int returnCode)
{
    // Stored at once, not only at quit: a crash or a power cut would lose it. A key moved
    // from another command clears that one too.
    DefaultsStore &defaults = DefaultsStore::standard();
    for (const int binding : mHotKeys->sheetDidEnd(returnCode)) {
        PTHotKey *hot = mHotKeys->hotKey(binding);
        if (!defaults.setObjectForKey(HotKeyBindings::key(binding), hot->keyCombo().plistRepresentation()))
            SettingsNotice::tell(defaults,
                                 tx("The hot key could not be saved:\n%1").arg(defaults.lastError()));
    }
}

QString ApplicationController::hotkeyFailure(int binding) const
{
    return mHotKeys->failure(binding);
}

void ApplicationController::upgradeFirmware(QObject *)
{
    // Firmware is written to one switch at a time: switched together, the user says which
    // (not while the window is busy with one).
    if (mAddressing->together() && !(mFirmwareController && mFirmwareController->isBusy())) {
        const QString chosen = _chooseFirmwareSwitch();
        if (chosen.isEmpty())
            return;
        firmware().setChosenSerial(chosen);
    } else if (selectedNode() == nullptr) {
        return;
    } else if (mFirmwareController && !mFirmwareController->isBusy()) {
        mFirmwareController->setChosenSerial(QString());
    }
    centerAndShow(firmware().window());
    // The window's queries (model, version) wait for a running transfer: no query may slip in
    // between its records (and the transfer shows the new version itself when it ends).
    whenDevicesFree(this, [](ApplicationController &self) { self.firmware().showSelectedSwitch(); });
}

QString ApplicationController::_chooseFirmwareSwitch()
{
    QStringList entries;
    QStringList serials;
    const auto targets = mAddressing->decide(AddressedSwitches::Scope::All).targets;
    for (const auto &target : targets) {
        const QString version = getFirmwareVersion(target.node);
        QString model;
        mAddressing->portCount(target, nullptr, &model);
        entries << (version.isEmpty() ? tx("%1 %2, firmware version unknown").arg(model, target.serial)
                                      : tx("%1 %2, firmware %3").arg(model, target.serial, version));
        serials << target.serial;
    }
    if (serials.size() < 2)
        return serials.value(0);
    bool ok = false;
    const QString picked = QInputDialog::getItem(nullptr, tx("Firmware Upgrade"),
                                                 tx("Firmware is written to one switch at a time. Which one?"),
                                                 entries, 0, false, &ok);
    return ok ? serials.value(int(entries.indexOf(picked))) : QString();
}

void ApplicationController::selectFile(QObject *)
{
    firmware().selectFile();
}

QString ApplicationController::getAppVersion() const
{
    return QStringLiteral(TARVEX_VERSION);
}

void ApplicationController::launchAtLogin(QObject *sender)
{
    const int state = controlState(sender);
    if (state != 0 && state != 1)
        return;
    AutostartEntry entry(QCoreApplication::applicationFilePath());
    if (!(state == 1 ? entry.install() : entry.uninstall())) {
        qCWarning(tarvexApp, "%s", qPrintable(entry.errorString()));
        AlertPresenter::inform(tx("Launch at Login could not be changed:\n%1").arg(entry.errorString()));
    }
    // Both controls show what is on disk now, also after a failure.
    _refreshLoginControls();
}

void ApplicationController::_showPortNames()
{
    if (!mPreferences)
        return;
    if (const QStringList together = mMenu->togetherSerials(); !together.isEmpty())
        mPreferences->showPortNamesTogether(together, mMenu->shownModel(), mMenu->shownPortCount());
    else
        mPreferences->showPortNames(mMenu->shownSerial(), mMenu->shownModel(), mMenu->shownPortCount());
}

void ApplicationController::_refreshLoginControls()
{
    const bool installed = AutostartEntry(QCoreApplication::applicationFilePath()).isInstalled();
    mMenu->launchAtLoginItem()->setChecked(installed);
    if (mPreferences)
        mPreferences->setLaunchAtLogin(installed);
}

void ApplicationController::showHelp(QObject *)
{
    help().showHelp();
}

void ApplicationController::printHelp(QObject *)
{
    help().printHelp();
}
