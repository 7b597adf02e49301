// The IOWarrior layer on top of the Linux backend and emulated chips: the interface kinds
// depend on the backend's ordering, and reports and hot-plug must pass through unchanged.
#include "HidTestbed.h"

#include "usb/IOWarriorLib.h"
#include "usb/linux/LinuxHidPlatform.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

using namespace tarvex;
using namespace tarvex::test;

namespace {

class IOWarriorLayerTest : public ::testing::Test
{
protected:
    void SetUp() override { IOWarriorSetPlatform(&platform); }
    void TearDown() override
    {
        IOWarriorSetDeviceAddedCallback(nullptr, nullptr);
        IOWarriorSetDeviceRemovedCallback(nullptr, nullptr);
        IOWarriorClearInterfaceList();
        IOWarriorSetPlatform(nullptr);
    }

    static bool runEventLoopUntil(const std::function<bool()> &done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done()) {
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            QEventLoop loop;
            QTimer::singleShot(20, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return true;
    }

    HidTestbed bed;
    LinuxHidPlatform platform;
};

void count(void *refCon)
{
    ++*static_cast<int *>(refCon);
}

} // namespace

TEST_F(IOWarriorLayerTest, ChipInterfacesBecomeKindsInOrderAndReportsPassUnchanged)
{
    EmulatedHidraw first0, first1, second0, second1;
    // Interface 0 got the higher node number: order must come from HID_PHYS, not devnodes.
    ChipSpec first;
    first.serial = "SW-1";
    first.usbPort = 1;
    first.hidrawNumbers = {1, 0};
    bed.addChip(first, {&first0, &first1});
    ChipSpec second;
    second.serial = "SW-2";
    second.usbPort = 2;
    second.hidrawNumbers = {2, 3};
    bed.addChip(second, {&second0, &second1});
    ChipSpec other;
    other.product = 0x1511;
    other.serial = "";
    other.usbPort = 3;
    other.hidrawNumbers = {4, 5};
    bed.addChip(other);

    ASSERT_EQ(IOWarriorInit(), 0);
    ASSERT_EQ(IOWarriorCountInterfaces(), 6);
    const int kinds[] = {2, 3, 2, 3, 6, 7};
    const char *serials[] = {"SW-1", "SW-1", "SW-2", "SW-2", "0", "0"};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        IOWarriorListNodeStruct *node = IOWarriorInterfaceListNodeAtIndex(i);
        ASSERT_TRUE(node);
        EXPECT_EQ(node->interfaceKind, kinds[i]);
        EXPECT_STREQ(node->serialNumber, serials[i]);
    }

    // The control interface (kind 3) of the first switch is its interface 1: /dev/hidraw0.
    IOWarriorListNodeStruct *control = IOWarriorInterfaceListNodeAtIndex(1);
    EXPECT_EQ(control->hidInterface->path(), "/dev/hidraw0");
    const std::uint8_t portSelect[8] = {0x09, 0x03, 0x0B, 0x01, 0x01, 0x00, 0x00, 0x00};
    ASSERT_EQ(IOWarriorWriteToInterface(control->hidInterface, 8, portSelect), 0);
    EXPECT_TRUE(control->isOpen);
    ASSERT_EQ(first1.writes().size(), 1u);
    EXPECT_EQ(first1.writes()[0], std::vector<std::uint8_t>(portSelect, portSelect + 8));
    EXPECT_TRUE(first0.writes().empty());
    EXPECT_TRUE(second1.writes().empty());

    first1.setInputReply({0x09, 0x03, 0x0B, 0x01, 0x02, 0x00, 0x00, 0x00});
    std::uint8_t reply[8];
    std::memset(reply, 0xEE, sizeof reply);
    ASSERT_EQ(IOWarriorReadFromInterface(control->hidInterface, 9, 8, reply), 0);
    const std::uint8_t expected[8] = {0x09, 0x03, 0x0B, 0x01, 0x02, 0x00, 0x00, 0x00};
    EXPECT_EQ(std::memcmp(reply, expected, 8), 0);
}

TEST_F(IOWarriorLayerTest, PlugAndUnplugReachTheCallbacksOncePerChip)
{
    ASSERT_EQ(IOWarriorInit(), 0);
    EXPECT_EQ(IOWarriorIsPresent(), 0);
    int added = 0;
    int removed = 0;
    IOWarriorSetDeviceAddedCallback(count, &added);
    IOWarriorSetDeviceRemovedCallback(count, &removed);

    ChipSpec chip;
    chip.hidrawNumbers = {0, 1};
    const auto nodes = bed.addChip(chip);
    ASSERT_TRUE(runEventLoopUntil([&] { return added == 1; }));
    EXPECT_NE(gIOWarriorListDirty, 0);
    EXPECT_EQ(IOWarriorCountInterfaces(), 2);
    EXPECT_EQ(IOWarriorInterfaceListNodeAtIndex(1)->interfaceKind, 3);

    bed.removeInterface(nodes[0]);
    bed.removeInterface(nodes[1]);
    ASSERT_TRUE(runEventLoopUntil([&] { return removed == 1; }));
    EXPECT_EQ(added, 1);
    EXPECT_EQ(IOWarriorCountInterfaces(), 0);
}
