// The virtual key code / evdev table: the codes the stored defaults rely on, and that every
// key maps back to itself.
#include "PTHotKeys/VirtualKeyCodes.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

using namespace VirtualKeyCodes;

TEST(VirtualKeyCodes, KnownAndUnknownKeys)
{
    const std::pair<int, int> known[] = {
        {0x00, KEY_A}, {0x12, KEY_1}, {0x7A, KEY_F1}, {0x7E, KEY_UP}, {0x28, KEY_K},
        {0x06, KEY_Z}, {0x10, KEY_Y}, {0x60, KEY_F5}, {0x53, KEY_KP1}, {0x4C, KEY_KPENTER},
        {0x71, KEY_F15}, {0x32, KEY_GRAVE}, {0x0A, KEY_102ND}, {0x75, KEY_DELETE},
        {0x72, KEY_INSERT},
    };
    for (const auto &[vk, evdev] : known) {
        EXPECT_EQ(evdevForVirtualKeyCode(vk), evdev) << vk;
        EXPECT_EQ(virtualKeyCodeForEvdev(evdev), vk) << evdev;
    }
    EXPECT_EQ(virtualKeyCodeForEvdev(KEY_HELP), 0x72); // Insert and Help share one position
    EXPECT_EQ(xKeycodeForVirtualKeyCode(0x00), KEY_A + 8);
    for (int vk : {-1, 0x34})
        EXPECT_EQ(xKeycodeForVirtualKeyCode(vk), -1) << vk;
    for (int evdev : {0, KEY_POWER})
        EXPECT_EQ(virtualKeyCodeForEvdev(evdev), -1) << evdev;
}

TEST(VirtualKeyCodes, EveryMappedKeyRoundTrips)
{
    int mapped = 0;
    for (int vk = 0; vk < 128; ++vk) {
        const int evdev = evdevForVirtualKeyCode(vk);
        if (evdev >= 0) {
            ++mapped;
            EXPECT_EQ(virtualKeyCodeForEvdev(evdev), vk) << "virtual key " << vk;
        }
    }
    EXPECT_GE(mapped, 100); // letters, digits, punctuation, keypad, F1-F20, navigation
}

TEST(VirtualKeyCodes, FunctionAndModifierKeys)
{
    for (int vk : {0x7A, 0x60, 0x71, 0x7B, 0x7E, 0x73, 0x77, 0x74, 0x79, 0x75, 0x72})
        EXPECT_TRUE(isFunctionKey(vk)) << vk;
    for (int vk : {0x00, 0x24, 0x33, 0x31, 0x53, 0x4C, 0x35})
        EXPECT_FALSE(isFunctionKey(vk)) << vk;
    for (int vk = 0x35; vk <= 0x40; ++vk)
        EXPECT_EQ(isModifierKey(vk), vk >= 0x36 && vk <= 0x3F) << vk;
}
