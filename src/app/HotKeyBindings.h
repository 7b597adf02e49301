// The five hot-key bindings "Port 1" … "Port 4" and "Rotate": made from the defaults at
// launch and registered in order, shown beside their menu items, changed through the
// capture sheet, and saved at quit. Keeps, per binding, what the session made of it: the key
// the desktop chose (a desktop that binds keys itself has the last word), or why a valid
// combination is not active, so the user can see why pressing it does nothing.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <array>

class PTHotKey;
class PTKeyCombo;
class PTKeyComboPanelTarget;
class QAction;
class QWidget;

class HotKeyBindings : public QObject
{
    Q_OBJECT
public:
    static constexpr int kCount = 5;

    // `target` receives the actions (switchToPort1 … switchToPort4, rotate) by name; the menu
    // items (ports 1-4, rotation) show the combinations. Neither is owned.
    HotKeyBindings(QObject *target, const std::array<QAction *, kCount> &menuItems,
                   QObject *parent = nullptr);
    ~HotKeyBindings() override;

    // The defaults key, identifier and name of binding 1-5.
    static QString key(int binding);

    // Makes the five hot keys from the defaults and registers them in order.
    void setUp();
    // Stores every combination under its key (cleared ones too) and drops the hot keys.
    // Does nothing for bindings that were never made.
    void save();

    // Binding 1-5's hot key, or null outside set-up … save.
    PTHotKey *hotKey(int binding) const;
    // Why binding 1-5 is not active although it holds a valid combination, or a null string.
    QString failure(int binding) const;
    // Whether binding 1-5 holds a combination that the session has granted: only then does
    // the menu show it, as only then does pressing it do something.
    bool isActive(int binding) const;
    // Binding 1-5's problem in one whole sentence ("Port 1: Ctrl+Alt+1 is not active: …"),
    // or a null string.
    QString problem(int binding) const;
    // What binding 1-5's field shows: the combination, with the refusal when there is one.
    QString description(int binding) const;
    bool isInactive(int binding) const;
    // Why hot keys are limited or unavailable in this session, and what the desktop says about
    // changing them; empty when there is nothing to say.
    QString notice() const;

    // Opens the capture sheet on `window` for binding 1-5; false (and no sheet) for another
    // number or a binding that does not exist.
    bool edit(int binding, QWidget *window, PTKeyComboPanelTarget *target);
    // The capture sheet ended: code 1 (OK) applies its combination to the binding it names
    // and registers it again, and clears any other binding that held it (the panel said it
    // would move); anything else changes nothing. Returns the bindings that changed.
    QList<int> sheetDidEnd(int returnCode);

signals:
    // A combination or a refusal changed: the fields should show the descriptions again.
    void descriptionsChanged();

private:
    void registerHotKey(int index);
    void showKeyEquivalent(int index);
    // Reads what the session made of binding index+1 (at once, or when the desktop answers).
    void takeGrant(int index);
    void grantChanged(PTHotKey *hotKey);
    // The binding (1-5) other than the one named `except` that holds `combo`, or 0.
    int holder(const PTKeyCombo &combo, const QString &except) const;

    QObject *mTarget;
    std::array<QAction *, kCount> mMenuHotkeys;
    std::array<PTHotKey *, kCount> mHotKeys{};
    std::array<QString, kCount> mFailure; // per binding: why its combination is not active
    std::array<QString, kCount> mTrigger; // the desktop's name of the key it bound, if any
    std::array<QString, kCount> mNote;    // how the desktop lets the key be changed, if it says
    std::array<bool, kCount> mActive{};  // the session granted it
    QString mLimitation;
    QList<QMetaObject::Connection> mCenterConnections;
};
