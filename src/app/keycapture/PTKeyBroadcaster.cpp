// PTKeyBroadcaster: key presses become combinations from the physical key, never from the
// character it produced, so the stored key code is the same under every layout.
#include "PTKeyBroadcaster.h"

#include "PTHotKeys/VirtualKeyCodes.h"

#include <QKeyEvent>

const char PTKeyBroadcasterKeyEvent[] = "PTKeyBroadcasterKeyEvent";

namespace {

struct FlagRow {
    quint32 eventFlag;
    qint32 hotKeyBit;
};

constexpr FlagRow kCocoaToCarbon[] = {
    {PTKeyBroadcaster::kEventCommand, PTKeyCombo::kCommandKey},
    {PTKeyBroadcaster::kEventOption, PTKeyCombo::kOptionKey},
    {PTKeyBroadcaster::kEventControl, PTKeyCombo::kControlKey},
    {PTKeyBroadcaster::kEventShift, PTKeyCombo::kShiftKey},
    {PTKeyBroadcaster::kEventFunctionKey, PTKeyCombo::kFunctionKey},
    {0, 0},
};

bool isModifierOrLockKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Shift: case Qt::Key_Control: case Qt::Key_Meta: case Qt::Key_Alt:
    case Qt::Key_AltGr: case Qt::Key_Super_L: case Qt::Key_Super_R: case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R: case Qt::Key_CapsLock: case Qt::Key_NumLock: case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

} // namespace

PTKeyBroadcaster::PTKeyBroadcaster(QWidget *parent) : QPushButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAutoDefault(false);
}

qint32 PTKeyBroadcaster::cocoaModifiersAsCarbonModifiers(quint32 eventFlags)
{
    qint32 modifiers = 0;
    for (const FlagRow &row : kCocoaToCarbon) {
        if (eventFlags & row.eventFlag)
            modifiers += row.hotKeyBit;
    }
    return modifiers;
}

int PTKeyBroadcaster::virtualKeyCodeForKeyEvent(const QKeyEvent *event)
{
    const quint32 scanCode = event->nativeScanCode();
    if (scanCode < 8)
        return -1; // synthetic event without a physical key
    return VirtualKeyCodes::virtualKeyCodeForEvdev(static_cast<int>(scanCode) - 8);
}

quint32 PTKeyBroadcaster::eventFlagsForKeyEvent(const QKeyEvent *event, int virtualKeyCode)
{
    const Qt::KeyboardModifiers mods = event->modifiers();
    quint32 flags = 0;
    if (mods & Qt::MetaModifier)
        flags |= kEventCommand;
    if (mods & Qt::AltModifier)
        flags |= kEventOption;
    if (mods & Qt::ControlModifier)
        flags |= kEventControl;
    if (mods & Qt::ShiftModifier)
        flags |= kEventShift;
    if (mods & Qt::KeypadModifier)
        flags |= kEventNumericPad;
    if (VirtualKeyCodes::isFunctionKey(virtualKeyCode))
        flags |= kEventFunctionKey;
    return flags;
}

bool PTKeyBroadcaster::event(QEvent *e)
{
    switch (e->type()) {
    case QEvent::ShortcutOverride:
        // Claim every key so that no menu shortcut, default button or mnemonic acts on it;
        // the key press that follows reaches us as KeyPress.
        e->accept();
        return true;
    case QEvent::KeyPress:
        bcastEvent(static_cast<QKeyEvent *>(e));
        e->accept();
        return true; // also Tab, Return, Space and Escape: nothing here acts on a key
    case QEvent::KeyRelease:
        e->accept();
        return true;
    default:
        return QPushButton::event(e);
    }
}

void PTKeyBroadcaster::bcastEvent(const QKeyEvent *event)
{
    if (isModifierOrLockKey(event->key()))
        return;
    const int keyCode = virtualKeyCodeForKeyEvent(event);
    if (keyCode < 0 || VirtualKeyCodes::isModifierKey(keyCode))
        return; // no physical key we can store, or a modifier pressed alone
    bcastKeyCode(static_cast<qint16>(keyCode),
                 cocoaModifiersAsCarbonModifiers(eventFlagsForKeyEvent(event, keyCode)));
}

void PTKeyBroadcaster::bcastKeyCode(qint16 keyCode, qint32 modifiers)
{
    emit keyEvent(this, PTKeyCombo(keyCode, modifiers));
}
