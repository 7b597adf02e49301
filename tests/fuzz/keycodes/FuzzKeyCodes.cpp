// Fuzzes the "PTKeyCodes" key-name table reader: any bytes (an XML or binary property list, or
// neither) as the table file, then names looked up for every kind of key through it. Bad
// tables must give names or nothing, never a crash.
#include "PTHotKeys/FixedUsKeyboardLayout.h"
#include "PTHotKeys/PTKeyCodeTranslator.h"
#include "PTHotKeys/PTKeyCombo.h"
#include "PTHotKeys/UserDisplayAdditions.h"
#include "../FuzzScratchDir.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzscratch::dir();
    // The names of character keys come from the layout; a fixed one keeps runs repeatable.
    PTKeyCodeTranslator::setLayoutSource(std::make_unique<FixedUsKeyboardLayout>());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = QString::fromStdString(fuzzscratch::dir()) + QStringLiteral("/PTKeyCodes.plist");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(input) != input.size())
            std::abort();
    }
    UserDisplayAdditions::setKeyCodesPath(path); // drops the table read for the last input

    // The parser on its own, then the lookups that read the table the way menus do:
    // a letter, a pad key, F1, an arrow, Return, and codes no table knows.
    UserDisplayAdditions::parsePropertyList(input);
    for (qint16 code : {qint16(0), qint16(65), qint16(0x7A), qint16(0x7E), qint16(36), qint16(-1),
                        qint16(127), qint16(32767)})
        UserDisplayAdditions::stringForKeyCode(code);
    PTKeyCombo(0x7A, PTKeyCombo::kCommandKey | PTKeyCombo::kShiftKey).description();
    return 0;
}
