// The status menu and its tray icon; see StatusMenu.h.
#include "StatusMenu.h"

#include "AlertPresenter.h"
#include "AppLog.h"
#include "ResourceImages.h"
#include "SettingsNotice.h"
#include "SwitchPopUp.h"
#include "Translation.h"
#include "WindowPlacement.h"
#include "switch/AddressedSwitches.h"
#include "switch/DefaultsStore.h"
#include "switch/PortNames.h"
#include "switch/PortRotation.h"
#include "switch/SwitchProtocol.h"
#include "usb/HidPlatform.h"
#include "usb/IOWarriorController.h"

#include <QAction>
#include <QCursor>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QTextDocument>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>

#include <cerrno>
#include <utility>

namespace {

// A tool tip turns rich at the first thing that looks like markup: a port name from the
// settings file or a switch's model line shows as typed, never as markup.
QString plainToolTip(const QString &text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

const char *const kPortTitles[4] = {QT_TRANSLATE_NOOP("Translation", "Port 1"),
                                    QT_TRANSLATE_NOOP("Translation", "Port 2"),
                                    QT_TRANSLATE_NOOP("Translation", "Port 3"),
                                    QT_TRANSLATE_NOOP("Translation", "Port 4")};

// A new title for a command item. The hot-key bindings show the combination after a tab and
// keep the title apart in "tarvexTitle"; both stay in step here. "&" would mark a mnemonic.
void setTitle(QAction *item, const QString &title)
{
    const QString escaped = QString(title).replace(QLatin1Char('&'), QLatin1String("&&"));
    const QString text = item->text();
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    item->setProperty("tarvexTitle", escaped);
    const QString newText = tab < 0 ? escaped : escaped + text.mid(tab);
    if (newText != text)
        item->setText(newText);
}

} // namespace

StatusMenu::StatusMenu(RegistrySource registry, NodeSource selected, QObject *parent)
    : QObject(parent), mRegistry(std::move(registry)), mSelected(std::move(selected))
{
    build();
}

StatusMenu::~StatusMenu() = default;

QString StatusMenu::selectedSwitchKey()
{
    return AddressedSwitches::selectedSwitchKey();
}

bool StatusMenu::together() const
{
    return mAddressing != nullptr && mAddressing->together();
}

void StatusMenu::build()
{
    mStatusMenu = std::make_unique<QMenu>();
    mStatusMenu->setToolTipsVisible(true);

    QAction *modelLine = mStatusMenu->addAction(tx("Not connected"));
    modelLine->setData(int(TagModelLine));
    modelLine->setEnabled(false);
    // Enabled only while the user has to choose among several switches: it leads there.
    connect(modelLine, &QAction::triggered, this, [this] { mSwitchList->menu()->popup(QCursor::pos()); });
    mStatusMenu->addSeparator();

    const QIcon inactive = resourceIcon(QStringLiteral("Inactive"));
    for (int port = 1; port <= 4; ++port) {
        QAction *item = mStatusMenu->addAction(inactive, tx(kPortTitles[port - 1]));
        item->setData(TagPort1 + port - 1);
        item->setEnabled(false);
        item->setIconVisibleInMenu(true);
        connect(item, &QAction::triggered, this, [this, port, item] { emit portChosen(port, item); });
    }
    QAction *rotate = mStatusMenu->addAction(tx("Rotate"));
    rotate->setData(int(TagRotate));
    rotate->setEnabled(false);
    rotate->setCheckable(true);
    connect(rotate, &QAction::triggered, this, [this, rotate] {
        // The mark shows what runs, not the click: the rotation says when that changes.
        rotate->setChecked(mRotating);
        emit rotateChosen(rotate);
    });
    mStatusMenu->addSeparator();

    mSwitchList = new SwitchPopUp(tx("Switch"), this);
    setSwitchItems({});
    mSwitchList->menu()->setIcon(resourceIcon(QStringLiteral("Status")));
    connect(mSwitchList, &SwitchPopUp::activated, this, [this] { emit switchChosen(mSwitchList); });
    mStatusMenu->addMenu(mSwitchList->menu());
    mStatusMenu->addSeparator();

    const auto addEntry = [this](const QString &title, void (StatusMenu::*chosen)(QObject *)) {
        QAction *item = mStatusMenu->addAction(title);
        connect(item, &QAction::triggered, this, [this, item, chosen] { emit(this->*chosen)(item); });
        return item;
    };
    addEntry(tx("Preferences…"), &StatusMenu::preferencesChosen);
    mFirmwareItem = addEntry(tx("Firmware Upgrade…"), &StatusMenu::firmwareChosen);
    mFirmwareItem->setEnabled(false);
    mLaunchAtLoginItem = addEntry(tx("Launch at Login"), &StatusMenu::launchAtLoginChosen);
    mLaunchAtLoginItem->setCheckable(true);
    addEntry(tx("Help"), &StatusMenu::helpChosen);
    mStatusMenu->addSeparator();
    addEntry(tx("Quit Tarvex CC"), &StatusMenu::quitChosen);

    connect(mStatusMenu.get(), &QMenu::aboutToShow, this, [this] {
        emit aboutToShow();
        refreshTexts();
    });
    refreshTexts();
}

void StatusMenu::setSwitchItems(const QList<SwitchPopUp::Item> &switches)
{
    QList<SwitchPopUp::Item> head{{tx("Select"), 0, {}, false}, {{}, 0, {}, true}};
    // Offered where there is something to switch together, and kept while it is on.
    if (mAddressing != nullptr && (switches.size() > 1 || together()))
        head << SwitchPopUp::Item{tx("All Switches Together"), kTogetherTag, {}, false}
             << SwitchPopUp::Item{{}, 0, {}, true};
    mSwitchList->setItems(head + switches);
    // "Select" heads the list: it is no choice of its own, so it carries no mark.
    QAction *header = mSwitchList->actionAtIndex(0);
    header->setCheckable(false);
    header->setEnabled(false);
}

QAction *StatusMenu::itemWithTag(int tag) const
{
    for (QAction *action : mStatusMenu->actions()) {
        if (!action->isSeparator() && action->menu() == nullptr && action->data().isValid() &&
            action->data().toInt() == tag)
            return action;
    }
    return nullptr;
}

bool StatusMenu::lacksPermission(IOWarriorListNodeStruct *node) const
{
    return node != nullptr && node->hidInterface != nullptr &&
           IOWarriorOpenInterfaceIfNecessary(node->hidInterface) == EACCES;
}

std::optional<SwitchStatusRecord> StatusMenu::query(IOWarriorController &registry,
                                                   IOWarriorListNodeStruct *node, std::int32_t code,
                                                   int *status)
{
    int result = 0;
    auto record = SwitchProtocol::query(registry, node, code, &result);
    if (record)
        mNotice.reached();
    else if (SwitchProtocol::isBusyStatus(result))
        mNotice.busy(result);
    if (status != nullptr)
        *status = result;
    return record;
}

void StatusMenu::updateAttachedDevices()
{
    IOWarriorController *registry = mRegistry();
    if (registry == nullptr)
        return;
    QList<SwitchPopUp::Item> items;
    int tag = 1;
    const auto &devices = registry->allDevices();
    for (auto it = devices.cbegin(); it != devices.cend(); ++it, ++tag) {
        const QString serial = it.key();
        IOWarriorListNodeStruct *node = it.value();
        QString name;
        if (lacksPermission(node)) {
            name = tx("(no permission)");
            mNotice.noPermission(QString::fromStdString(node->hidInterface->path()), serial);
        } else {
            int status = 0;
            const auto record = query(*registry, node, SwitchProtocol::QuerySwitchID, &status);
            // An unanswered query names no model: "Unknown", like an unknown identifier.
            const std::int32_t identifier = record ? std::int32_t(SwitchProtocol::switchIDFromRecord(*record)) : 0;
            name = GetSwitchName(identifier);
            if (record && mAddressing != nullptr)
                mAddressing->rememberPortCount(serial, SwitchPortCount(identifier), name);
            if (!record && SwitchProtocol::isBusyStatus(status))
                name = tx("(busy)");
        }
        items.append({QStringLiteral("%1 (%2)").arg(name, serial), tag, serial, false});
        mListedModels.insert(serial, name);
    }
    for (auto it = mListedModels.begin(); it != mListedModels.end();)
        it = devices.contains(it.key()) ? std::next(it) : mListedModels.erase(it);
    setSwitchItems(items);
    // A first start with one switch attached: it is the obvious choice (tarvexctl takes it too).
    if (devices.size() == 1 && !DefaultsStore::standard().objectForKey(selectedSwitchKey()).isString())
        storeSelection(devices.firstKey());
    // The check mark follows the stored choice, so the list and the model line agree.
    restoreSelection();
    setStatusIcon();
    enableMenuItems();
}

void StatusMenu::restoreSelection()
{
    if (together()) {
        for (int i = 0; i < mSwitchList->numberOfItems(); ++i) {
            if (mSwitchList->itemAtIndex(i).tag == kTogetherTag) {
                mSwitchList->selectItemAtIndex(i);
                return;
            }
        }
    }
    const int index = mSwitchList->indexOfItemWithRepresentedObject(
        DefaultsStore::standard().stringForKey(selectedSwitchKey()));
    mSwitchList->selectItemAtIndex(index >= 0 ? index : 0);
}

bool StatusMenu::storeSelection(const QString &serial)
{
    DefaultsStore &defaults = DefaultsStore::standard();
    if (defaults.setObjectForKey(selectedSwitchKey(), serial))
        return true;
    SettingsNotice::tell(defaults,
                         tx("The choice of switch could not be saved:\n%1").arg(defaults.lastError()));
    return false;
}

bool StatusMenu::storeTogether(bool together)
{
    DefaultsStore &defaults = DefaultsStore::standard();
    if (defaults.setObjectForKey(AddressedSwitches::switchTogetherKey(), together))
        return true;
    SettingsNotice::tell(defaults,
                         tx("The choice of switch could not be saved:\n%1").arg(defaults.lastError()));
    return false;
}

void StatusMenu::enableCommands(int portCount)
{
    for (int tag = TagPort1; tag <= TagPort4; ++tag)
        itemWithTag(tag)->setEnabled(tag - TagPort1 < portCount);
    itemWithTag(TagRotate)->setEnabled(portCount > 0);
    // Firmware is written to a switch that commands reach.
    mFirmwareItem->setEnabled(portCount > 0);
}

void StatusMenu::applySwitch(IOWarriorListNodeStruct *node)
{
    QAction *modelLine = itemWithTag(TagModelLine);
    IOWarriorController *registry = mRegistry();
    if (registry == nullptr)
        return;
    modelLine->setEnabled(false);
    mChoosing = false;
    const QString serial = QString::fromUtf8(node->serialNumber);
    if (lacksPermission(node)) {
        // Commands could not reach it; offering them would pretend they do.
        modelLine->setText(tx("(no permission)"));
        setShown(serial, modelLine->text(), 0);
        return;
    }
    int status = 0;
    const auto record = query(*registry, node, SwitchProtocol::QuerySwitchID, &status);
    if (!record && SwitchProtocol::isBusyStatus(status) && serial == mSerial) {
        // Another program holds it for a while; what the menu knew of it still holds.
        modelLine->setText(mModel);
        enableCommands(mPorts);
        return;
    }
    const std::int32_t identifier = record ? std::int32_t(SwitchProtocol::switchIDFromRecord(*record)) : 0;
    const QString model = GetSwitchName(identifier);
    // Two of the same model: the line must say which of them the commands reach.
    bool twin = false;
    for (auto it = mListedModels.cbegin(); it != mListedModels.cend(); ++it)
        twin = twin || (it.key() != serial && it.value() == model);
    modelLine->setText(twin ? QStringLiteral("%1 %2").arg(model, serial) : model);
    const int ports = SwitchPortCount(identifier);
    setShown(serial, model, ports);
    emit portCountChanged(std::uint32_t(ports));
}

void StatusMenu::setShown(const QString &serial, const QString &model, int ports)
{
    enableCommands(ports);
    // With no switch shown, the preferences say why in the place of its name.
    // Switches switched together are shown as a whole ("All switches (2)").
    const QString shownModel = serial.isEmpty() && mTogether.isEmpty() ? noSwitchText() : model;
    const bool changed = serial != mSerial || shownModel != mModel || ports != mPorts;
    if (!serial.isEmpty())
        mMissing.clear();
    mSerial = serial;
    mModel = shownModel;
    mPorts = ports;
    refreshTexts();
    if (changed)
        emit shownSwitchChanged(serial, model, ports);
}

void StatusMenu::enableMenuItems()
{
    if (together()) {
        applyTogether();
        return;
    }
    if (!mTogether.isEmpty()) {
        mTogether.clear();
        for (int tag = TagPort1; tag <= TagPort4; ++tag)
            itemWithTag(tag)->setToolTip(QString());
    }
    if (IOWarriorListNodeStruct *node = mSelected()) {
        applySwitch(node);
        return;
    }
    // The port count stays: a switch that comes back keeps its rotation bound.
    IOWarriorController *registry = mRegistry();
    const int attached = registry != nullptr ? int(registry->allDevices().size()) : 0;
    const QString chosen = DefaultsStore::standard().stringForKey(selectedSwitchKey());
    if (chosen.isEmpty()) {
        mMissing.clear();
    } else if (chosen != mMissing.section(QLatin1Char(' '), -1)) {
        // Named as the menu last knew it; a switch never seen in this run by its serial alone.
        mMissing = chosen == mSerial && !mModel.isEmpty() ? QStringLiteral("%1 %2").arg(mModel, chosen)
                                                          : tx("Switch %1").arg(chosen);
    }
    // Several to choose from and none chosen, or the chosen one gone while others are here:
    // the line leads to the list.
    mChoosing = attached > 1 && chosen.isEmpty();
    QAction *modelLine = itemWithTag(TagModelLine);
    modelLine->setEnabled(attached > 0 && (mChoosing || !mMissing.isEmpty()));
    setShown(QString(), QString(), 0);
    modelLine->setText(noSwitchText());
}

QString StatusMenu::noSwitchText() const
{
    IOWarriorController *registry = mRegistry();
    const bool others = registry != nullptr && !registry->allDevices().isEmpty();
    if (!mMissing.isEmpty())
        return others ? tx("%1 is not connected. Choose a switch").arg(mMissing)
                      : tx("%1 is not connected").arg(mMissing);
    if (mChoosing)
        return tx("Choose a switch");
    return tx("No switch connected");
}

void StatusMenu::applyTogether()
{
    IOWarriorController *registry = mRegistry();
    if (registry == nullptr)
        return;
    QList<TogetherSwitch> switches;
    int ports = 0;
    const auto &devices = registry->allDevices();
    for (auto it = devices.cbegin(); it != devices.cend(); ++it) {
        TogetherSwitch sw;
        sw.serial = it.key();
        // One that may not be opened or does not answer is listed without ports.
        if (!lacksPermission(it.value()))
            sw.ports = mAddressing->portCount({it.key(), it.value()}, nullptr, &sw.model);
        if (sw.model.isEmpty())
            sw.model = tx("Unknown");
        for (const TogetherSwitch &known : std::as_const(mTogether)) {
            if (known.serial == sw.serial)
                sw.activePort = known.activePort;
        }
        ports = std::max(ports, sw.ports);
        switches.append(sw);
    }
    mTogether = switches;
    mChoosing = false;
    QAction *modelLine = itemWithTag(TagModelLine);
    modelLine->setEnabled(false);
    modelLine->setText(tx("All switches (%1)").arg(devices.size()));
    // A port any of them has is offered; the others are told when they lack it.
    setShown(QString(), modelLine->text(), ports);
    setStatusIcon();
}

void StatusMenu::markTogether()
{
    const QIcon active = resourceIcon(QStringLiteral("Active"));
    const QIcon mixed = resourceIcon(QStringLiteral("Mixed"));
    const QIcon inactive = resourceIcon(QStringLiteral("Inactive"));
    for (int p = 0; p < 4; ++p) {
        // Active only when every switch that has the port shows it; some of them: mixed.
        int having = 0;
        int showing = 0;
        QStringList where;
        for (const TogetherSwitch &sw : std::as_const(mTogether)) {
            having += p < sw.ports ? 1 : 0;
            showing += sw.activePort == p ? 1 : 0;
            const QString port = sw.activePort >= 0 ? tx(kPortTitles[sw.activePort]) : tx("Unknown");
            where << QStringLiteral("%1 %2: %3").arg(sw.model, sw.serial, port);
        }
        QAction *item = itemWithTag(TagPort1 + p);
        item->setIcon(showing == 0 ? inactive : showing == having ? active : mixed);
        item->setToolTip(where.join(QLatin1Char('\n')));
    }
    refreshTexts();
}

QStringList StatusMenu::togetherSerials() const
{
    QStringList serials;
    for (const TogetherSwitch &sw : mTogether)
        serials << sw.serial;
    return serials;
}

void StatusMenu::markPortOf(const QString &serial, int port)
{
    if (mTogether.isEmpty()) {
        markActivePort(port);
        return;
    }
    for (TogetherSwitch &sw : mTogether) {
        if (sw.serial == serial)
            sw.activePort = port;
    }
    if (port >= 0)
        mNotice.reached();
    markTogether();
}

void StatusMenu::showSwitchMissing()
{
    enableMenuItems();
    emit portCountChanged(0);
}

QString StatusMenu::portTitle(int port) const
{
    const QString title = tx(kPortTitles[port - 1]);
    if (!mTogether.isEmpty()) {
        // Names given while switching together are the same on each; others are listed.
        const PortNames names(DefaultsStore::standard());
        QStringList given;
        for (const TogetherSwitch &sw : mTogether) {
            const QString name = names.name(sw.serial, port);
            if (!name.isEmpty() && !given.contains(name))
                given << name;
        }
        return given.isEmpty() ? title : title + QStringLiteral(" — ") + given.join(QStringLiteral(" / "));
    }
    return mSerial.isEmpty() ? title : PortNames(DefaultsStore::standard()).titled(title, mSerial, port);
}

void StatusMenu::refreshTexts()
{
    for (int port = 1; port <= 4; ++port)
        setTitle(itemWithTag(TagPort1 + port - 1), portTitle(port));
    const QString period = QLocale().toString(mPeriod, 'f', QLocale::FloatingPointShortest);
    setTitle(itemWithTag(TagRotate), mPeriod > 0 ? tx("Rotate (every %1 s)").arg(period) : tx("Rotate"));
    if (!mTogether.isEmpty()) {
        // Each switch with its port and the port's name.
        const PortNames names(DefaultsStore::standard());
        QStringList lines{mModel};
        for (const TogetherSwitch &sw : std::as_const(mTogether)) {
            QString line = QStringLiteral("%1 %2").arg(sw.model, sw.serial);
            if (sw.activePort >= 0 && sw.activePort < 4)
                line += QStringLiteral(" — ") + names.titled(tx(kPortTitles[sw.activePort]), sw.serial, sw.activePort + 1);
            lines << line;
        }
        mToolTip = lines.join(QLatin1Char('\n'));
    } else if (!mSerial.isEmpty()) {
        mToolTip = QStringLiteral("%1 %2").arg(mModel, mSerial);
        if (mActivePort >= 0 && mActivePort < 4)
            mToolTip += QStringLiteral(" — ") + portTitle(mActivePort + 1);
    } else {
        mToolTip = noSwitchText();
    }
    if (mStatusItem)
        mStatusItem->setToolTip(plainToolTip(mToolTip));
    if (mNoTrayWindow)
        mNoTrayWindow->setToolTip(plainToolTip(mToolTip));
}

void StatusMenu::follow(PortRotation &rotation)
{
    // Our own select that reached the switch moves the mark at once; a refresh still asks.
    connect(&rotation, &PortRotation::portSelected, this,
            [this](const QString &serial, int machinePort) { markPortOf(serial, machinePort); });
    connect(&rotation, &PortRotation::refused, &mNotice, &SwitchAccessNotice::busy);
    connect(&rotation, &PortRotation::skipped, &mNotice, &SwitchAccessNotice::skipped);
    const auto show = [this, &rotation] { showRotation(rotation.isRunning(), rotation.period()); };
    connect(&rotation, &PortRotation::runningChanged, this, show);
    // The period may have changed in the preferences since.
    connect(this, &StatusMenu::aboutToShow, &rotation, show);
    show();
}

void StatusMenu::showRotation(bool running, double seconds)
{
    mRotating = running;
    mPeriod = seconds;
    itemWithTag(TagRotate)->setChecked(running);
    refreshTexts();
}

void StatusMenu::markActivePort(int port)
{
    mActivePort = port;
    if (port >= 0) // only an answer or a select that got through knows the port
        mNotice.reached();
    const QIcon active = resourceIcon(QStringLiteral("Active"));
    const QIcon inactive = resourceIcon(QStringLiteral("Inactive"));
    for (int p = 0; p < 4; ++p)
        itemWithTag(TagPort1 + p)->setIcon(p == port ? active : inactive);
    refreshTexts();
}

void StatusMenu::setStatusIcon()
{
    if (!mTogether.isEmpty()) {
        if (IOWarriorController *registry = mRegistry()) {
            for (TogetherSwitch &sw : mTogether) {
                IOWarriorListNodeStruct *node = registry->deviceWithSerial(sw.serial);
                if (node == nullptr || lacksPermission(node))
                    continue;
                // One that another program holds keeps its mark: nobody else switches it.
                int status = 0;
                if (const auto record = query(*registry, node, SwitchProtocol::QueryActivePort, &status))
                    sw.activePort = SwitchProtocol::activePortFromRecord(*record).value_or(-1);
                else if (!SwitchProtocol::isBusyStatus(status))
                    sw.activePort = -1;
            }
        }
        markTogether();
        return;
    }
    int activePort = -1;
    IOWarriorController *registry = mRegistry();
    IOWarriorListNodeStruct *node = mSelected();
    if (registry != nullptr && node != nullptr && !lacksPermission(node)) {
        // An unanswered query marks nothing: marking port 1 would claim an answer. A switch
        // that another program holds keeps its mark: nobody else switches its ports.
        int status = 0;
        if (const auto record = query(*registry, node, SwitchProtocol::QueryActivePort, &status))
            activePort = SwitchProtocol::activePortFromRecord(*record).value_or(-1);
        else if (SwitchProtocol::isBusyStatus(status) && QString::fromUtf8(node->serialNumber) == mSerial)
            return;
    }
    markActivePort(activePort);
}

void StatusMenu::createStatusItem(bool scalableIcon)
{
    // For a StatusNotifier host by its theme name where the package installed it: the host
    // then draws it from the scalable drawing at the panel's own size instead of scaling small
    // pixmaps. An X11 tray only ever gets pixmaps, and the theme lookup would cost most of a
    // megabyte of resident memory for nothing there.
    const QIcon icon = scalableIcon ? QIcon::fromTheme(QStringLiteral("tarvexcc-status"),
                                                       resourceIcon(QStringLiteral("Status")))
                                    : resourceIcon(QStringLiteral("Status"));
    mStatusItem = std::make_unique<QSystemTrayIcon>(icon);
    mStatusItem->setToolTip(plainToolTip(mToolTip));
    mStatusItem->setContextMenu(mStatusMenu.get());
    // A left click opens the same menu: the program has nothing else to show.
    connect(mStatusItem.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    popUp();
            });
    mStatusItem->show();
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        showNoTrayWindow();
    else if (mNoTrayWindow)
        mNoTrayWindow->hide();
}

