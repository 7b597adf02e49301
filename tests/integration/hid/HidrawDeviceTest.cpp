// Report transfer through HidrawDevice on emulated hidraw nodes: byte-exact writes,
// HIDIOCGINPUT answers, time-outs that do not block, and refused or vanished nodes.
#include "HidTestbed.h"

#include "usb/linux/HidrawDevice.h"
#include "usb/linux/LinuxHidPlatform.h"

#include <linux/hidraw.h>
#include <sys/ioctl.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

using namespace tarvex;
using namespace tarvex::test;

namespace {

using Bytes = std::vector<std::uint8_t>;

class HidrawDeviceTest : public ::testing::Test
{
protected:
    // One 0x03EB chip whose interfaces are emulated by `iface0` and `iface1`.
    std::unique_ptr<HidDevice> attachAndCreate(int index = 1)
    {
        ChipSpec chip;
        nodes = bed.addChip(chip, {&iface0, &iface1});
        const auto found = platform.enumerate();
        EXPECT_EQ(found.size(), 2u);
        if (found.size() != 2u)
            return nullptr;
        return platform.createInterface(found[index]);
    }

    EmulatedHidraw iface0;
    EmulatedHidraw iface1;
    HidTestbed bed;
    LinuxHidPlatform platform;
    std::vector<std::string> nodes;
};

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

TEST_F(HidrawDeviceTest, WritesReachTheDeviceByteForByte)
{
    auto device = attachAndCreate();
    ASSERT_TRUE(device);
    EXPECT_EQ(device->path(), "/dev/hidraw1");
    ASSERT_EQ(device->open(), 0);
    EXPECT_EQ(device->open(), 0); // a second open keeps the same descriptor
    EXPECT_EQ(device->lastOpenError(), 0);

    const Bytes portSelect = {0x09, 0x03, 0x0B, 0x01, 0x01, 0x00, 0x00, 0x00};
    const Bytes firmware = {0x08, 0xFF, 0x00, 0x80, 0x7F, 0x0A, 0x0D, 0x00};
    ASSERT_EQ(device->setReport(portSelect.data(), 8, 50), 0);
    ASSERT_EQ(device->setReport(firmware.data(), 8, 50), 0);
    const auto writes = iface1.writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0], portSelect);
    EXPECT_EQ(writes[1], firmware);
    EXPECT_TRUE(iface0.writes().empty());
}

