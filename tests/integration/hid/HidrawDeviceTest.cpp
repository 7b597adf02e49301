// Report transfer through HidrawDevice on emulated hidraw nodes: byte-exact writes,
// HIDIOCGINPUT answers, time-outs that do not block, and refused or vanished nodes.
#include "HidTestbed.h"

#include "usb/linux/HidrawDevice.h"
#include "usb/linux/LinuxHidPlatform.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

using namespace tarvex;
using namespace tarvex::test;

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kPortSelect = {0x09, 0x03, 0x0B, 0x01, 0x01, 0x00, 0x00, 0x00};

class HidrawDeviceTest : public ::testing::Test
{
protected:
    // One chip whose interfaces are emulated by `iface0` and `iface1`; the handle of the
    // control interface, opened.
    void SetUp() override
    {
        nodes = bed.addChip({}, {&iface0, &iface1});
        const auto found = platform.enumerate();
        ASSERT_EQ(found.size(), 2u);
        device = platform.createInterface(found[1]);
        ASSERT_TRUE(device);
        baselineDescriptors = HidTestbed::openTerminalDescriptors();
    }

    // Input report 9 into an 8-byte buffer prefilled with 0xEE; returns the status.
    int read(Bytes &buffer, int &length, std::uint8_t reportId = 9)
    {
        buffer.assign(8, 0xEE);
        length = 8;
        return device->getReport(reportId, buffer.data(), &length, 100);
    }

    EmulatedHidraw iface0;
    EmulatedHidraw iface1;
    HidTestbed bed;
    LinuxHidPlatform platform;
    std::vector<std::string> nodes;
    std::unique_ptr<HidDevice> device;
    int baselineDescriptors = 0;
};

} // namespace

TEST_F(HidrawDeviceTest, WritesReachTheDeviceByteForByteAndBadArgumentsNothing)
{
    EXPECT_EQ(device->path(), "/dev/hidraw1");
    ASSERT_EQ(device->open(), 0);
    EXPECT_EQ(device->open(), 0); // a second open keeps the same descriptor
    EXPECT_EQ(device->lastOpenError(), 0);
    const Bytes firmware = {0x08, 0xFF, 0x00, 0x80, 0x7F, 0x0A, 0x0D, 0x00};
    ASSERT_EQ(device->setReport(kPortSelect.data(), 8, 50), 0);
    ASSERT_EQ(device->setReport(firmware.data(), 8, 50), 0);

    EXPECT_EQ(device->setReport(nullptr, 8, 50), EINVAL);
    EXPECT_EQ(device->setReport(firmware.data(), 0, 50), EINVAL);
    Bytes buffer(8, 0);
    int length = 0;
    EXPECT_EQ(device->getReport(9, buffer.data(), &length, 100), EINVAL);
    EXPECT_EQ(device->getReport(9, buffer.data(), nullptr, 100), EINVAL);

    EXPECT_EQ(iface1.writes(), (std::vector<Bytes>{kPortSelect, firmware}));
    EXPECT_TRUE(iface0.writes().empty());
}

