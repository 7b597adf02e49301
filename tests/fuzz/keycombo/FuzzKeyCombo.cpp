// Fuzzes the stored key-combination reader: any JSON value (or not-JSON) as a stored
// {"keyCode", "modifiers"} entry. Whatever is read must be a combination the program can
// store and read back unchanged, and the clear one must stay clear.
#include "PTHotKeys/PTKeyCombo.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void readBack(const QJsonValue &stored)
{
    const PTKeyCombo combo = PTKeyCombo::keyComboWithPlistRepresentation(stored);
    // -1 is "none" for either part; nothing else below zero may come out.
    check(combo.keyCode() >= -1);
    check(combo.modifiers() == -1 || combo.modifiers() > 0);
    const PTKeyCombo again = PTKeyCombo::keyComboWithPlistRepresentation(combo.plistRepresentation());
    check(again == combo);
    check(combo.isClearCombo() == (combo.keyCode() == -1 && combo.modifiers() == -1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QJsonDocument doc = QJsonDocument::fromJson(input);
    if (doc.isObject()) {
        readBack(doc.object());
    } else if (doc.isArray()) {
        // Every element, as a stored value of any type would come from the defaults file.
        for (const QJsonValue &value : doc.array())
            readBack(value);
    } else {
        readBack(QJsonValue(QString::fromUtf8(input)));
    }
    return 0;
}
