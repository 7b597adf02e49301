// UserDisplayAdditions: the display text of a key combination (modifier names and key name),
// its menu key equivalent and menu modifier mask, and the "PTKeyCodes" key-name table.
#pragma once

#include "PTHotKeys/PTKeyCombo.h"

#include <QString>
#include <QVariantMap>

class UserDisplayAdditions
{
public:
    // Menu (event) modifier bits.
    enum : quint32 {
        kMenuCommand = 0x100000,
        kMenuOption = 0x80000,
        kMenuControl = 0x40000,
        kMenuShift = 0x20000,
    };

    // The held modifiers, translated, each followed by "+": "Ctrl+Alt+"; empty for none (the
    // function-key bit names no key that is held).
    static QString stringForModifiers(qint32 modifiers);

    // The parsed "PTKeyCodes" table, or null while it cannot be loaded (retried each call).
    static const QVariantMap *keyCodesDictionary();
    // Where the table is read from; the embedded resource unless a test points elsewhere.
    // Setting it drops a table loaded before.
    static void setKeyCodesPath(const QString &path);

    static QString stringForKeyCodeLegacyKeyCodeMap(qint16 keyCode, const QVariantMap &map);
    static QString stringForKeyCodeNewKeyCodeMap(qint16 keyCode, const QVariantMap &map);
    static QString stringForKeyCode(qint16 keyCode);

    // The character a menu shows for a key code, or 0 when the key has no fixed one.
    static char16_t keyEquivalentCharacter(qint32 keyCode);

    // Parses a property list (XML or binary) into Qt values; null variant when it does not parse.
    static QVariant parsePropertyList(const QByteArray &data);
};
