// Enumeration order, filtering and coalesced hot-plug of LinuxHidPlatform on emulated
// hidraw devices, plus the descriptor and HID_PHYS parsing it relies on.
#include "HidTestbed.h"

#include "usb/linux/HidReportDescriptor.h"
#include "usb/linux/LinuxHidPlatform.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

using namespace tarvex;
using namespace tarvex::test;

namespace {

// Runs the event loop until `done` holds or the bound passes; never a fixed sleep.
bool runEventLoopUntil(const std::function<bool()> &done, int boundMs = 5000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

std::vector<std::uint8_t> bytes(std::initializer_list<int> values)
{
    std::vector<std::uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

} // namespace

TEST(HidReportDescriptor, PrimaryUsageIsTheFirstUsageBeforeTheFirstCollection)
{
    using D = HidReportDescriptor;
    auto u = D::primaryUsage(bytes({0x05, 0x01, 0x09, 0x00, 0xA1, 0x01, 0x09, 0x05, 0xC0}));
    ASSERT_TRUE(u);
    EXPECT_EQ(u->page, 1u);
    EXPECT_EQ(u->usage, 0u);

    // Two-byte vendor page, and a later usage inside the collection does not count.
    u = D::primaryUsage(bytes({0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x05, 0x01, 0x09, 0x00}));
    ASSERT_TRUE(u);
    EXPECT_EQ(u->page, 0xFF00u);
    EXPECT_EQ(u->usage, 1u);

    // A four-byte usage carries its own page and overrides the global one.
    u = D::primaryUsage(bytes({0x05, 0x0C, 0x0B, 0x00, 0x00, 0x01, 0x00, 0xA1, 0x01}));
    ASSERT_TRUE(u);
    EXPECT_EQ(u->page, 1u);
    EXPECT_EQ(u->usage, 0u);

    // Long items are stepped over by their own size byte.
    u = D::primaryUsage(bytes({0xFE, 0x02, 0x10, 0x09, 0x07, 0x05, 0x01, 0x09, 0x00, 0xA1, 0x01}));
    ASSERT_TRUE(u);
    EXPECT_EQ(u->page, 1u);
    EXPECT_EQ(u->usage, 0u);
}

TEST(HidReportDescriptor, MalformedOrUsagelessDescriptorsNameNoUsage)
{
    using D = HidReportDescriptor;
    EXPECT_FALSE(D::primaryUsage({}));
    EXPECT_FALSE(D::primaryUsage(bytes({0x05, 0x01, 0xA1, 0x01, 0xC0})));      // no usage
    EXPECT_FALSE(D::primaryUsage(bytes({0x09, 0x00, 0x05, 0x01, 0xA1, 0x01}))); // no page yet
    EXPECT_FALSE(D::primaryUsage(bytes({0x05, 0x01, 0x0A, 0x00})));             // truncated
    EXPECT_FALSE(D::primaryUsage(bytes({0x05, 0x01, 0xFE, 0x09})));             // truncated long
}

TEST(LinuxHidPlatformPhys, InterfaceNumberComesFromTheInputEnding)
{
    EXPECT_EQ(LinuxHidPlatform::interfaceNumberFromPhys("usb-0000:00:14.0-1/input0"), 0);
    EXPECT_EQ(LinuxHidPlatform::interfaceNumberFromPhys("usb-0000:00:14.0-1.2/input1"), 1);
    EXPECT_EQ(LinuxHidPlatform::interfaceNumberFromPhys("virtual/input12"), 12);
    EXPECT_EQ(LinuxHidPlatform::interfaceNumberFromPhys("usb-0000:00:14.0-1"), -1);
    EXPECT_EQ(LinuxHidPlatform::interfaceNumberFromPhys("x/input"), -1);
    EXPECT_EQ(LinuxHidPlatform::interfaceNumberFromPhys("x/inputA"), -1);
    EXPECT_EQ(LinuxHidPlatform::interfaceNumberFromPhys(""), -1);
}

TEST(LinuxHidPlatformEnumerate, ChipsComeWholeInterfaceZeroFirst)
{
    HidTestbed bed;
    // The first chip's interfaces got their nodes in reverse order.
    ChipSpec first;
    first.serial = "SER-A";
    first.usbPort = 3;
    first.hidrawNumbers = {3, 2};
    bed.addChip(first);
    ChipSpec second;
    second.serial = "SER-B";
    second.usbPort = 1;
    second.hidrawNumbers = {0, 1};
    bed.addChip(second);

    LinuxHidPlatform platform;
    const auto found = platform.enumerate();
    ASSERT_EQ(found.size(), 4u);
    const char *expectedPaths[] = {"/dev/hidraw0", "/dev/hidraw1", "/dev/hidraw3", "/dev/hidraw2"};
    const char *expectedSerials[] = {"SER-B", "SER-B", "SER-A", "SER-A"};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(found[i].path, expectedPaths[i]);
        EXPECT_EQ(found[i].vendorId, 0x1214);
        EXPECT_EQ(found[i].productId, 0x03EB);
        ASSERT_TRUE(found[i].serial);
        EXPECT_EQ(*found[i].serial, expectedSerials[i]);
        EXPECT_EQ(found[i].interfaceNumber, i % 2);
    }
}

TEST(LinuxHidPlatformEnumerate, KeepsOnlyVendor1214WithUsagePage1Usage0)
{
    HidTestbed bed;
    ChipSpec otherVendor;
    otherVendor.vendor = 0x046D;
    otherVendor.usbPort = 1;
    otherVendor.hidrawNumbers = {0, 1};
    bed.addChip(otherVendor);

    ChipSpec vendorPage;
    vendorPage.usbPort = 2;
    vendorPage.hidrawNumbers = {2};
    vendorPage.descriptorHex = "0600FF0901A101C0";
    bed.addChip(vendorPage);

    // Any product of the vendor is kept (the layer sorts the products out), and a
    // virtual device without USB parents or serial still counts.
    ChipSpec otherProduct;
    otherProduct.product = 0x1511;
    otherProduct.usbPort = 4;
    otherProduct.serial = "";
    otherProduct.withUsbParents = false;
    otherProduct.hidrawNumbers = {4, 5};
    bed.addChip(otherProduct);

    LinuxHidPlatform platform;
    const auto found = platform.enumerate();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].path, "/dev/hidraw4");
    EXPECT_EQ(found[1].path, "/dev/hidraw5");
    EXPECT_EQ(found[0].productId, 0x1511);
    EXPECT_FALSE(found[0].serial);
    EXPECT_EQ(found[0].interfaceNumber, 0);
    EXPECT_EQ(found[1].interfaceNumber, 1);
}

