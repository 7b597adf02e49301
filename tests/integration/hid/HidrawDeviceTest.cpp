// Report transfer through HidrawDevice on emulated hidraw nodes: byte-exact writes,
// HIDIOCGINPUT answers, an unanswered read that neither blocks nor leaks the node, refused or
// vanished nodes. Time-outs are generous except where one must fire, on a request never answered.
#include "HidTestbed.h"

#include "usb/linux/HidrawDevice.h"
#include "usb/linux/LinuxHidPlatform.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace tarvex;
using namespace tarvex::test;

namespace {

const Bytes kPortSelect = {0x09, 0x03, 0x0B, 0x01, 0x01, 0x00, 0x00, 0x00};
constexpr int kGenerousMs = 30000;

class HidrawDeviceTest : public ::testing::Test
{
protected:
    // One chip emulated by `iface0` and `iface1`; `device` is its control interface, open.
    void SetUp() override
    {
        nodes = bed.addChip({}, {&iface0, &iface1});
        baselineDescriptors = HidTestbed::openTerminalDescriptors();
        device = platform.createInterface(platform.enumerate().at(1));
        ASSERT_EQ(device->open(), 0);
    }
    // Input report `id` into an 8-byte buffer prefilled with 0xEE.
    int read(int timeoutMs = kGenerousMs, std::uint8_t id = 9)
    {
        buffer.assign(8, 0xEE);
        length = 8;
        return device->getReport(id, buffer.data(), &length, timeoutMs);
    }

    EmulatedHidraw iface0, iface1;
    HidTestbed bed;
    LinuxHidPlatform platform;
    std::vector<std::string> nodes;
    std::unique_ptr<HidDevice> device;
    int baselineDescriptors = 0, length = 0;
    Bytes buffer;
};

} // namespace

TEST_F(HidrawDeviceTest, WritesAndAnswersPassByteForByteShortAnswersKeepTheRest)
{
    EXPECT_EQ(device->path(), "/dev/hidraw1");
    EXPECT_EQ(device->open(), 0); // a second open keeps the same descriptor
    const Bytes firmware = {0x08, 0xFF, 0x00, 0x80, 0x7F, 0x0A, 0x0D, 0x00};
    ASSERT_EQ(device->setReport(kPortSelect.data(), 8, kGenerousMs), 0);
    ASSERT_EQ(device->setReport(firmware.data(), 8, kGenerousMs), 0);
    EXPECT_EQ(device->setReport(nullptr, 8, kGenerousMs), EINVAL);
    EXPECT_EQ(device->setReport(firmware.data(), 0, kGenerousMs), EINVAL);
    EXPECT_EQ(device->getReport(9, buffer.data(), nullptr, kGenerousMs), EINVAL);
    EXPECT_EQ(iface1.writes(), (std::vector<Bytes>{kPortSelect, firmware}));
    EXPECT_TRUE(iface0.writes().empty());
    // A report whose time-out passed before the helper thread took it is never sent later.
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(device->setReport(firmware.data(), 8, 0), ETIMEDOUT);
    ASSERT_EQ(device->setReport(kPortSelect.data(), 8, kGenerousMs), 0);
    EXPECT_EQ(iface1.writes().size(), 3u);
    iface1.setWriteTakes(5); // a report not sent whole is not sent
    EXPECT_EQ(device->setReport(kPortSelect.data(), 8, kGenerousMs), EIO);
    iface1.setWriteTakes(0);

    iface1.setInputReply({0x09, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07});
    ASSERT_EQ(read(), 0);
    EXPECT_EQ(buffer, (Bytes{0x09, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07}));
    iface1.setInputReply({0x09, 0xA1, 0xA2});
    ASSERT_EQ(read(), 0);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(buffer, (Bytes{0x09, 0xA1, 0xA2, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(read(kGenerousMs, 7), EIO); // a report the device does not have
    EXPECT_EQ(buffer, Bytes(8, 0xEE));
}

TEST_F(HidrawDeviceTest, DestroyedDeviceClosesItsNodeOnceNoCallUsesIt)
{
    EXPECT_EQ(HidTestbed::openTerminalDescriptors(), baselineDescriptors + 1);
    device.reset();
    EXPECT_EQ(HidTestbed::openTerminalDescriptors(), baselineDescriptors);

    // A read that is never answered times out without holding the caller, and the node is
    // busy while the call is stuck in the kernel: the descriptor stays open until it returns.
    device = platform.createInterface(platform.enumerate().at(1));
    ASSERT_EQ(device->open(), 0);
    iface1.setAnswerInput(false);
    ASSERT_EQ(read(100), ETIMEDOUT);
    EXPECT_EQ(buffer, Bytes(8, 0xEE));
    EXPECT_EQ(device->setReport(kPortSelect.data(), 8, kGenerousMs), EBUSY);
    EXPECT_EQ(read(), EBUSY);
    device.reset();
    EXPECT_EQ(HidTestbed::openTerminalDescriptors(), baselineDescriptors + 1);
    iface1.releaseHeld(EIO);
    EXPECT_TRUE(runEventLoopUntil([&] { return HidTestbed::openTerminalDescriptors() == baselineDescriptors; }));
}

TEST_F(HidrawDeviceTest, NodeRemovedBeforeOpenFailsWithAnErrno)
{
    device = platform.createInterface(platform.enumerate().at(1));
    bed.removeInterface(nodes[1]);
    EXPECT_EQ(device->open(), ENOENT);
    EXPECT_EQ(device->lastOpenError(), ENOENT);
    EXPECT_EQ(device->setReport(kPortSelect.data(), 8, kGenerousMs), EBADF);
}

TEST(HidrawDevicePermission, RefusedOpenIsReportedOncePerNodeAndRemembered)
{
    // Root is never refused by the kernel, so the refusal comes from the open function.
    const auto refuse = [](const char *, int) { return errno = EACCES, -1; };
    testing::internal::CaptureStderr();
    HidrawDevice a("/dev/hidraw-test-7", refuse), b("/dev/hidraw-test-7", refuse), c("/dev/hidraw-test-8", refuse);
    for (HidrawDevice *device : {&a, &a, &b, &c}) // b: a rebuilt list's new handle for one node
        EXPECT_EQ(device->open(), EACCES);
    EXPECT_EQ(a.lastOpenError(), EACCES);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tarvex.hid: no permission to open /dev/hidraw-test-7: install the udev rule, see README\n"
              "tarvex.hid: no permission to open /dev/hidraw-test-8: install the udev rule, see README\n");
}