TEST_F(HidrawDeviceTest, InputReportAnswerComesBackAndShortAnswersKeepTheTail)
{
    auto device = attachAndCreate();
    ASSERT_TRUE(device);
    ASSERT_EQ(device->open(), 0);

    iface1.setInputReply({0x09, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07});
    Bytes buffer(8, 0xEE);
    int length = 8;
    ASSERT_EQ(device->getReport(9, buffer.data(), &length, 100), 0);
    EXPECT_EQ(length, 8);
    EXPECT_EQ(buffer, (Bytes{0x09, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07}));
    ASSERT_FALSE(iface1.requests().empty());
    EXPECT_EQ(iface1.requests().back(), static_cast<unsigned long>(HIDIOCGINPUT(8)));

    iface1.setInputReply({0x09, 0xA1, 0xA2});
    buffer.assign(8, 0xEE);
    length = 8;
    ASSERT_EQ(device->getReport(9, buffer.data(), &length, 100), 0);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(buffer, (Bytes{0x09, 0xA1, 0xA2, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));

    // A report the device does not have fails and leaves the buffer untouched.
    buffer.assign(8, 0xEE);
    length = 8;
    EXPECT_EQ(device->getReport(7, buffer.data(), &length, 100), EIO);
    EXPECT_EQ(buffer, Bytes(8, 0xEE));
}

TEST_F(HidrawDeviceTest, UnansweredReadTimesOutThenRefusesUntilTheStuckCallReturns)
{
    auto device = attachAndCreate();
    ASSERT_TRUE(device);
    ASSERT_EQ(device->open(), 0);
    iface1.setAnswerInput(false);

    Bytes buffer(8, 0xEE);
    int length = 8;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(device->getReport(9, buffer.data(), &length, 100), ETIMEDOUT);
    const double elapsed = millisecondsSince(start);
    std::printf("[ figure ] unanswered 100 ms read returned after %.1f ms\n", elapsed);
    EXPECT_LT(elapsed, 1000.0); // generous: the point is that the kernel call does not block us
    EXPECT_EQ(buffer, Bytes(8, 0xEE));

    // The first call is still inside the kernel: nothing else may be started on the node.
    const Bytes report = {0x09, 0x03, 0x0B, 0x01, 0x01, 0x00, 0x00, 0x00};
    EXPECT_EQ(device->setReport(report.data(), 8, 50), EBUSY);
    EXPECT_EQ(device->getReport(9, buffer.data(), &length, 100), EBUSY);

    // Once it returns, the device works again.
    iface1.setAnswerInput(true);
    iface1.setInputReply({0x09, 0x42});
    ASSERT_TRUE(iface1.heldCount() >= 1);
    iface1.releaseHeld(EIO);
    int status = EBUSY;
    for (int attempt = 0; attempt < 500 && status == EBUSY; ++attempt) {
        length = 8;
        status = device->getReport(9, buffer.data(), &length, 100);
        if (status == EBUSY)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_EQ(status, 0);
    EXPECT_EQ(length, 2);
    EXPECT_EQ(buffer[1], 0x42);
}

TEST_F(HidrawDeviceTest, DestroyingADeviceWithAStuckCallClosesTheNodeWhenTheCallReturns)
{
    auto device = attachAndCreate();
    ASSERT_TRUE(device);
    const int baseline = HidTestbed::openTerminalDescriptors();
    ASSERT_EQ(device->open(), 0);
    EXPECT_EQ(HidTestbed::openTerminalDescriptors(), baseline + 1);
    iface1.setAnswerInput(false);
    Bytes buffer(8, 0);
    int length = 8;
    ASSERT_EQ(device->getReport(9, buffer.data(), &length, 100), ETIMEDOUT);

    const auto start = std::chrono::steady_clock::now();
    device.reset();
    std::printf("[ figure ] destroying a device with a stuck call took %.1f ms\n",
                millisecondsSince(start));
    // The stuck call still uses the descriptor, so it must stay open for now...
    EXPECT_EQ(HidTestbed::openTerminalDescriptors(), baseline + 1);

    // ...and be closed by the helper once the call comes back.
    iface1.releaseHeld(EIO);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (HidTestbed::openTerminalDescriptors() != baseline &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(HidTestbed::openTerminalDescriptors(), baseline);
}

TEST_F(HidrawDeviceTest, IdleDeviceClosesItsNodeOnDestruction)
{
    auto device = attachAndCreate();
    ASSERT_TRUE(device);
    const int baseline = HidTestbed::openTerminalDescriptors();
    ASSERT_EQ(device->open(), 0);
    const Bytes report = {0x09, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    ASSERT_EQ(device->setReport(report.data(), 8, 50), 0);
    device.reset();
    EXPECT_EQ(HidTestbed::openTerminalDescriptors(), baseline);

    // A device that was opened but never used owns the descriptor itself.
    device = platform.createInterface(platform.enumerate().at(0));
    ASSERT_EQ(device->open(), 0);
    device.reset();
    EXPECT_EQ(HidTestbed::openTerminalDescriptors(), baseline);
}

TEST_F(HidrawDeviceTest, NodeRemovedBetweenEnumerationAndOpenFailsWithAnErrno)
{
    auto device = attachAndCreate();
    ASSERT_TRUE(device);
    bed.removeInterface(nodes[1]);
    const int status = device->open();
    EXPECT_EQ(status, ENOENT);
    EXPECT_EQ(device->lastOpenError(), ENOENT);

    const Bytes report = {0x09, 0x03, 0x0B, 0x01, 0x01, 0x00, 0x00, 0x00};
    EXPECT_EQ(device->setReport(report.data(), 8, 50), EBADF);
    Bytes buffer(8, 0);
    int length = 8;
    EXPECT_EQ(device->getReport(9, buffer.data(), &length, 100), EBADF);
}

TEST_F(HidrawDeviceTest, BadArgumentsAreRefusedWithoutATransfer)
{
    auto device = attachAndCreate();
    ASSERT_TRUE(device);
    ASSERT_EQ(device->open(), 0);
    EXPECT_EQ(device->setReport(nullptr, 8, 50), EINVAL);
    const Bytes report(8, 0x09);
    EXPECT_EQ(device->setReport(report.data(), 0, 50), EINVAL);
    Bytes buffer(8, 0);
    int length = 0;
    EXPECT_EQ(device->getReport(9, buffer.data(), &length, 100), EINVAL);
    EXPECT_EQ(device->getReport(9, buffer.data(), nullptr, 100), EINVAL);
    EXPECT_TRUE(iface1.writes().empty());
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
    const std::string output = testing::internal::GetCapturedStderr();

    EXPECT_EQ(a.lastOpenError(), EACCES);
    EXPECT_EQ(output,
              "no permission to open /dev/hidraw-permission-test-7: install the udev rule, see "
              "README\n"
              "no permission to open /dev/hidraw-permission-test-8: install the udev rule, see "
              "README\n");
}