TEST(LinuxHidPlatformEnumerate, NothingAttachedGivesAnEmptyList)
{
    HidTestbed bed;
    LinuxHidPlatform platform;
    EXPECT_TRUE(platform.enumerate().empty());
}

struct HotplugCounts {
    int added = 0;
    int removed = 0;
};

TEST(LinuxHidPlatformHotplug, OneNotificationPerChipAndNoneForOtherVendors)
{
    HidTestbed bed;
    LinuxHidPlatform platform;
    HotplugCounts counts;
    ASSERT_EQ(platform.start([&](bool added) { (added ? counts.added : counts.removed)++; }), 0);

    ChipSpec chip;
    chip.usbPort = 1;
    chip.hidrawNumbers = {0, 1};
    const auto chipNodes = bed.addChip(chip);
    ASSERT_TRUE(runEventLoopUntil([&] { return counts.added == 1; }));

    // Events are delivered in order: once the sentinel chip is reported, the other
    // vendor's device and the first chip's second interface have been seen too.
    ChipSpec otherVendor;
    otherVendor.vendor = 0x046D;
    otherVendor.usbPort = 2;
    otherVendor.hidrawNumbers = {2};
    const auto otherNodes = bed.addChip(otherVendor);
    ChipSpec sentinel;
    sentinel.usbPort = 3;
    sentinel.serial = "SENTINEL";
    sentinel.hidrawNumbers = {3, 4};
    const auto sentinelNodes = bed.addChip(sentinel);
    ASSERT_TRUE(runEventLoopUntil([&] { return counts.added == 2; }));
    EXPECT_EQ(counts.removed, 0);

    bed.removeInterface(otherNodes[0]);
    bed.removeInterface(chipNodes[0]);
    bed.removeInterface(chipNodes[1]);
    ASSERT_TRUE(runEventLoopUntil([&] { return counts.removed == 1; }));
    bed.removeInterface(sentinelNodes[1]);
    bed.removeInterface(sentinelNodes[0]);
    ASSERT_TRUE(runEventLoopUntil([&] { return counts.removed == 2; }));
    EXPECT_EQ(counts.added, 2);
}

TEST(LinuxHidPlatformHotplug, ChipAttachedBeforeStartIsReportedWhenRemoved)
{
    HidTestbed bed;
    ChipSpec chip;
    chip.hidrawNumbers = {0, 1};
    const auto nodes = bed.addChip(chip);

    LinuxHidPlatform platform;
    HotplugCounts counts;
    ASSERT_EQ(platform.start([&](bool added) { (added ? counts.added : counts.removed)++; }), 0);
    bed.removeInterface(nodes[1]);
    bed.removeInterface(nodes[0]);
    ASSERT_TRUE(runEventLoopUntil([&] { return counts.removed == 1; }));

    // Plugging it back in is a new chip again.
    ChipSpec again = chip;
    again.usbPort = 2;
    again.hidrawNumbers = {5, 6};
    bed.addChip(again);
    ASSERT_TRUE(runEventLoopUntil([&] { return counts.added == 1; }));
    EXPECT_EQ(counts.removed, 1);
}
