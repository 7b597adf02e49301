// FixedUsKeyboardLayout: unshifted US characters by virtual key code.
#include "PTHotKeys/FixedUsKeyboardLayout.h"

namespace {

// Index = virtual key code; '\0' = the key prints no character.
constexpr char kUsCharacters[0x5D] = {
    'a', 's', 'd', 'f', 'h', 'g', 'z', 'x', 'c', 'v', '<', 'b', 'q', 'w', 'e', 'r',   // 0x00
    'y', 't', '1', '2', '3', '4', '6', '5', '=', '9', '7', '-', '8', '0', ']', 'o',    // 0x10
    'u', '[', 'i', 'p', '\0', 'l', 'j', '\'', 'k', ';', '\\', ',', '/', 'n', 'm', '.', // 0x20
    '\0', ' ', '`', '\0', '\0', '\0', '\0', '\0', '\0', '\0', '\0', '\0', '\0', '\0', '\0', '\0', // 0x30
    '\0', '.', '\0', '*', '\0', '+', '\0', '\0', '\0', '\0', '\0', '/', '\0', '\0', '-', '\0', // 0x40
    '\0', '=', '0', '1', '2', '3', '4', '5', '6', '7', '\0', '8', '9',                 // 0x50
};

} // namespace

QString FixedUsKeyboardLayout::localizedName(quint64) const
{
    return QStringLiteral("English (US)");
}

QString FixedUsKeyboardLayout::translate(quint64 layout, quint16 virtualKeyCode, quint32 *)
{
    if (layout != 1 || virtualKeyCode >= sizeof(kUsCharacters))
        return QString();
    const char c = kUsCharacters[virtualKeyCode];
    return c ? QString(QChar::fromLatin1(c)) : QString();
}