void StatusMenu::removeStatusItem()
{
    if (mStatusItem)
        mStatusItem->hide();
    mStatusItem.reset();
    if (mNoTrayWindow)
        mNoTrayWindow->hide();
}

void StatusMenu::showNoTrayWindow()
{
    static bool told = false;
    if (!told) {
        told = true;
        qCWarning(tarvexApp, "no system tray available; showing a window instead. Enable a system "
                             "tray or StatusNotifierItem host (GNOME: AppIndicator extension) to "
                             "get the tray icon.");
    }
    // The explanation is in the window itself: a modal box would hold up the event loop
    // (and the hot keys) until someone answers it at login.
    if (!mNoTrayWindow) {
        mNoTrayWindow = std::make_unique<QWidget>(nullptr, Qt::Window);
        mNoTrayWindow->setWindowTitle(QStringLiteral("Tarvex CC"));
        mNoTrayWindow->setToolTip(plainToolTip(mToolTip));
        mNoTrayWindow->setWindowIcon(resourceIcon(QStringLiteral("Status")));
        auto *layout = new QHBoxLayout(mNoTrayWindow.get());
        layout->setContentsMargins(12, 12, 12, 12);
        layout->setSpacing(12);
        auto *iconLabel = new QLabel(mNoTrayWindow.get());
        iconLabel->setPixmap(resourceIcon(QStringLiteral("Status")).pixmap(32, 32));
        layout->addWidget(iconLabel);
        auto *text = new QLabel(tx("This desktop offers no system tray, so Tarvex CC shows its menu "
                                   "in a small window instead. To get the tray icon, enable a system "
                                   "tray or status notifier area (on GNOME: the AppIndicator "
                                   "extension)."),
                                mNoTrayWindow.get());
        text->setWordWrap(true);
        text->setMinimumWidth(320);
        layout->addWidget(text, 1);
        auto *menuButton = new QPushButton(tx("Menu"), mNoTrayWindow.get());
        menuButton->setMenu(mStatusMenu.get());
        layout->addWidget(menuButton);
        mNoTrayWindow->adjustSize(); // as small as the wrapped text allows
    }
    centerAndShow(mNoTrayWindow.get());
}

void StatusMenu::popUp()
{
    if (mNoTrayWindow && !mStatusItem)
        centerAndShow(mNoTrayWindow.get());
    mStatusMenu->popup(QCursor::pos());
}
