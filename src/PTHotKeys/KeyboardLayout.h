// KeyboardLayout: the seam between the key-name code and the session's keyboard layout.
// Implementations: XkbKeyboardLayout (the X server's layout), FixedUsKeyboardLayout (no X11),
// and a fake in the tests.
#pragma once

#include <QString>
#include <QtGlobal>

class KeyboardLayout
{
public:
    virtual ~KeyboardLayout();

    // Handle of the layout in force now. A new handle is issued whenever the layout (keymap
    // or active group) changes; 0 means the layout cannot be had at the moment.
    virtual quint64 currentLayout() = 0;

    // Display name of a layout, for diagnostics.
    virtual QString localizedName(quint64 layout) const = 0;

    // Short tag of the implementation, for diagnostics ("xkb", "us").
    virtual QString kind() const = 0;

    // The character printed on the key (no modifiers), as one UTF-16 unit; an empty string
    // when the key has none or `layout` is no longer current. `deadKeyState` belongs to the
    // caller (one per layout) and is carried from call to call.
    virtual QString translate(quint64 layout, quint16 virtualKeyCode, quint32 *deadKeyState) = 0;
};
