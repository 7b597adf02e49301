// The status menu and its tray icon; see StatusMenu.h.
#include "StatusMenu.h"

#include "AlertPresenter.h"
#include "AppLog.h"
#include "SwitchPopUp.h"
#include "Translation.h"
#include "WindowPlacement.h"
#include "switch/DefaultsStore.h"
#include "switch/SwitchProtocol.h"
#include "usb/HidPlatform.h"
#include "usb/IOWarriorController.h"

#include <QAction>
#include <QCursor>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>

#include <cerrno>
#include <utility>

StatusMenu::StatusMenu(RegistrySource registry, NodeSource selected, QObject *parent)
    : QObject(parent), mRegistry(std::move(registry)), mSelected(std::move(selected))
{
    build();
}

StatusMenu::~StatusMenu() = default;

QString StatusMenu::selectedSwitchKey()
{
    return QStringLiteral("Selected Switch");
}

void StatusMenu::build()
{
    mStatusMenu = std::make_unique<QMenu>();
    mStatusMenu->setToolTipsVisible(true);

    QAction *modelLine = mStatusMenu->addAction(tx("Not connected"));
    modelLine->setData(int(TagModelLine));
    modelLine->setEnabled(false);
    mStatusMenu->addSeparator();

    const char *portTitles[4] = {QT_TRANSLATE_NOOP("Translation", "Port 1"),
                                 QT_TRANSLATE_NOOP("Translation", "Port 2"),
                                 QT_TRANSLATE_NOOP("Translation", "Port 3"),
                                 QT_TRANSLATE_NOOP("Translation", "Port 4")};
    const QIcon inactive(QStringLiteral(":/images/Inactive.png"));
    for (int port = 1; port <= 4; ++port) {
        QAction *item = mStatusMenu->addAction(inactive, tx(portTitles[port - 1]));
        item->setData(TagPort1 + port - 1);
        item->setEnabled(false);
        item->setIconVisibleInMenu(true);
        connect(item, &QAction::triggered, this, [this, port, item] { emit portChosen(port, item); });
    }
    QAction *rotate = mStatusMenu->addAction(tx("Rotate"));
    rotate->setData(int(TagRotate));
    rotate->setEnabled(false);
    connect(rotate, &QAction::triggered, this, [this, rotate] { emit rotateChosen(rotate); });
    mStatusMenu->addSeparator();

    mSwitchList = new SwitchPopUp(tx("Switch"), this);
    mSwitchList->setItems({{tx("Select"), 0, {}, false}, {{}, 0, {}, true}});
    mSwitchList->menu()->setIcon(QIcon(QStringLiteral(":/images/Status.png")));
    connect(mSwitchList, &SwitchPopUp::activated, this, [this] { emit switchChosen(mSwitchList); });
    mStatusMenu->addMenu(mSwitchList->menu());
    mStatusMenu->addSeparator();

    const auto addEntry = [this](const QString &title, void (StatusMenu::*chosen)(QObject *)) {
        QAction *item = mStatusMenu->addAction(title);
        connect(item, &QAction::triggered, this, [this, item, chosen] { emit(this->*chosen)(item); });
        return item;
    };
    addEntry(tx("Preferences…"), &StatusMenu::preferencesChosen);
    addEntry(tx("Firmware Upgrade…"), &StatusMenu::firmwareChosen);
    mLaunchAtLoginItem = addEntry(tx("Launch at Login"), &StatusMenu::launchAtLoginChosen);
    mLaunchAtLoginItem->setCheckable(true);
    addEntry(tx("Help"), &StatusMenu::helpChosen);
    mStatusMenu->addSeparator();
    addEntry(tx("Quit Tarvex CC"), &StatusMenu::quitChosen);

    connect(mStatusMenu.get(), &QMenu::aboutToShow, this, &StatusMenu::aboutToShow);
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

void StatusMenu::warnAboutPermission(IOWarriorListNodeStruct *node, const QString &serial)
{
    const QString device = QString::fromStdString(node->hidInterface->path());
    if (mPermissionWarned.contains(device))
        return;
    mPermissionWarned.insert(device);
    qCWarning(tarvexApp).noquote()
        << QStringLiteral("no permission to open %1 (switch %2). Install the udev rule with "
                          "'sudo scripts/install-udev-rule' (or install the tarvexcc package), "
                          "then unplug and replug the switch.")
               .arg(device, serial);
    AlertPresenter::inform(
        tx("Tarvex CC may not open the switch %1 (device %2).\n\nInstall the udev rule that "
           "gives you access to Tarvex switches:\n    sudo scripts/install-udev-rule\n(or "
           "install the tarvexcc package), then unplug the switch and plug it in again.")
            .arg(serial, device));
}

void StatusMenu::updateAttachedDevices()
{
    IOWarriorController *registry = mRegistry();
    if (registry == nullptr)
        return;
    QList<SwitchPopUp::Item> items{{tx("Select"), 0, {}, false}, {{}, 0, {}, true}};
    int tag = 1;
    const auto &devices = registry->allDevices();
    for (auto it = devices.cbegin(); it != devices.cend(); ++it, ++tag) {
        const QString serial = it.key();
        IOWarriorListNodeStruct *node = it.value();
        QString name;
        if (lacksPermission(node)) {
            name = tx("(no permission)");
            warnAboutPermission(node, serial);
        } else {
            const auto record = SwitchProtocol::query(*registry, node, SwitchProtocol::QuerySwitchID);
            // An unanswered query names no model: "Unknown", like an unknown identifier.
            name = GetSwitchName(record ? std::int32_t(SwitchProtocol::switchIDFromRecord(*record)) : 0);
        }
        items.append({QStringLiteral("%1 (%2)").arg(name, serial), tag, serial, false});
    }
    mSwitchList->setItems(items);
    // The check mark follows the stored choice, so the list and the model line agree.
    restoreSelection();
    setStatusIcon();
    enableMenuItems();
}

void StatusMenu::restoreSelection()
{
    const int index = mSwitchList->indexOfItemWithRepresentedObject(
        DefaultsStore::standard().stringForKey(selectedSwitchKey()));
    mSwitchList->selectItemAtIndex(index >= 0 ? index : 0);
}

void StatusMenu::enableCommands(int portCount)
{
    for (int tag = TagPort1; tag <= TagPort4; ++tag)
        itemWithTag(tag)->setEnabled(tag - TagPort1 < portCount);
    itemWithTag(TagRotate)->setEnabled(portCount > 0);
}

void StatusMenu::applySwitch(IOWarriorListNodeStruct *node)
{
    QAction *modelLine = itemWithTag(TagModelLine);
    IOWarriorController *registry = mRegistry();
    if (registry == nullptr)
        return;
    if (lacksPermission(node)) {
        // Commands could not reach it; offering them would pretend they do.
        modelLine->setText(tx("(no permission)"));
        enableCommands(0);
        return;
    }
    const auto record = SwitchProtocol::query(*registry, node, SwitchProtocol::QuerySwitchID);
    const std::int32_t identifier = record ? std::int32_t(SwitchProtocol::switchIDFromRecord(*record)) : 0;
    modelLine->setText(GetSwitchName(identifier));
    const int ports = SwitchPortCount(identifier);
    enableCommands(ports);
    emit portCountChanged(std::uint32_t(ports));
}

void StatusMenu::enableMenuItems()
{
    if (IOWarriorListNodeStruct *node = mSelected()) {
        applySwitch(node);
        return;
    }
    // The port count stays: a switch that comes back keeps its rotation bound.
    itemWithTag(TagModelLine)->setText(tx("Not connected"));
    enableCommands(0);
}

void StatusMenu::showSwitchMissing()
{
    itemWithTag(TagModelLine)->setText(QStringLiteral("Not connected!"));
    enableCommands(0);
    emit portCountChanged(0);
}

void StatusMenu::setStatusIcon()
{
    const QIcon active(QStringLiteral(":/images/Active.png"));
    const QIcon inactive(QStringLiteral(":/images/Inactive.png"));
    int activePort = -1;
    IOWarriorController *registry = mRegistry();
    IOWarriorListNodeStruct *node = mSelected();
    if (registry != nullptr && node != nullptr && !lacksPermission(node)) {
        // An unanswered query marks nothing: marking port 1 would claim an answer.
        if (const auto record = SwitchProtocol::query(*registry, node, SwitchProtocol::QueryActivePort))
            activePort = SwitchProtocol::activePortFromRecord(*record).value_or(-1);
    }
    for (int port = 0; port < 4; ++port)
        itemWithTag(TagPort1 + port)->setIcon(port == activePort ? active : inactive);
}

void StatusMenu::createStatusItem()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/images/Status.svg"));
    icon.addFile(QStringLiteral(":/images/Status.png"));
    mStatusItem = std::make_unique<QSystemTrayIcon>(icon);
    mStatusItem->setToolTip(QStringLiteral("Tarvex CC"));
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
        mNoTrayWindow->setWindowIcon(QIcon(QStringLiteral(":/images/Status.png")));
        auto *layout = new QHBoxLayout(mNoTrayWindow.get());
        layout->setContentsMargins(12, 12, 12, 12);
        layout->setSpacing(12);
        auto *iconLabel = new QLabel(mNoTrayWindow.get());
        iconLabel->setPixmap(QIcon(QStringLiteral(":/images/Status.png")).pixmap(32, 32));
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
