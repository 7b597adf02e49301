// PTKeyComboPanel: the shared panel that captures a new key combination, run modally or as a
// sheet (a window-modal dialog) on another window; it ends with OK (or Return) or Cancel (or
// Escape). A combination that would break typing is refused there, with the reason, and one
// that another command holds is named, so that OK moves it rather than making two of a key.
#pragma once

#include "PTHotKeys/PTKeyCombo.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class PTHotKey;
class PTKeyBroadcaster;
class PTKeyComboPanelTarget;
class QDialog;
class QLabel;
class QWidget;

namespace Ui {
class PTKeyComboPanel;
}

class PTKeyComboPanel : public QObject
{
    Q_OBJECT

public:
    enum ReturnCode { Cancelled = 0, Accepted = 1 };
    // The name of the command other than the one being edited that holds a combination, or
    // an empty string.
    using ClashLookup = std::function<QString(const PTKeyCombo &)>;

    static PTKeyComboPanel *sharedPanel();

    PTKeyComboPanel();
    ~PTKeyComboPanel() override;

    // The panel window, loaded from "PTKeyComboPanel" at the first request.
    QDialog *window();
    bool isWindowLoaded() const { return !mWindow.isNull(); }

    void setKeyCombo(const PTKeyCombo &keyCombo);
    PTKeyCombo keyCombo() const { return mKeyCombo; }
    void setKeyBindingName(const QString &name);
    QString keyBindingName() const { return mKeyName; }
    // Asked for every captured combination of the next runs; none: no clash is ever found.
    void setClashLookup(ClashLookup lookup);
    // The command that holds the combination shown, which OK takes it from; empty for none.
    QString clashingCommand() const { return mClash; }
    // Why the last key pressed was not taken, or what OK would move; empty when all is well.
    QString problem() const { return mProblem; }

    // Why `keyCombo` may not be a hot key although it has a modifier: Shift alone on a key
    // that types a character would take that character from every window (a desktop's own
    // shortcut editor refuses it too). A null string when it may.
    static QString refusal(const PTKeyCombo &keyCombo);

    // While the panel runs (modally or as a sheet) this program's hot keys are suspended, so
    // that a combination one of them holds reaches the panel instead of running its action;
    // they are registered again however the run ends, before the result is handed on.

    // Application-modal run; returns 1 (OK, Clear) or 0 (Cancel).
    int runModal();
    // Edits `hotKey` modally; on OK or Clear gives it the result and registers it again.
    void runModalForHotKey(PTHotKey *hotKey);
    // Window-modal run on `parentWindow`; returns at once. When it ends the target hears
    // hotKeySheetDidEndWithReturnCode(); a target that is a QObject and is destroyed meanwhile
    // is not called.
    void runSheetForModalWindow(QWidget *parentWindow, PTKeyComboPanelTarget *target);
    bool isSheet() const { return mRunningAsSheet; }

    // Widgets, for tests and for focus handling.
    PTKeyBroadcaster *keyBroadcaster() const;
    QLabel *titleField() const;
    QLabel *comboField() const;

public slots:
    void ok(QObject *sender = nullptr);
    void cancel(QObject *sender = nullptr);
    // Empties the field; only OK then saves the empty combination.
    void clear(QObject *sender = nullptr);
    // A captured combination; Escape alone cancels, Backspace or Delete alone clears the
    // field, Return or Enter alone accepts.
    void noteKeyBroadcast(PTKeyBroadcaster *sender, const PTKeyCombo &keyCombo);

private:
    // Virtual key codes of the keys that end the panel when pressed without a modifier.
    enum : qint32 {
        kReturnKey = 0x24,
        kBackspaceKey = 0x33,
        kEscapeKey = 0x35,
        kKeypadEnterKey = 0x4C,
        kForwardDeleteKey = 0x75,
    };

    void windowDidLoad();
    void refreshContents();
    void fitHeight();
    void showProblem(const QString &problem, const QString &clash = QString());
    void endWithCode(int code);
    void sheetDidEnd(int returnCode);

    std::unique_ptr<Ui::PTKeyComboPanel> mUi;
    QPointer<QDialog> mWindow;
    QString mTitleFormat;
    QString mKeyName;
    PTKeyCombo mKeyCombo;
    ClashLookup mClashLookup;
    QString mClash;
    QString mProblem;
    QString mOkTitle;
    bool mRunningAsSheet = false;
    PTKeyComboPanelTarget *mSheetTarget = nullptr;
    QPointer<QObject> mSheetTargetGuard;
    bool mSheetTargetIsObject = false;
    bool mSheetSuspendsHotKeys = false; // this sheet holds a suspension of the hot key center
};
