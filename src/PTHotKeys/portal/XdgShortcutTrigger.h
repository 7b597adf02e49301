// XdgShortcutTrigger: a key combination in the XDG shortcuts syntax ("LOGO+SHIFT+1",
// "CTRL+ALT+a"), the form in which the desktop portal takes a preferred trigger, and the
// desktops' own descriptions of a key read back as one of ours.
#pragma once

#include "PTHotKeys/PTKeyCombo.h"

#include <QString>
#include <QtGlobal>

#include <optional>

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

    // A key as modifiers and keysym: how desktops' descriptions compare, whatever the keyboard.
    struct Key {
        qint32 modifiers = 0;
        quint32 keysym = 0;
        bool operator==(const Key &) const = default;
    };
    static std::optional<Key> keyFromDescription(const QString &description);

    // The key a desktop describes, in any of the forms seen: the XDG syntax, KDE's
    // ("Ctrl+Alt+1", "Meta+F5", "Ctrl+Alt++") and GNOME's ("Press <Control><Alt>1"); none
    // when the text cannot be read as a key of this keyboard.
    static std::optional<PTKeyCombo> keyComboFromDescription(const QString &description);
    // The description in the program's own words ("Ctrl+Alt+1") when it reads as a key, the
    // desktop's text otherwise.
    static QString displayText(const QString &description);
};
