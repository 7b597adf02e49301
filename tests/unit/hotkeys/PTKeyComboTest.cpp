// PTKeyCombo: states, equality and the stored form, including the A key (code 0) surviving a
// round trip through the defaults and the handling of stored values we never write.
#include "PTHotKeys/PTKeyCombo.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

PTKeyCombo read(const char *json)
{
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray("[") + json + "]");
    return PTKeyCombo::keyComboWithPlistRepresentation(doc.array().at(0));
}

} // namespace

TEST(PTKeyCombo, States)
{
    EXPECT_TRUE(PTKeyCombo::clearKeyCombo().isClearCombo());
    EXPECT_FALSE(PTKeyCombo::clearKeyCombo().isValidHotKeyCombo());
    EXPECT_TRUE(PTKeyCombo().isClearCombo());

    const PTKeyCombo aKey = PTKeyCombo::keyComboWithKeyCode(0, 0x0100);
    EXPECT_TRUE(aKey.isValidHotKeyCombo());
    EXPECT_FALSE(aKey.isClearCombo());

    const PTKeyCombo noModifiers(5, 0);
    EXPECT_FALSE(noModifiers.isValidHotKeyCombo());
    EXPECT_FALSE(noModifiers.isClearCombo());

    const PTKeyCombo noKey(-1, 0x0100);
    EXPECT_FALSE(noKey.isValidHotKeyCombo());
    EXPECT_FALSE(noKey.isClearCombo());

    EXPECT_FALSE(PTKeyCombo(-1, 0).isClearCombo());
    EXPECT_FALSE(PTKeyCombo(0, -1).isClearCombo());
    EXPECT_TRUE(PTKeyCombo(0x60, 0x8000).isValidHotKeyCombo()); // F5 alone
}

TEST(PTKeyCombo, ValuesAreKeptWithoutNormalisation)
{
    const PTKeyCombo odd = PTKeyCombo::keyComboWithKeyCode(70000, -12345);
    EXPECT_EQ(odd.keyCode(), 70000);
    EXPECT_EQ(odd.modifiers(), -12345);
}

TEST(PTKeyCombo, Equality)
{
    EXPECT_EQ(PTKeyCombo(12, 0x0100), PTKeyCombo::keyComboWithKeyCode(12, 0x0100));
    EXPECT_NE(PTKeyCombo(12, 0x0100), PTKeyCombo(12, 0x0200));
    EXPECT_NE(PTKeyCombo(12, 0x0100), PTKeyCombo(13, 0x0100));
    EXPECT_TRUE(PTKeyCombo::clearKeyCombo().isEqual(PTKeyCombo(-1, -1)));
    const PTKeyCombo original(18, 0x0300);
    const PTKeyCombo copy = original;
    EXPECT_TRUE(copy.isEqual(original));
}

TEST(PTKeyCombo, WritesBothEntriesExactlyAsHeld)
{
    EXPECT_EQ(QJsonDocument(PTKeyCombo(12, 256).plistRepresentation()).toJson(QJsonDocument::Compact),
              QByteArray(R"({"keyCode":12,"modifiers":256})"));
    EXPECT_EQ(QJsonDocument(PTKeyCombo::clearKeyCombo().plistRepresentation())
                  .toJson(QJsonDocument::Compact),
              QByteArray(R"({"keyCode":-1,"modifiers":-1})"));
}

TEST(PTKeyCombo, ReadsStoredForms)
{
    struct Case {
        const char *stored;
        qint32 keyCode;
        qint32 modifiers;
    };
    const Case cases[] = {
        {"null", -1, -1},
        {"{}", -1, -1},
        {R"({"keyCode":12,"modifiers":256})", 12, 256},
        // The A key is code 0 and comes back as itself.
        {R"({"keyCode":0,"modifiers":256})", 0, 256},
        {R"({"keyCode":12})", 12, -1},
        {R"({"modifiers":256})", -1, 256},
        {R"({"keyCode":12,"modifiers":0})", 12, -1},
        {R"({"keyCode":-7,"modifiers":256})", -1, 256},
        {R"({"keyCode":12,"modifiers":-3})", 12, -1},
        {R"({"keyCode":-1,"modifiers":-1})", -1, -1},
        {R"({"keyCode":"18","modifiers":"256"})", 18, 256},
        {R"({"keyCode":" 18 ","modifiers":"0"})", 18, -1},
        {R"({"keyCode":122,"modifiers":32768})", 122, 0x8000},
        {R"({"keyCode":12,"modifiers":256,"other":"ignored"})", 12, 256},
        // Values the program never writes: not an object, or entries that are not integers.
        {"[12,256]", -1, -1},
        {R"("keyCode")", -1, -1},
        {"42", -1, -1},
        {R"({"keyCode":"K","modifiers":256})", -1, -1},
        {R"({"keyCode":12,"modifiers":"lots"})", -1, -1},
        {R"({"keyCode":12.5,"modifiers":256})", -1, -1},
        {R"({"keyCode":true,"modifiers":256})", -1, -1},
        {R"({"keyCode":null,"modifiers":256})", -1, -1},
        {R"({"keyCode":[12],"modifiers":256})", -1, -1},
        {R"({"keyCode":1e12,"modifiers":256})", -1, -1},
    };
    for (const Case &c : cases) {
        const PTKeyCombo combo = read(c.stored);
        EXPECT_EQ(combo.keyCode(), c.keyCode) << c.stored;
        EXPECT_EQ(combo.modifiers(), c.modifiers) << c.stored;
    }
    EXPECT_TRUE(PTKeyCombo::keyComboWithPlistRepresentation(QJsonValue()).isClearCombo());
    EXPECT_TRUE(PTKeyCombo::keyComboWithPlistRepresentation(QJsonValue(QJsonValue::Undefined))
                    .isClearCombo());
}

TEST(PTKeyCombo, RoundTripsThroughTheStoredForm)
{
    for (const PTKeyCombo &combo : {PTKeyCombo(12, 256), PTKeyCombo(0, 0x0100),
                                    PTKeyCombo(0x7E, 0x8000 | 0x1000), PTKeyCombo::clearKeyCombo()}) {
        const QJsonObject stored = combo.plistRepresentation();
        const QJsonDocument reparsed =
            QJsonDocument::fromJson(QJsonDocument(stored).toJson()); // as the defaults file would
        EXPECT_EQ(PTKeyCombo::keyComboWithPlistRepresentation(reparsed.object()), combo)
            << combo.keyCode() << "/" << combo.modifiers();
    }
}
