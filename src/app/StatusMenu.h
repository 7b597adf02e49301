// The status menu and where it is shown. Builds the menu (port and rotation items addressed
// by tag, the model line, the switch list, the window and quit entries) and keeps it in step
// with the attached switches and the stored choice: enabled items, model line, permission
// mark, active-port marks, whether a rotation runs, and the tray icon's tooltip. Adopts the
// only attached switch when none was ever chosen, and says why a switch cannot be reached (no
// permission, another program holds it). Shows the menu from the tray icon, or from a small
// window when the desktop has no tray. Says which entry the user chose through its signals.
#pragma once

#include "SwitchAccessNotice.h"
#include "SwitchPopUp.h"
#include "usb/IOWarriorLib.h"
#include "usb/SwitchStatusRecord.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class AddressedSwitches;
class IOWarriorController;
class PortRotation;
class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

class StatusMenu : public QObject
{
    Q_OBJECT
public:
    enum MenuTag { TagPort1 = 1, TagPort2, TagPort3, TagPort4, TagRotate, TagModelLine = 10 };
    // The tag of "All Switches Together" in the switch list (the switches count from 1).
    static constexpr int kTogetherTag = -1;

    using RegistrySource = std::function<IOWarriorController *()>;
    using NodeSource = std::function<IOWarriorListNodeStruct *()>;

    // The registry and the selected switch are looked up afresh at every refresh.
    StatusMenu(RegistrySource registry, NodeSource selected, QObject *parent = nullptr);
    ~StatusMenu() override;

    // The defaults key of the user's choice of switch (its serial number).
    static QString selectedSwitchKey();
    // Decides whether commands go to every attached switch ("Switch Together"); the menu
    // then shows them all. Not owned; null: the selected switch only.
    void setAddressing(AddressedSwitches *addressing) { mAddressing = addressing; }
    bool together() const;

    QMenu *menu() const { return mStatusMenu.get(); }
    SwitchPopUp *switchList() const { return mSwitchList; }
    QAction *itemWithTag(int tag) const;
    QAction *launchAtLoginItem() const { return mLaunchAtLoginItem; }
    QAction *firmwareItem() const { return mFirmwareItem; }
    QSystemTrayIcon *statusItem() const { return mStatusItem.get(); }
    QWidget *noTrayWindow() const { return mNoTrayWindow.get(); }

    // Rebuilds the switch list from the registry, then the marks and the enabled items.
    void updateAttachedDevices();
    // Enables the items for the selected switch, or shows the not-connected state.
    void enableMenuItems();
    // Shows `node`'s model and enables what it offers ("(no permission)" when it may not be
    // opened).
    void applySwitch(IOWarriorListNodeStruct *node);
    // The chosen switch left before its choice could be applied.
    void showSwitchMissing();
    // Marks the port the selected switch answers as active.
    void setStatusIcon();
    // Puts the switch list's check mark on the stored choice (none when it is absent).
    void restoreSelection();
    // Stores `serial` as the user's choice; a failed write is told (see SettingsNotice).
    static bool storeSelection(const QString &serial);
    // Stores whether all switches switch together; "Selected Switch" stays as it is, so
    // turning the choice off returns to that switch.
    static bool storeTogether(bool together);

    // Shows what `rotation` does: a port select of ours that reached the switch moves the
    // mark, the rotation item shows whether it runs and its period. Not owned.
    void follow(PortRotation &rotation);
    // The selected switch shows port `port` (0-based; -1 unknown), without asking it again.
    void markActivePort(int port);
    // The same for switch `serial`, one of those switched together or the selected one.
    void markPortOf(const QString &serial, int port);
    // Whether a rotation runs, and the period it runs (or would run) with.
    void showRotation(bool running, double seconds);
    // The tray icon's tooltip: the selected switch, its serial number and its active port.
    QString toolTip() const { return mToolTip; }
    // The switch shown: serial number ("" for none), model and the ports commands reach.
    QString shownSerial() const { return mSerial; }
    QString shownModel() const { return mModel; }
    int shownPortCount() const { return mPorts; }
    // The switches switched together, in order; empty unless "Switch Together" is on.
    QStringList togetherSerials() const;
    // Puts what the menu knows into the texts that need no exchange with the switch (port
    // titles with their names, the rotation item, the tooltip).
    void refreshTexts();

    // The tray icon carrying the menu (it replaces the small window, if that shows); without
    // a tray, the small window instead. `scalableIcon`: the host draws icons by their theme
    // name (a StatusNotifierItem host).
    void createStatusItem(bool scalableIcon = false);
    void removeStatusItem();
    // The small window that carries the menu where the desktop has no tray. Not modal.
    void showNoTrayWindow();
    // Pops the menu up where the pointer is (a second start asks for this).
    void popUp();

signals:
    void portChosen(int port, QObject *item);
    void rotateChosen(QObject *item);
    void switchChosen(QObject *list);
    void preferencesChosen(QObject *item);
    void firmwareChosen(QObject *item);
    void launchAtLoginChosen(QObject *item);
    void helpChosen(QObject *item);
    void quitChosen(QObject *item);
    void aboutToShow();
    // The selected switch's port count as the menu learned it (2 or 4; 0 when it is gone).
    void portCountChanged(std::uint32_t ports);
    // Another switch is shown (serial "" for none), with its model and the ports commands
    // reach: the preferences name those ports.
    void shownSwitchChanged(const QString &serial, const QString &model, int ports);

private:
    void build();
    // The menu for every attached switch at once ("Switch Together").
    void applyTogether();
    void markTogether();
    void setSwitchItems(const QList<SwitchPopUp::Item> &switches);
    void enableCommands(int portCount);
    // The switch shown (serial "" for none) with its model and the ports commands reach.
    void setShown(const QString &serial, const QString &model, int ports);
    // The state line when no switch is shown: missing, to be chosen, or none attached.
    QString noSwitchText() const;
    QString portTitle(int port) const;
    bool lacksPermission(IOWarriorListNodeStruct *node) const;
    // A status exchange that tells the user when another program holds the switch, and
    // when one gets through again, that the next refusal is news.
    std::optional<SwitchStatusRecord> query(IOWarriorController &registry,
                                            IOWarriorListNodeStruct *node, std::int32_t code,
                                            int *status = nullptr);

    RegistrySource mRegistry;
    NodeSource mSelected;
    AddressedSwitches *mAddressing = nullptr;
    // What the menu last learned of the switches switched together, in their order.
    struct TogetherSwitch {
        QString serial;
        QString model;
        int ports = 0;
        int activePort = -1; // 0-based; -1 unknown
    };
    QList<TogetherSwitch> mTogether; // empty unless the choice is on
    std::unique_ptr<QMenu> mStatusMenu;
    SwitchPopUp *mSwitchList = nullptr;
    QAction *mLaunchAtLoginItem = nullptr;
    QAction *mFirmwareItem = nullptr;
    // What the menu last learned of the selected switch.
    QString mSerial; // empty: no switch selected and attached
    QString mModel;
    int mPorts = 0;
    int mActivePort = -1; // 0-based; -1 unknown
    bool mChoosing = false; // several attached, none ever chosen
    QString mMissing;       // the chosen switch is not attached: what the menu calls it
    QHash<QString, QString> mListedModels; // serial → model, as the switch list last named them
    bool mRotating = false;
    double mPeriod = 0;
    QString mToolTip;
    // Both show mStatusMenu, so they are declared after it and go before it.
    std::unique_ptr<QSystemTrayIcon> mStatusItem;
    std::unique_ptr<QWidget> mNoTrayWindow;
    SwitchAccessNotice mNotice;
};
