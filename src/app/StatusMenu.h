// The status menu and where it is shown. Builds the menu (port and rotation items addressed
// by tag, the model line, the switch list, the window and quit entries) and keeps it in step
// with the attached switches and the stored choice: enabled items, model line, permission
// mark and active-port marks. Shows it from the tray icon, or from a small window when the
// desktop has no tray. Says which entry the user chose through its signals.
#pragma once

#include "usb/IOWarriorLib.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class IOWarriorController;
class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;
class SwitchPopUp;

class StatusMenu : public QObject
{
    Q_OBJECT
public:
    enum MenuTag { TagPort1 = 1, TagPort2, TagPort3, TagPort4, TagRotate, TagModelLine = 10 };

    using RegistrySource = std::function<IOWarriorController *()>;
    using NodeSource = std::function<IOWarriorListNodeStruct *()>;

    // The registry and the selected switch are looked up afresh at every refresh.
    StatusMenu(RegistrySource registry, NodeSource selected, QObject *parent = nullptr);
    ~StatusMenu() override;

    // The defaults key of the user's choice of switch (its serial number).
    static QString selectedSwitchKey();

    QMenu *menu() const { return mStatusMenu.get(); }
    SwitchPopUp *switchList() const { return mSwitchList; }
    QAction *itemWithTag(int tag) const;
    QAction *launchAtLoginItem() const { return mLaunchAtLoginItem; }
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
    // Puts the switch list's check mark on the stored choice ("Select" when it is absent).
    void restoreSelection();

    // The tray icon carrying the menu (it replaces the small window, if that shows); without
    // a tray, the small window instead.
    void createStatusItem();
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

private:
    void build();
    void enableCommands(int portCount);
    bool lacksPermission(IOWarriorListNodeStruct *node) const;
    void warnAboutPermission(IOWarriorListNodeStruct *node, const QString &serial);

    RegistrySource mRegistry;
    NodeSource mSelected;
    std::unique_ptr<QMenu> mStatusMenu;
    SwitchPopUp *mSwitchList = nullptr;
    QAction *mLaunchAtLoginItem = nullptr;
    // Both show mStatusMenu, so they are declared after it and go before it.
    std::unique_ptr<QSystemTrayIcon> mStatusItem;
    std::unique_ptr<QWidget> mNoTrayWindow;
    QSet<QString> mPermissionWarned; // device nodes the user was already told about
};
