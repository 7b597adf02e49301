// PTKeyBroadcaster: a push button that turns every key press reaching it into a PTKeyCombo and
// announces it; it never acts on a key itself, and no shortcut fires while it has the focus.
#pragma once

#include "PTHotKeys/PTKeyCombo.h"

#include <QPushButton>

class QKeyEvent;

// Name of the announcement, for logs and for code that speaks of it by name; in this program
// it is the keyEvent() signal.
extern const char PTKeyBroadcasterKeyEvent[];

class PTKeyBroadcaster : public QPushButton
{
    Q_OBJECT

public:
    // Event flags in the desktop's key-event encoding, the input of the modifier conversion.
    enum : quint32 {
        kEventCommand = 0x100000,
        kEventOption = 0x80000,
        kEventControl = 0x40000,
        kEventShift = 0x20000,
        kEventFunctionKey = 0x800000,
        kEventCapsLock = 0x10000,
        kEventNumericPad = 0x200000,
    };

    explicit PTKeyBroadcaster(QWidget *parent = nullptr);

    static qint32 cocoaModifiersAsCarbonModifiers(quint32 eventFlags);
    // The event flags of a key press: Super is command, Alt option; the function-key flag for
    // F-keys, arrows and the navigation keys; Caps Lock and Num Lock only as flags that the
    // conversion drops.
    static quint32 eventFlagsForKeyEvent(const QKeyEvent *event, int virtualKeyCode);
    // The virtual key code of the physical key (native scan code = evdev + 8), or -1.
    static int virtualKeyCodeForKeyEvent(const QKeyEvent *event);

signals:
    void keyEvent(PTKeyBroadcaster *sender, const PTKeyCombo &keyCombo);

protected:
    bool event(QEvent *event) override;

private:
    void bcastEvent(const QKeyEvent *event);
    void bcastKeyCode(qint16 keyCode, qint32 modifiers);
};
