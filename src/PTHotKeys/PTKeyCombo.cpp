// PTKeyCombo's stored form. The display operations live in UserDisplayAdditions.cpp.
#include "PTHotKeys/PTKeyCombo.h"

#include <cmath>
#include <limits>
#include <optional>

namespace {

const QString kKeyCodeKey = QStringLiteral("keyCode");
const QString kModifiersKey = QStringLiteral("modifiers");

enum class Entry { Missing, Bad, Number };

// An entry is a 32-bit integer held as a number or as decimal text; anything else is bad.
Entry readEntry(const QJsonObject &object, const QString &key, qint64 *out)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return Entry::Missing;
    if (value.isDouble()) {
        const double d = value.toDouble();
        if (!std::isfinite(d) || d != std::floor(d) || d < std::numeric_limits<qint32>::min()
            || d > std::numeric_limits<qint32>::max())
            return Entry::Bad;
        *out = static_cast<qint64>(d);
        return Entry::Number;
    }
    if (value.isString()) {
        bool ok = false;
        const int n = value.toString().trimmed().toInt(&ok, 10);
        if (!ok)
            return Entry::Bad;
        *out = n;
        return Entry::Number;
    }
    return Entry::Bad;
}

} // namespace

PTKeyCombo PTKeyCombo::keyComboWithPlistRepresentation(const QJsonValue &stored)
{
    if (!stored.isObject())
        return clearKeyCombo();
    const QJsonObject object = stored.toObject();
    if (object.isEmpty())
        return clearKeyCombo();

    qint64 keyCode = -1;
    qint64 modifiers = -1;
    const Entry keyEntry = readEntry(object, kKeyCodeKey, &keyCode);
    const Entry modEntry = readEntry(object, kModifiersKey, &modifiers);
    if (keyEntry == Entry::Bad || modEntry == Entry::Bad)
        return clearKeyCombo();

    // Key code 0 is an ordinary key; only "no key" (missing or negative) becomes -1.
    if (keyEntry == Entry::Missing || keyCode < 0)
        keyCode = -1;
    if (modEntry == Entry::Missing || modifiers <= 0)
        modifiers = -1;
    return PTKeyCombo(static_cast<qint32>(keyCode), static_cast<qint32>(modifiers));
}

QJsonObject PTKeyCombo::plistRepresentation() const
{
    return QJsonObject{{kKeyCodeKey, mKeyCode}, {kModifiersKey, mModifiers}};
}
