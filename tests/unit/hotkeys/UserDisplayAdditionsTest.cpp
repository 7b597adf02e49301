// Key names and combination texts: modifier symbols, the shipped key-name table, the keypad
// prefix, layout changes between lookups, the retry of a missing table, key equivalents.
#include "FakeKeyboardLayout.h"

#include "PTHotKeys/FixedUsKeyboardLayout.h"
#include "PTHotKeys/PTKeyCodeTranslator.h"
#include "PTHotKeys/PTKeyCombo.h"
#include "PTHotKeys/UserDisplayAdditions.h"
#include "PTHotKeys/VirtualKeyCodes.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class UserDisplayAdditionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto layout = std::make_unique<FakeKeyboardLayout>();
        fake = layout.get();
        fake->characters[1] = {{0, "a"}, {6, "z"}, {16, "y"}, {0x28, "k"}, {0x53, "1"},
                               {0x12, "1"}, {0x6A, "?"}};
        fake->characters[2] = {{0, "q"}, {6, "y"}, {16, "z"}, {0x28, "k"}, {0x53, "1"}};
        PTKeyCodeTranslator::setLayoutSource(std::move(layout));
        UserDisplayAdditions::setKeyCodesPath(QStringLiteral(":/PTKeyCodes.plist"));
    }
    void TearDown() override
    {
        PTKeyCodeTranslator::setLayoutSource(nullptr);
        UserDisplayAdditions::setKeyCodesPath(QStringLiteral(":/PTKeyCodes.plist"));
    }

    FakeKeyboardLayout *fake = nullptr;
};

QString u(const char16_t *text)
{
    return QString::fromUtf16(text);
}

} // namespace

TEST_F(UserDisplayAdditionsTest, DescriptionsKeyEquivalentsAndMenuMasks)
{
    const QString all = u(u"\u2318\u2325^\u21E7"); // command, option, control, shift
    EXPECT_EQ(UserDisplayAdditions::stringForModifiers(0x0100 | 0x0200 | 0x0800 | 0x1000), all);
    EXPECT_EQ(UserDisplayAdditions::stringForModifiers(-1), all);
    EXPECT_EQ(UserDisplayAdditions::stringForModifiers(0x8000), QString());

    struct Case {
        PTKeyCombo combo;
        QString description;
        QString keyEquivalent;
    };
    const Case cases[] = {
        {PTKeyCombo(0, 0x0100), u(u"\u2318A"), "a"},
        {PTKeyCombo(0, 0), "(None)", "a"},
        {PTKeyCombo::clearKeyCombo(), "(None)", ""},
        {PTKeyCombo(0x28, 0x0300), u(u"\u2318\u21E7K"), "k"},
        {PTKeyCombo(0x60, 0x8000), "F5", QString(QChar(0xF708))},
        {PTKeyCombo(0x7A, 0x8000), "F1", QString(QChar(0xF704))},
        {PTKeyCombo(0x7E, 0x1000 | 0x8000), u(u"^\u2191"), QString(QChar(0xF700))},
        {PTKeyCombo(0x24, 0x0800), u(u"\u2325Return"), "return"},
        {PTKeyCombo(0x75, 0x0100), u(u"\u2318Forward Delete"), QString(QChar(0x7F))},
        {PTKeyCombo(0x6A, 0x0100), u(u"\u2318F16"), "f16"}, // no row: the lower-cased name
        {PTKeyCombo(0x53, 0x0100), u(u"\u2318Pad 1"), "pad 1"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.combo.description(), c.description) << c.combo.keyCode();
        EXPECT_EQ(c.combo.keyEquivalent(), c.keyEquivalent) << c.combo.keyCode();
    }

    EXPECT_EQ(PTKeyCombo(0, -1).keyEquivalentModifierMask(), 0x1E0000u);
    EXPECT_EQ(PTKeyCombo(0, 0x0100 | 0x0200).keyEquivalentModifierMask(), 0x120000u);
    EXPECT_EQ(PTKeyCombo(0, 0x0800 | 0x1000).keyEquivalentModifierMask(), 0xC0000u);
    EXPECT_EQ(PTKeyCombo(0, 0x8000).keyEquivalentModifierMask(), 0u);
}

