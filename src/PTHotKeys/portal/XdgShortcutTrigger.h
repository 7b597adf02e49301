// XdgShortcutTrigger: a key combination in the XDG shortcuts syntax ("LOGO+SHIFT+1",
// "CTRL+ALT+a"), the form in which the desktop portal takes a preferred trigger.
#pragma once

#include <QString>
#include <QtGlobal>

class XdgShortcutTrigger
{
public:
    // The modifiers (command → LOGO, control → CTRL, option → ALT, shift → SHIFT) and the
    // key by its xkb keysym name under the current layout; empty when the key has no name.
    static QString fromKeyCombo(qint32 keyCode, qint32 modifiers);

    // The keysym name of a virtual key code: fixed for keys that print nothing (and for the
    // keypad, whose digits print like the main row's), else the name of the character the
    // key prints now.
    static QString keysymName(qint32 keyCode);
};
