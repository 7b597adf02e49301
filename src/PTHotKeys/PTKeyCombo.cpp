// PTKeyCombo's stored form. The display operations live in UserDisplayAdditions.cpp.
#include "PTHotKeys/PTKeyCombo.h"

#include <cmath>

namespace {

const QString kKeyCodeKey = QStringLiteral("keyCode");
const QString kModifiersKey = QStringLiteral("modifiers");

// Virtual key codes are 7 bits; the hot-key modifier mask is 16.
constexpr double kMaxKeyCode = 0x7F;
constexpr double kMaxModifiers = 0xFFFF;
constexpr qint32 kKnownModifiers = PTKeyCombo::kCommandKey | PTKeyCombo::kShiftKey
    | PTKeyCombo::kOptionKey | PTKeyCombo::kControlKey | PTKeyCombo::kFunctionKey;

enum class Entry { Missing, Bad, Number };

// An entry is a finite number, held as a number or as text. A fractional one is truncated, as
// the number field of a settings editor would; it is compared with the bounds as a double, so
// nothing out of range is ever converted to an integer.
Entry readEntry(const QJsonObject &object, const QString &key, double *out)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return Entry::Missing;
    double number = 0;
    if (value.isDouble()) {
        number = value.toDouble();
    } else if (value.isString()) {
        bool ok = false;
        number = value.toString().trimmed().toDouble(&ok);
        if (!ok)
            return Entry::Bad;
    } else {
        return Entry::Bad;
    }
    if (!std::isfinite(number))
        return Entry::Bad;
    *out = std::trunc(number);
    return Entry::Number;
}

} // namespace

PTKeyCombo PTKeyCombo::keyComboWithPlistRepresentation(const QJsonValue &stored)
{
    if (!stored.isObject())
        return clearKeyCombo();
    const QJsonObject object = stored.toObject();
    if (object.isEmpty())
        return clearKeyCombo();

    double keyCode = -1;
    double modifiers = -1;
    const Entry keyEntry = readEntry(object, kKeyCodeKey, &keyCode);
    const Entry modEntry = readEntry(object, kModifiersKey, &modifiers);
    if (keyEntry == Entry::Bad || modEntry == Entry::Bad || keyCode > kMaxKeyCode
        || modifiers > kMaxModifiers)
        return clearKeyCombo();

    // Key code 0 is an ordinary key; only "no key" (missing or negative) becomes -1.
    const qint32 code =
        keyEntry == Entry::Missing || keyCode < 0 ? -1 : static_cast<qint32>(keyCode);
    // Bits that name no modifier are dropped: they must not turn a bare key (which the user
    // types) into a hot key.
    qint32 mask = modEntry == Entry::Missing || modifiers <= 0
        ? 0 : static_cast<qint32>(modifiers) & kKnownModifiers;
    return PTKeyCombo(code, mask == 0 ? -1 : mask);
}

QJsonObject PTKeyCombo::plistRepresentation() const
{
    return QJsonObject{{kKeyCodeKey, mKeyCode}, {kModifiersKey, mModifiers}};
}