TEST_F(UserDisplayAdditionsTest, KeypadPrefixLegacyTableAndHexadecimalNames)
{
    // Keypad Enter is named outright: the name wins over the prefix.
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCode(0x4C), QStringLiteral("Enter"));
    QVariantMap map;
    map["version"] = 1;
    map["padKeyString"] = "Pad";
    map["padKeys"] = QVariantList{"83", 36}; // numbers are not key texts
    map["unmappedKeys"] = QVariantMap{{"83", "Keypad One"}};
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCodeNewKeyCodeMap(83, map), "Keypad One");
    map["unmappedKeys"] = QVariantMap();
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCodeNewKeyCodeMap(83, map), "Pad 1");
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCodeNewKeyCodeMap(36, map), "");
    fake->characters[1].remove(0x53); // a keypad key without a character keeps its prefix
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCodeNewKeyCodeMap(83, map), "Pad ");

    const QVariantMap legacy{{"122", "F1"}};
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCodeLegacyKeyCodeMap(36, legacy), "24");
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCodeLegacyKeyCodeMap(122, legacy), "F1");
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCodeLegacyKeyCodeMap(-1, legacy), "FFFFFFFF");
}

TEST_F(UserDisplayAdditionsTest, MissingOrBrokenTableGivesHexAndIsRetried)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("PTKeyCodes.plist");
    const auto writeTable = [&](const QByteArray &content) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    };
    UserDisplayAdditions::setKeyCodesPath(path);
    EXPECT_EQ(UserDisplayAdditions::keyCodesDictionary(), nullptr);
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCode(122), "7A");
    writeTable("<plist><dict><key>version</key"); // cut short
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCode(122), "7A");

    // Fixed on disk: the next lookup loads it.
    QFile shipped(":/PTKeyCodes.plist");
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    writeTable(shipped.readAll());
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCode(122), "F1");

    // A legacy table (no version) is honoured.
    writeTable("<plist><dict><key>36</key><string>Return</string></dict></plist>");
    UserDisplayAdditions::setKeyCodesPath(path);
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCode(36), "Return");
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCode(122), "7A");
}

TEST_F(UserDisplayAdditionsTest, LayoutChangeTakesEffectAtTheNextLookupWithFreshState)
{
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCode(6), "Z");
    PTKeyCodeTranslator *first = PTKeyCodeTranslator::currentTranslator();
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCode(16), "Y");
    EXPECT_EQ(PTKeyCodeTranslator::currentTranslator(), first); // same layout, same translator

    fake->layout = 2;
    fake->deadKeyStatesSeen.clear();
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCode(6), "Y");
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCode(16), "Z");
    // A new translator starts from 0 and keeps its own state afterwards.
    EXPECT_EQ(fake->deadKeyStatesSeen, (QList<quint32>{0, 1}));
    EXPECT_EQ(PTKeyCodeTranslator::currentTranslator()->description(),
              "PTKeyCodeTranslator layout=fake 2 (fake)");

    // No layout to be had: no character, no crash; the names from the table still work.
    fake->layout = 0;
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCode(6), "");
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCode(0x7A), "F1");
}

TEST_F(UserDisplayAdditionsTest, EveryStorableKeyHasAReadableNameUnderTheUsLayout)
{
    PTKeyCodeTranslator::setLayoutSource(std::make_unique<FixedUsKeyboardLayout>());
    const QVariantMap *table = UserDisplayAdditions::keyCodesDictionary();
    ASSERT_NE(table, nullptr);
    const QVariantList padKeys = table->value("padKeys").toList();
    for (int vk = 0; vk < 128; ++vk) {
        if (VirtualKeyCodes::evdevForVirtualKeyCode(vk) < 0)
            continue;
        const QString name = UserDisplayAdditions::stringForKeyCode(vk);
        EXPECT_FALSE(name.trimmed().isEmpty()) << "virtual key " << vk;
        if (padKeys.contains(QString::number(vk))) {
            EXPECT_TRUE(name.startsWith("Pad ") && name.size() == 5) << name.toStdString();
        }
    }
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCode(0x31), "Space");
    EXPECT_EQ(UserDisplayAdditions::stringForKeyCode(0x43), "Pad *");
}
