// XdgShortcutTrigger: modifier words and keysym names. Letters and punctuation follow the
// layout the user sees, so the trigger asked for is the key the capture panel showed.
#include "PTHotKeys/portal/XdgShortcutTrigger.h"

#include "PTHotKeys/PTKeyCodeTranslator.h"
#include "PTHotKeys/PTKeyCombo.h"

#include <xkbcommon/xkbcommon.h>

#include <utility>

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

// The words desktops use for the modifiers, upper-cased; "NUM" marks a keypad key.
constexpr ModifierWord kModifierSpellings[] = {
    {PTKeyCombo::kCommandKey, "LOGO"}, {PTKeyCombo::kCommandKey, "SUPER"},
    {PTKeyCombo::kCommandKey, "META"}, {PTKeyCombo::kCommandKey, "MOD4"},
    {PTKeyCombo::kControlKey, "CTRL"}, {PTKeyCombo::kControlKey, "CONTROL"},
    {PTKeyCombo::kControlKey, "PRIMARY"}, {PTKeyCombo::kOptionKey, "ALT"},
    {PTKeyCombo::kOptionKey, "MOD1"}, {PTKeyCombo::kShiftKey, "SHIFT"}, {0, "NUM"},
};

// KDE's short key names that are not keysym names.
constexpr std::pair<const char *, const char *> kKdeKeyNames[] = {
    {"Esc", "Escape"}, {"Del", "Delete"}, {"Ins", "Insert"}, {"PgUp", "Prior"},
    {"PgDown", "Next"}, {"Backspace", "BackSpace"}, {"Enter", "KP_Enter"},
};

bool addModifier(const QString &word, qint32 &modifiers, bool &keypad)
{
    for (const ModifierWord &spelling : kModifierSpellings) {
        if (word.compare(QLatin1String(spelling.word), Qt::CaseInsensitive) == 0) {
            modifiers |= spelling.bit;
            keypad |= spelling.bit == 0;
            return true;
        }
    }
    return false;
}

xkb_keysym_t keysymOf(QString key, bool keypad)
{
    for (const auto &[kde, name] : kKdeKeyNames) {
        if (key == QLatin1String(kde))
            key = QLatin1String(name);
    }
    if (keypad && key.size() == 1 && key.at(0).isDigit())
        key = QLatin1String("KP_") + key;
    xkb_keysym_t sym = XKB_KEY_NoSymbol;
    if (key.size() == 1)
        sym = xkb_utf32_to_keysym(key.toLower().at(0).unicode());
    if (sym == XKB_KEY_NoSymbol)
        sym = xkb_keysym_from_name(key.toLatin1().constData(), XKB_KEYSYM_NO_FLAGS);
    if (sym == XKB_KEY_NoSymbol)
        sym = xkb_keysym_from_name(key.toLatin1().constData(), XKB_KEYSYM_CASE_INSENSITIVE);
    return xkb_keysym_to_lower(sym);
}

} // namespace

std::optional<XdgShortcutTrigger::Key> XdgShortcutTrigger::keyFromDescription(const QString &description)
{
    QString text = description.trimmed();
    if (text.startsWith(QLatin1String("Press "), Qt::CaseInsensitive))
        text = text.mid(6).trimmed();
    qint32 modifiers = 0;
    bool keypad = false;
    while (text.startsWith(QLatin1Char('<'))) { // GNOME: "<Control><Alt>1"
        const qsizetype end = text.indexOf(QLatin1Char('>'));
        if (end < 0 || !addModifier(text.mid(1, end - 1), modifiers, keypad))
            return std::nullopt;
        text = text.mid(end + 1);
    }
    QStringList parts = text.split(QLatin1Char('+'));
    if (text.endsWith(QLatin1String("+"))) { // the plus key itself: "Ctrl+Alt++"
        parts = text.chopped(1).split(QLatin1Char('+'));
        parts.last() = QStringLiteral("+");
    }
    const QString key = parts.takeLast();
    for (const QString &word : std::as_const(parts)) {
        if (!addModifier(word.trimmed(), modifiers, keypad))
            return std::nullopt;
    }
    const xkb_keysym_t sym = keysymOf(key.trimmed(), keypad);
    if (key.trimmed().isEmpty() || sym == XKB_KEY_NoSymbol)
        return std::nullopt;
    return Key{modifiers, sym};
}

std::optional<PTKeyCombo> XdgShortcutTrigger::keyComboFromDescription(const QString &description)
{
    const std::optional<Key> key = keyFromDescription(description);
    if (!key)
        return std::nullopt;
    const xkb_keysym_t sym = key->keysym;
    const qint32 modifiers = key->modifiers;
    char name[64];
    if (xkb_keysym_get_name(sym, name, sizeof name) <= 0)
        return std::nullopt;
    for (qint32 keyCode = 0; keyCode <= 0x7F; ++keyCode) {
        const QString candidate = keysymName(keyCode);
        if (!candidate.isEmpty()
            && xkb_keysym_to_lower(xkb_keysym_from_name(candidate.toLatin1().constData(),
                                                        XKB_KEYSYM_NO_FLAGS))
                   == sym) {
            return PTKeyCombo(keyCode, modifiers);
        }
    }
    return std::nullopt;
}

QString XdgShortcutTrigger::displayText(const QString &description)
{
    const std::optional<PTKeyCombo> combo = keyComboFromDescription(description);
    return combo ? combo->description() : description;
}

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
