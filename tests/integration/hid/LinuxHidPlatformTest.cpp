// LinuxHidPlatform on emulated hidraw devices: the descriptor and HID_PHYS parsing it relies
// on, enumeration order and filtering as the IOWarrior layer sees them, and hot-plug
// coalesced to one notification per switch chip.
#include "HidTestbed.h"

#include "usb/linux/HidReportDescriptor.h"
#include "usb/linux/LinuxHidPlatform.h"

#include <gtest/gtest.h>


using namespace tarvex;
using namespace tarvex::test;

TEST(HidReportDescriptor, PrimaryUsageIsTheFirstUsageBeforeTheFirstCollection)
{
    const std::pair<std::vector<std::uint8_t>, long> cases[] = { // page << 16 | usage, -1: none
        {{0x05, 0x01, 0x09, 0x00, 0xA1, 0x01, 0x09, 0x05, 0xC0}, 0x10000},
        // Two-byte vendor page; a later usage inside the collection does not count.
        {{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x05, 0x01, 0x09, 0x00}, 0xFF000001},
        // A four-byte usage carries its own page and overrides the global one.
        {{0x05, 0x0C, 0x0B, 0x00, 0x00, 0x01, 0x00, 0xA1, 0x01}, 0x10000},
        // Long items are stepped over by their own size byte.
        {{0xFE, 0x02, 0x10, 0x09, 0x07, 0x05, 0x01, 0x09, 0x00, 0xA1, 0x01}, 0x10000},
        {{}, -1},
        {{0x05, 0x01, 0xA1, 0x01, 0xC0}, -1},       // no usage
        {{0x09, 0x00, 0x05, 0x01, 0xA1, 0x01}, -1}, // no page yet
        {{0x05, 0x01, 0x0A, 0x00}, -1},             // truncated
        {{0x05, 0x01, 0xFE, 0x09}, -1},             // truncated long item
    };
    for (const auto &[bytes, expected] : cases) {
        const auto u = HidReportDescriptor::primaryUsage(bytes);
        EXPECT_EQ(u ? long(u->page) << 16 | long(u->usage) : -1, expected) << testing::PrintToString(bytes);
    }
}

TEST(LinuxHidPlatformPhys, InterfaceNumberComesFromTheInputEnding)
{
    const std::pair<const char *, int> cases[] = {
        {"usb-0000:00:14.0-1/input0", 0}, {"usb-0000:00:14.0-1.2/input1", 1},
        {"virtual/input12", 12},          {"usb-0000:00:14.0-1", -1},
        {"x/input", -1},                  {"x/inputA", -1},
        {"", -1}};
    for (const auto &[phys, number] : cases)
        EXPECT_EQ(LinuxHidPlatform::interfaceNumberFromPhys(phys), number) << phys;
}

class LinuxHidPlatformTest : public ::testing::Test
{
protected:
    HidTestbed bed;
    LinuxHidPlatform platform;
};

TEST_F(LinuxHidPlatformTest, ChipsComeWholeInterfaceZeroFirstAndOnlyTheVendorsWithUsage1_0)
{
    bed.addChip({.serial = "SER-B", .usbPort = 1, .hidrawNumbers = {0, 1}});
    // Interface 0 got the higher node number: order must come from HID_PHYS, not devnodes.
    bed.addChip({.serial = "SER-A", .usbPort = 3, .hidrawNumbers = {3, 2}});
    bed.addChip({.vendor = 0x046D, .usbPort = 4, .hidrawNumbers = {4, 5}});
    bed.addChip({.usbPort = 5, .hidrawNumbers = {6}, .descriptorHex = "0600FF0901A101C0"});
    bed.addChip({.usbPort = 7, .hidrawNumbers = {9}, .descriptorHex = "05010906A101C0"}); // a keyboard
    // Any product of the vendor is kept (the layer sorts the products out), one without a
    // serial too.
    bed.addChip({.product = 0x1511, .serial = "", .usbPort = 6, .hidrawNumbers = {7, 8}});

    const auto found = platform.enumerate();
    ASSERT_EQ(found.size(), 6u);
    const char *paths[] = {"0", "1", "3", "2", "7", "8"};
    const char *serials[] = {"SER-B", "SER-B", "SER-A", "SER-A", nullptr, nullptr};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(found[i].path, std::string("/dev/hidraw") + paths[i]);
        EXPECT_EQ(found[i].vendorId, 0x1214);
        EXPECT_EQ(found[i].productId, i < 4 ? 0x03EB : 0x1511);
        EXPECT_EQ(found[i].serial.value_or("none"), serials[i] ? serials[i] : "none");
        EXPECT_EQ(found[i].interfaceNumber, i % 2);
    }
}

TEST_F(LinuxHidPlatformTest, OneNotificationPerSwitchChipNoneForOtherDevicesEarlyChipsAreKnown)
{
    // Attached before start: its removal must still be reported.
    const auto early = bed.addChip({.serial = "EARLY", .usbPort = 1, .hidrawNumbers = {0, 1}});
    int added = 0, removed = 0;
    ASSERT_EQ(platform.start([&](bool plugged) { ++(plugged ? added : removed); }), 0);

    const auto chip = bed.addChip({.usbPort = 2, .hidrawNumbers = {2, 3}});
    ASSERT_TRUE(runEventLoopUntil([&] { return added == 1; }));
    // Events come in order: once the sentinel chip is reported, the other vendor's device,
    // the vendor's product that is no switch and the first chip's second interface have
    // all been seen too, and none of them may have caused a refresh.
    const auto other = bed.addChip({.vendor = 0x046D, .usbPort = 3, .hidrawNumbers = {4}});
    const auto foreign = bed.addChip({.product = 0x1234, .usbPort = 7, .hidrawNumbers = {9, 10}});
    const auto sentinel = bed.addChip({.serial = "SENTINEL", .usbPort = 4, .hidrawNumbers = {5, 6}});
    ASSERT_TRUE(runEventLoopUntil([&] { return added == 2; }));
    EXPECT_EQ(removed, 0);

    for (const auto &path : {other[0], foreign[0], foreign[1], chip[0], chip[1]})
        bed.removeInterface(path);
    ASSERT_TRUE(runEventLoopUntil([&] { return removed == 1; }));
    for (const auto &path : {sentinel[1], sentinel[0], early[1], early[0]})
        bed.removeInterface(path);
    ASSERT_TRUE(runEventLoopUntil([&] { return removed == 3; }));
    EXPECT_EQ(added, 2);
}
