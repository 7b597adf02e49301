// PTKeyCombo's stored form: the A key (code 0) surviving a round trip, and hand-edited values
// that must neither crash, nor lose a binding to a fraction, nor grab a bare key.
#include "PTHotKeys/PTKeyCombo.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

TEST(PTKeyCombo, ReadsStoredFormsWithinBoundsAndWritesThemBack)
{
    const struct { const char *stored; qint32 keyCode, modifiers; } cases[] = {
        {"null", -1, -1}, {"{}", -1, -1}, {"[12,256]", -1, -1}, {R"({"keyCode":0,"modifiers":256})", 0, 256},
        {R"({"keyCode":12})", 12, -1}, {R"({"modifiers":256})", -1, 256},
        {R"({"keyCode":-7,"modifiers":0})", -1, -1},
        {R"({"keyCode":" 18 ","modifiers":"256"})", 18, 256},
        {R"({"keyCode":122,"modifiers":32768})", 122, 0x8000},
        // Fractions are truncated, as a number field would.
        {R"({"keyCode":12.9,"modifiers":256.5})", 12, 256}, {R"({"keyCode":"18.2","modifiers":512})", 18, 512},
        // Bits that name no modifier are dropped: 1 alone must not make "1" a bare-key hot key.
        {R"({"keyCode":18,"modifiers":1})", 18, -1}, {R"({"keyCode":18,"modifiers":257})", 18, 256},
        // Out of range, not finite, or not a number at all: no combination.
        {R"({"keyCode":128,"modifiers":256})", -1, -1}, {R"({"keyCode":1e308,"modifiers":256})", -1, -1},
        {R"({"keyCode":12,"modifiers":65536})", -1, -1}, {R"({"keyCode":12,"modifiers":-1e308})", 12, -1},
        {R"({"keyCode":"inf","modifiers":256})", -1, -1}, {R"({"keyCode":12,"modifiers":"nan"})", -1, -1},
        {R"({"keyCode":"K","modifiers":256})", -1, -1}, {R"({"keyCode":true,"modifiers":256})", -1, -1},
    };
    for (const auto &c : cases) {
        const QJsonValue stored = QJsonDocument::fromJson(QByteArray("[") + c.stored + "]").array().at(0);
        const PTKeyCombo combo(c.keyCode, c.modifiers);
        EXPECT_EQ(PTKeyCombo::keyComboWithPlistRepresentation(stored), combo) << c.stored;
        // Written back with both entries, it reads as itself.
        const QByteArray written = QJsonDocument(combo.plistRepresentation()).toJson(QJsonDocument::Compact);
        EXPECT_EQ(written, QString(R"({"keyCode":%1,"modifiers":%2})").arg(c.keyCode).arg(c.modifiers).toUtf8());
        EXPECT_EQ(PTKeyCombo::keyComboWithPlistRepresentation(QJsonDocument::fromJson(written).object()), combo);
    }
}
