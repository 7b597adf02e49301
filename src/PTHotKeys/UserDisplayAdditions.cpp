// UserDisplayAdditions and PTKeyCombo's display operations.
#include "PTHotKeys/UserDisplayAdditions.h"

#include "PTHotKeys/PTKeyCodeTranslator.h"

#include <QCoreApplication>
#include <QFile>

#include <plist/plist.h>

#include <optional>

namespace {

struct ModifierName {
    qint32 bit;
    const char *name;
};

// Named and ordered as Linux desktops write shortcuts ("Super+Shift+1", "Ctrl+Alt+2"); the
// command key is the Super (logo) key here.
constexpr ModifierName kModifierNames[] = {
    {PTKeyCombo::kCommandKey, QT_TRANSLATE_NOOP("Translation", "Super")},
    {PTKeyCombo::kControlKey, QT_TRANSLATE_NOOP("Translation", "Ctrl")},
    {PTKeyCombo::kOptionKey, QT_TRANSLATE_NOOP("Translation", "Alt")},
    {PTKeyCombo::kShiftKey, QT_TRANSLATE_NOOP("Translation", "Shift")},
};

struct MenuModifier {
    qint32 bit;
    quint32 menuBit;
};

constexpr MenuModifier kMenuModifiers[] = {
    {PTKeyCombo::kCommandKey, UserDisplayAdditions::kMenuCommand},
    {PTKeyCombo::kOptionKey, UserDisplayAdditions::kMenuOption},
    {PTKeyCombo::kControlKey, UserDisplayAdditions::kMenuControl},
    {PTKeyCombo::kShiftKey, UserDisplayAdditions::kMenuShift},
};

// Key codes 0x60-0x7E; 0 marks codes without a fixed key equivalent.
constexpr char16_t kKeyEquivalents[0x7F - 0x60] = {
    0xF708, 0xF709, 0xF70A, 0xF706, 0xF70B, 0xF70C, 0, 0xF70E,      // 0x60
    0, 0xF710, 0, 0xF711, 0, 0xF70D, 0, 0xF70F,                     // 0x68
    0, 0xF712, 0xF746, 0xF729, 0xF72C, 0x007F, 0xF707, 0xF72B,      // 0x70
    0xF705, 0xF72D, 0xF704, 0xF702, 0xF703, 0xF701, 0xF700,         // 0x78
};

QString &keyCodesPath()
{
    static QString path = QStringLiteral(":/PTKeyCodes.plist");
    return path;
}

std::optional<QVariantMap> &keyCodes()
{
    static std::optional<QVariantMap> map;
    return map;
}

QVariant fromPlist(plist_t node)
{
    switch (plist_get_node_type(node)) {
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (;;) {
            char *key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &key, &value);
            if (!key)
                break;
            map.insert(QString::fromUtf8(key), fromPlist(value));
            free(key);
        }
        free(it);
        return map;
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t n = plist_array_get_size(node);
        for (uint32_t i = 0; i < n; ++i)
            list.append(fromPlist(plist_array_get_item(node, i)));
        return list;
    }
    case PLIST_STRING: {
        // Not plist_get_string_val(): it asserts (aborting the program) on a string of a
        // damaged binary list whose stored length disagrees with its NUL; the pointer
        // getter hands out the bytes as stored. Text stops at the first NUL as it would.
        uint64_t length = 0;
        const char *text = plist_get_string_ptr(node, &length);
        if (!text)
            return QString();
        return QString::fromUtf8(text, qsizetype(qstrnlen(text, uint(qMin<uint64_t>(length, 1u << 24)))));
    }
    case PLIST_KEY: {
        char *text = nullptr;
        plist_get_key_val(node, &text);
        const QString s = QString::fromUtf8(text ? text : "");
        free(text);
        return s;
    }
    case PLIST_UINT: {
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        return QVariant::fromValue<qlonglong>(static_cast<qlonglong>(v));
    }
    case PLIST_REAL: {
        double v = 0;
        plist_get_real_val(node, &v);
        return v;
    }
    case PLIST_BOOLEAN: {
        uint8_t v = 0;
        plist_get_bool_val(node, &v);
        return bool(v);
    }
    default:
        return QVariant(); // dates, data and UIDs are not used by the key-name table
    }
}

// "version" and the like: a number, or decimal text; 0 when neither.
qlonglong integerValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString) {
        bool ok = false;
        const qlonglong n = value.toString().trimmed().toLongLong(&ok);
        return ok ? n : 0;
    }
    if (value.typeId() == QMetaType::Double)
        return static_cast<qlonglong>(value.toDouble());
    if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int
        || value.typeId() == QMetaType::Bool)
        return value.toLongLong();
    return 0;
}

} // namespace