TEST_F(HidrawDeviceTest, InputReportAnswerComesBackAndShortOrFailedAnswersKeepTheRest)
{
    ASSERT_EQ(device->open(), 0);
    Bytes buffer;
    int length = 0;
    iface1.setInputReply({0x09, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07});
    ASSERT_EQ(read(buffer, length), 0);
    EXPECT_EQ(length, 8);
    EXPECT_EQ(buffer, (Bytes{0x09, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07}));

    iface1.setInputReply({0x09, 0xA1, 0xA2});
    ASSERT_EQ(read(buffer, length), 0);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(buffer, (Bytes{0x09, 0xA1, 0xA2, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));

    // A report the device does not have fails and leaves the buffer untouched.
    EXPECT_EQ(read(buffer, length, 7), EIO);
    EXPECT_EQ(buffer, Bytes(8, 0xEE));
}

TEST_F(HidrawDeviceTest, UnansweredReadTimesOutThenRefusesUntilTheStuckCallReturns)
{
    ASSERT_EQ(device->open(), 0);
    iface1.setAnswerInput(false);
    Bytes buffer;
    int length = 0;
    // The emulated device holds the call until released: returning at all proves the
    // caller is not blocked by the kernel call.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(read(buffer, length), ETIMEDOUT);
    std::printf("[ figure ] unanswered 100 ms read returned after %.1f ms\n",
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
    EXPECT_EQ(buffer, Bytes(8, 0xEE));

    // The first call is still inside the kernel: nothing else may be started on the node.
    EXPECT_EQ(device->setReport(kPortSelect.data(), 8, 50), EBUSY);
    EXPECT_EQ(read(buffer, length), EBUSY);

    // Once it returns, the device works again.
    iface1.setAnswerInput(true);
    iface1.setInputReply({0x09, 0x42});
    iface1.releaseHeld(EIO);
    ASSERT_TRUE(runEventLoopUntil([&] { return read(buffer, length) != EBUSY; }));
    EXPECT_EQ(length, 2);
    EXPECT_EQ(buffer[1], 0x42);
}

TEST_F(HidrawDeviceTest, DestroyedDeviceClosesItsNodeOnceNoCallUsesIt)
{
    // Opened but never used: the device owns the descriptor itself.
    ASSERT_EQ(device->open(), 0);
    EXPECT_EQ(HidTestbed::openTerminalDescriptors(), baselineDescriptors + 1);
    device.reset();
    EXPECT_EQ(HidTestbed::openTerminalDescriptors(), baselineDescriptors);

    // A call stuck in the kernel still uses the descriptor: it stays open until it returns.
    device = platform.createInterface(platform.enumerate().at(1));
    ASSERT_EQ(device->open(), 0);
    iface1.setAnswerInput(false);
    Bytes buffer;
    int length = 0;
    ASSERT_EQ(read(buffer, length), ETIMEDOUT);
    device.reset();
    EXPECT_EQ(HidTestbed::openTerminalDescriptors(), baselineDescriptors + 1);
    iface1.releaseHeld(EIO);
    EXPECT_TRUE(runEventLoopUntil(
        [&] { return HidTestbed::openTerminalDescriptors() == baselineDescriptors; }));
}

TEST_F(HidrawDeviceTest, NodeRemovedBetweenEnumerationAndOpenFailsWithAnErrno)
{
    bed.removeInterface(nodes[1]);
    EXPECT_EQ(device->open(), ENOENT);
    EXPECT_EQ(device->lastOpenError(), ENOENT);
    EXPECT_EQ(device->setReport(kPortSelect.data(), 8, 50), EBADF);
    Bytes buffer;
    int length = 0;
    EXPECT_EQ(read(buffer, length), EBADF);
}

namespace {

int refuseWithEacces(const char *, int)
{
    errno = EACCES;
    return -1;
}

} // namespace

TEST(HidrawDevicePermission, RefusedOpenIsReportedOncePerNodeAndRemembered)
{
    // Root is never refused by the kernel, so the refusal comes from the open function.
    testing::internal::CaptureStderr();
    HidrawDevice a("/dev/hidraw-permission-test-7", refuseWithEacces);
    HidrawDevice b("/dev/hidraw-permission-test-7", refuseWithEacces);
    HidrawDevice c("/dev/hidraw-permission-test-8", refuseWithEacces);
    EXPECT_EQ(a.open(), EACCES);
    EXPECT_EQ(a.open(), EACCES);
    EXPECT_EQ(b.open(), EACCES); // a rebuilt list makes a new handle for the same node
    EXPECT_EQ(c.open(), EACCES);
    EXPECT_EQ(a.lastOpenError(), EACCES);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "no permission to open /dev/hidraw-permission-test-7: install the udev rule, see README\n"
              "no permission to open /dev/hidraw-permission-test-8: install the udev rule, see README\n");
}
