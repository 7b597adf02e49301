// PTKeyCombo: one virtual key code with one hot-key modifier mask, the value every part of the
// hot-key machinery passes around, and its stored form in the defaults.
#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QMetaType>
#include <QString>

class PTKeyCombo
{
public:
    // Hot-key modifier bits.
    enum : qint32 {
        kCommandKey = 0x0100,
        kShiftKey = 0x0200,
        kOptionKey = 0x0800,
        kControlKey = 0x1000,
        kFunctionKey = 0x8000,
    };

    // The clear combination (key code -1, modifiers -1).
    PTKeyCombo() = default;
    PTKeyCombo(qint32 keyCode, qint32 modifiers) : mKeyCode(keyCode), mModifiers(modifiers) {}

    static PTKeyCombo clearKeyCombo() { return PTKeyCombo(); }
    static PTKeyCombo keyComboWithKeyCode(qint32 keyCode, qint32 modifiers)
    {
        return PTKeyCombo(keyCode, modifiers);
    }

    // Reads the stored form {"keyCode", "modifiers"}. Anything that is not such an object,
    // whose entries are neither finite numbers nor numeric text, or whose key code is above
    // 0x7F or modifier mask above 0xFFFF, gives the clear combination. Fractions are
    // truncated. A missing or negative key code gives -1; a missing or non-positive modifier
    // mask, or one without any modifier bit, gives -1. Key code 0 is the A key and is kept.
    static PTKeyCombo keyComboWithPlistRepresentation(const QJsonValue &stored);
    QJsonObject plistRepresentation() const;

    qint32 keyCode() const { return mKeyCode; }
    qint32 modifiers() const { return mModifiers; }

    bool isEqual(const PTKeyCombo &other) const
    {
        return mKeyCode == other.keyCode() && mModifiers == other.modifiers();
    }
    bool operator==(const PTKeyCombo &other) const { return isEqual(other); }
    bool operator!=(const PTKeyCombo &other) const { return !isEqual(other); }

    bool isValidHotKeyCombo() const { return mKeyCode >= 0 && mModifiers > 0; }
    bool isClearCombo() const { return mKeyCode == -1 && mModifiers == -1; }

    // Display operations (UserDisplayAdditions).
    QString description() const;
    QString keyEquivalent() const;
    quint32 keyEquivalentModifierMask() const;

private:
    qint32 mKeyCode = -1;
    qint32 mModifiers = -1;
};

Q_DECLARE_METATYPE(PTKeyCombo)