QVariant UserDisplayAdditions::parsePropertyList(const QByteArray &data)
{
    if (data.isEmpty() || data.size() > 16 * 1024 * 1024)
        return QVariant();
    // XML only: the table ships as an XML list, and libplist's binary reader hands out dict
    // keys whose stored length disagrees with their text, on which its own key getter
    // aborts the process (found by fuzzing). A binary table reads as no table.
    plist_t root = nullptr;
    plist_from_xml(data.constData(), static_cast<uint32_t>(data.size()), &root);
    if (!root)
        return QVariant();
    QVariant result = fromPlist(root);
    plist_free(root);
    return result;
}

QString UserDisplayAdditions::stringForModifiers(qint32 modifiers)
{
    QString result;
    for (const ModifierName &row : kModifierNames) {
        if (modifiers & row.bit)
            result += QCoreApplication::translate("Translation", row.name) + QLatin1Char('+');
    }
    return result;
}

void UserDisplayAdditions::setKeyCodesPath(const QString &path)
{
    keyCodesPath() = path;
    keyCodes().reset();
}

const QVariantMap *UserDisplayAdditions::keyCodesDictionary()
{
    if (keyCodes())
        return &*keyCodes();
    QFile file(keyCodesPath());
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const QVariant parsed = parsePropertyList(file.readAll());
    if (parsed.typeId() != QMetaType::QVariantMap)
        return nullptr; // not kept: the next lookup tries again
    keyCodes() = parsed.toMap();
    return &*keyCodes();
}

QString UserDisplayAdditions::stringForKeyCodeLegacyKeyCodeMap(qint16 keyCode,
                                                              const QVariantMap &map)
{
    const auto it = map.constFind(QString::number(keyCode));
    if (it != map.constEnd())
        return it->toString();
    // Widened from 16 bits with its sign, as the table's users always did: -1 is FFFFFFFF.
    return QString::number(static_cast<quint32>(static_cast<qint32>(keyCode)), 16).toUpper();
}

QString UserDisplayAdditions::stringForKeyCodeNewKeyCodeMap(qint16 keyCode,
                                                           const QVariantMap &map)
{
    const QString code = QString::number(keyCode);
    const QVariantMap unmapped = map.value(QStringLiteral("unmappedKeys")).toMap();
    const auto it = unmapped.constFind(code);
    if (it != unmapped.constEnd())
        return it->toString();

    QString character;
    if (PTKeyCodeTranslator *translator = PTKeyCodeTranslator::currentTranslator())
        character = translator->translateKeyCode(keyCode).toUpper();

    const QVariant padKeys = map.value(QStringLiteral("padKeys"));
    bool isPadKey = false;
    if (padKeys.typeId() == QMetaType::QVariantList) {
        for (const QVariant &entry : padKeys.toList()) {
            if (entry.typeId() == QMetaType::QString && entry.toString() == code) {
                isPadKey = true;
                break;
            }
        }
    }
    if (isPadKey)
        return QStringLiteral("%1 %2").arg(map.value(QStringLiteral("padKeyString")).toString(),
                                           character);
    return character;
}

QString UserDisplayAdditions::stringForKeyCode(qint16 keyCode)
{
    const QVariantMap *map = keyCodesDictionary();
    if (!map)
        return stringForKeyCodeLegacyKeyCodeMap(keyCode, QVariantMap());
    if (integerValue(map->value(QStringLiteral("version"))) > 0)
        return stringForKeyCodeNewKeyCodeMap(keyCode, *map);
    return stringForKeyCodeLegacyKeyCodeMap(keyCode, *map);
}

char16_t UserDisplayAdditions::keyEquivalentCharacter(qint32 keyCode)
{
    if (keyCode < 0x60 || keyCode > 0x7E)
        return 0;
    return kKeyEquivalents[keyCode - 0x60];
}

QString PTKeyCombo::description() const
{
    if (!isValidHotKeyCombo())
        return QCoreApplication::translate("Default", "(None)");
    return UserDisplayAdditions::stringForModifiers(mModifiers)
        + UserDisplayAdditions::stringForKeyCode(static_cast<qint16>(mKeyCode));
}

QString PTKeyCombo::keyEquivalent() const
{
    if (const char16_t c = UserDisplayAdditions::keyEquivalentCharacter(mKeyCode))
        return QString(QChar(c));
    return UserDisplayAdditions::stringForKeyCode(static_cast<qint16>(mKeyCode)).toLower();
}

quint32 PTKeyCombo::keyEquivalentModifierMask() const
{
    quint32 mask = 0;
    for (const MenuModifier &row : kMenuModifiers) {
        if (mModifiers & row.bit)
            mask |= row.menuBit;
    }
    return mask;
}
