// PTKeyCombo: states, equality and the stored form, including the A key (code 0) surviving a
// round trip through the defaults and the handling of stored values we never write.
#include "PTHotKeys/PTKeyCombo.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

TEST(PTKeyCombo, StatesAndEquality)
{
    struct Case {
        PTKeyCombo combo;
        bool valid;
        bool clear;
    };
    const Case cases[] = {
        {PTKeyCombo(), false, true},
        {PTKeyCombo(-1, -1), false, true},
        {PTKeyCombo(0, 0x0100), true, false}, // the A key
        {PTKeyCombo(0x60, 0x8000), true, false}, // F5 alone
        {PTKeyCombo(5, 0), false, false},
        {PTKeyCombo(-1, 0x0100), false, false},
        {PTKeyCombo(0, -1), false, false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.combo.isValidHotKeyCombo(), c.valid) << c.combo.keyCode() << "/" << c.combo.modifiers();
        EXPECT_EQ(c.combo.isClearCombo(), c.clear) << c.combo.keyCode() << "/" << c.combo.modifiers();
    }
    EXPECT_EQ(PTKeyCombo::keyComboWithKeyCode(70000, -12345), PTKeyCombo(70000, -12345));
    EXPECT_EQ(PTKeyCombo(70000, -12345).modifiers(), -12345); // kept without normalisation
    EXPECT_NE(PTKeyCombo(12, 0x0100), PTKeyCombo(12, 0x0200));
    EXPECT_NE(PTKeyCombo(12, 0x0100), PTKeyCombo(13, 0x0100));
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
        {R"({"keyCode":0,"modifiers":256})", 0, 256}, // the A key comes back as itself
        {R"({"keyCode":12})", 12, -1},
        {R"({"modifiers":256})", -1, 256},
        {R"({"keyCode":12,"modifiers":0})", 12, -1},
        {R"({"keyCode":-7,"modifiers":256})", -1, 256},
        {R"({"keyCode":12,"modifiers":-3})", 12, -1},
        {R"({"keyCode":" 18 ","modifiers":"256"})", 18, 256},
        {R"({"keyCode":122,"modifiers":32768})", 122, 0x8000},
        {R"({"keyCode":12,"modifiers":256,"other":"ignored"})", 12, 256},
        // Values the program never writes: not an object, or entries that are not integers.
        {"[12,256]", -1, -1},
        {"42", -1, -1},
        {R"({"keyCode":"K","modifiers":256})", -1, -1},
        {R"({"keyCode":12,"modifiers":"lots"})", -1, -1},
        {R"({"keyCode":12.5,"modifiers":256})", -1, -1},
        {R"({"keyCode":true,"modifiers":256})", -1, -1},
        {R"({"keyCode":null,"modifiers":256})", -1, -1},
        {R"({"keyCode":1e12,"modifiers":256})", -1, -1},
    };
    for (const Case &c : cases) {
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray("[") + c.stored + "]");
        const PTKeyCombo combo = PTKeyCombo::keyComboWithPlistRepresentation(doc.array().at(0));
        EXPECT_EQ(combo, PTKeyCombo(c.keyCode, c.modifiers)) << c.stored;
    }
    EXPECT_TRUE(PTKeyCombo::keyComboWithPlistRepresentation(QJsonValue(QJsonValue::Undefined))
                    .isClearCombo());
}

TEST(PTKeyCombo, WritesBothEntriesAndRoundTrips)
{
    EXPECT_EQ(QJsonDocument(PTKeyCombo(12, 256).plistRepresentation()).toJson(QJsonDocument::Compact),
              QByteArray(R"({"keyCode":12,"modifiers":256})"));
    for (const PTKeyCombo &combo : {PTKeyCombo(12, 256), PTKeyCombo(0, 0x0100),
                                    PTKeyCombo(0x7E, 0x8000 | 0x1000), PTKeyCombo::clearKeyCombo()}) {
        const QJsonDocument reparsed = // as the defaults file would hold it
            QJsonDocument::fromJson(QJsonDocument(combo.plistRepresentation()).toJson());
        EXPECT_EQ(PTKeyCombo::keyComboWithPlistRepresentation(reparsed.object()), combo)
            << combo.keyCode() << "/" << combo.modifiers();
    }
}
