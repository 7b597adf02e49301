// Combination texts as Linux desktops write them ("Super+Shift+1"), with translated modifier
// names; key names from the shipped table and its keypad prefix; key equivalents and menu
// masks; every storable key with a name and a place in the one virtual-key / evdev table.
#include "PTHotKeys/FixedUsKeyboardLayout.h"
#include "PTHotKeys/PTHotKey.h"
#include "PTHotKeys/PTKeyCodeTranslator.h"
#include "PTHotKeys/PTKeyCombo.h"
#include "PTHotKeys/UserDisplayAdditions.h"
#include "PTHotKeys/VirtualKeyCodes.h"

#include <QCoreApplication>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

struct German : QTranslator { // as far as the modifier names go
    QString translate(const char *c, const char *text, const char *, int) const override
    {
        return QByteArray(c) == "Translation" && QByteArray(text) == "Ctrl" ? "Strg" : QString();
    }
    bool isEmpty() const override { return false; }
};

} // namespace

TEST(UserDisplayAdditions, LinuxNamesKeyEquivalentsMenuMasksAndEveryKeysName)
{
    PTKeyCodeTranslator::setLayoutSource(std::make_unique<FixedUsKeyboardLayout>());
    EXPECT_EQ(UserDisplayAdditions::stringForModifiers(-1), "Super+Ctrl+Alt+Shift+");
    const struct { PTKeyCombo combo; QString description, keyEquivalent; } cases[] = {
        {PTKeyCombo(0x13, 0x1800), "Ctrl+Alt+2", "2"},
        {PTKeyCombo(0x12, 0x0300), "Super+Shift+1", "1"},
        {PTKeyCombo(0, 0x0100), "Super+A", "a"}, // the A key is code 0
        {PTKeyCombo(0, 0), "(None)", "a"},
        {PTKeyCombo(), "(None)", ""},
        {PTKeyCombo(0x60, 0x8000), "F5", QString(QChar(0xF708))}, // the function-key bit is no name
        {PTKeyCombo(0x7E, 0x9000), QString::fromUtf16(u"Ctrl+\u2191"), QString(QChar(0xF700))},
        {PTKeyCombo(0x75, 0x0100), "Super+Forward Delete", QString(QChar(0x7F))},
        {PTKeyCombo(0x53, 0x0100), "Super+Pad 1", "pad 1"},
        {PTKeyCombo(0x4C, 0x0100), "Super+Enter", "enter"}, // a keypad key named outright
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.combo.description(), c.description) << c.combo.keyCode();
        EXPECT_EQ(c.combo.keyEquivalent(), c.keyEquivalent) << c.combo.keyCode();
    }
    EXPECT_EQ(PTKeyCombo(0, -1).keyEquivalentModifierMask(), 0x1E0000u);
    EXPECT_EQ(PTKeyCombo(0, 0x8300).keyEquivalentModifierMask(), 0x120000u);
    EXPECT_EQ(PTHotKey("Port 1", PTKeyCombo(0x12, 0x0100)).description(), "<PTHotKey: Port 1, Super+1>");
    for (int vk = 0, evdev = 0; vk < 128; ++vk) { // every storable key maps both ways, has a name
        if ((evdev = VirtualKeyCodes::evdevForVirtualKeyCode(vk)) >= 0) {
            EXPECT_EQ(VirtualKeyCodes::virtualKeyCodeForEvdev(evdev), vk);
            EXPECT_FALSE(UserDisplayAdditions::stringForKeyCode(vk).trimmed().isEmpty()) << vk;
        }
    }
    German german;
    ASSERT_TRUE(QCoreApplication::installTranslator(&german));
    EXPECT_EQ(PTKeyCombo(0x13, 0x1800).description(), "Strg+Alt+2");
}
