// Virtual key codes (the numbering stored in the defaults and used by the key-name and
// key-equivalent tables) and their mapping to and from Linux evdev key codes.
#pragma once

#include <QtGlobal>

namespace VirtualKeyCodes {

// Evdev code for a virtual key code, or -1 when the key has no place on a PC keyboard.
int evdevForVirtualKeyCode(int virtualKeyCode);

// Virtual key code for an evdev code, or -1 when the key is not one we can name and store.
int virtualKeyCodeForEvdev(int evdevCode);

// The X server numbers keys as evdev code + 8.
inline int xKeycodeForVirtualKeyCode(int virtualKeyCode)
{
    const int evdev = evdevForVirtualKeyCode(virtualKeyCode);
    return evdev < 0 ? -1 : evdev + 8;
}

// Keys the platform marks as function keys in key events: F1-F20, the arrows and the
// navigation block (Home, End, Page Up/Down, Forward Delete, Help/Insert).
bool isFunctionKey(int virtualKeyCode);

// Shift, Control, Option, Command and Caps Lock keys: they never make a combination alone.
bool isModifierKey(int virtualKeyCode);

} // namespace VirtualKeyCodes
