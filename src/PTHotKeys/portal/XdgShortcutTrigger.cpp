// XdgShortcutTrigger: modifier words and keysym names. Letters and punctuation follow the
// layout the user sees, so the trigger asked for is the key the capture panel showed.
#include "PTHotKeys/portal/XdgShortcutTrigger.h"

#include "PTHotKeys/PTKeyCodeTranslator.h"
#include "PTHotKeys/PTKeyCombo.h"

#include <xkbcommon/xkbcommon.h>

namespace {

struct NamedKey {
    qint32 keyCode;
    const char *keysym;
};

constexpr NamedKey kNamedKeys[] = {
    {0x24, "Return"}, {0x30, "Tab"}, {0x31, "space"}, {0x33, "BackSpace"}, {0x35, "Escape"},
    {0x4C, "KP_Enter"}, {0x75, "Delete"}, {0x72, "Insert"}, {0x73, "Home"}, {0x77, "End"},
    {0x74, "Prior"}, {0x79, "Next"}, {0x7B, "Left"}, {0x7C, "Right"}, {0x7D, "Down"},
    {0x7E, "Up"}, {0x6E, "Menu"}, {0x47, "Num_Lock"}, {0x48, "XF86AudioRaiseVolume"},
    {0x49, "XF86AudioLowerVolume"}, {0x4A, "XF86AudioMute"},
    {0x7A, "F1"}, {0x78, "F2"}, {0x63, "F3"}, {0x76, "F4"}, {0x60, "F5"}, {0x61, "F6"},
    {0x62, "F7"}, {0x64, "F8"}, {0x65, "F9"}, {0x6D, "F10"}, {0x67, "F11"}, {0x6F, "F12"},
    {0x69, "F13"}, {0x6B, "F14"}, {0x71, "F15"}, {0x6A, "F16"}, {0x40, "F17"}, {0x4F, "F18"},
    {0x50, "F19"}, {0x5A, "F20"},
    {0x52, "KP_0"}, {0x53, "KP_1"}, {0x54, "KP_2"}, {0x55, "KP_3"}, {0x56, "KP_4"},
    {0x57, "KP_5"}, {0x58, "KP_6"}, {0x59, "KP_7"}, {0x5B, "KP_8"}, {0x5C, "KP_9"},
    {0x41, "KP_Decimal"}, {0x43, "KP_Multiply"}, {0x45, "KP_Add"}, {0x4B, "KP_Divide"},
    {0x4E, "KP_Subtract"}, {0x51, "KP_Equal"},
};

struct ModifierWord {
    qint32 bit;
    const char *word;
};

constexpr ModifierWord kModifierWords[] = {
    {PTKeyCombo::kCommandKey, "LOGO"},
    {PTKeyCombo::kControlKey, "CTRL"},
    {PTKeyCombo::kOptionKey, "ALT"},
    {PTKeyCombo::kShiftKey, "SHIFT"},
};

} // namespace

QString XdgShortcutTrigger::keysymName(qint32 keyCode)
{
    for (const NamedKey &key : kNamedKeys) {
        if (key.keyCode == keyCode)
            return QLatin1String(key.keysym);
    }
    PTKeyCodeTranslator *translator = PTKeyCodeTranslator::currentTranslator();
    if (!translator || keyCode < 0 || keyCode > 0x7F)
        return QString();
    const QString character = translator->translateKeyCode(static_cast<qint16>(keyCode));
    if (character.isEmpty())
        return QString();
    const xkb_keysym_t sym = xkb_utf32_to_keysym(character.toUcs4().value(0));
    char name[64];
    if (sym == XKB_KEY_NoSymbol || xkb_keysym_get_name(sym, name, sizeof name) <= 0)
        return QString();
    return QString::fromLatin1(name);
}

QString XdgShortcutTrigger::fromKeyCombo(qint32 keyCode, qint32 modifiers)
{
    const QString key = keysymName(keyCode);
    if (key.isEmpty())
        return QString();
    QString trigger;
    for (const ModifierWord &modifier : kModifierWords) {
        if (modifiers & modifier.bit)
            trigger += QLatin1String(modifier.word) + QLatin1Char('+');
    }
    return trigger + key;
}
