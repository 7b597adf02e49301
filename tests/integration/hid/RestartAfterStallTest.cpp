// The firmware transfer's restart after a status read the switch never answered, through the
// Linux backend: the stuck read keeps the interface busy, the restart waits for it and the
// outcome says whether the restart got through. The pauses run on virtual time.
#include "HidTestbed.h"
#include "SRecordTestImages.h"
#include "VirtualTransferClock.h"

#include "switch/DefaultsStore.h"
#include "switch/FirmwareTransfer.h"
#include "usb/IOWarriorController.h"
#include "usb/IOWarriorLib.h"
#include "usb/linux/HidrawDevice.h"
#include "usb/linux/LinuxHidPlatform.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

using namespace tarvex;
using namespace tarvex::test;

namespace {

// The Linux backend with a hook on the wait for a busy interface: there the test decides
// whether the stuck read ends, as the kernel's own time-out would end it, or not.
class WaitHookPlatform : public LinuxHidPlatform
{
public:
    std::function<int(HidrawDevice &, int timeoutMs)> onWait;

    std::unique_ptr<HidDevice> createInterface(const HidInterfaceInfo &info) override
    {
        struct Hooked : HidrawDevice {
            Hooked(const std::string &path, WaitHookPlatform &p) : HidrawDevice(path), platform(p) {}
            int waitUntilIdle(int timeoutMs) override
            {
                return platform.onWait ? platform.onWait(*this, timeoutMs) : HidrawDevice::waitUntilIdle(timeoutMs);
            }
            WaitHookPlatform &platform;
        };
        return std::make_unique<Hooked>(info.path, *this);
    }
};

class RestartAfterStall : public ::testing::Test
{
protected:
    void SetUp() override
    {
        bed.addChip({.serial = "000012AB"}, {&iface0, &control});
        IOWarriorSetPlatform(&platform);
        IOWarriorSetTimeouts(30000, 100); // writes never race the clock; the held read must time out
        ASSERT_EQ(IOWarriorInit(), 0);
        registry.findAttachedDevices();
        defaults.setObjectForKey(QStringLiteral("Selected Switch"), QStringLiteral("000012AB"));
        transfer.setClock(&clock);
        control.setAnswerInput(false); // the first record's status read never comes back
    }
    void TearDown() override
    {
        control.releaseHeld(EIO);
        platform.onWait = nullptr;
        for (IOWarriorListNodeStruct *node = gIOWarriorList; node; node = node->next) // no helper outlives the test
            IOWarriorWaitUntilIdle(node->hidInterface, 30000);
        IOWarriorClearInterfaceList();
        IOWarriorSetPlatform(nullptr);
        IOWarriorSetTimeouts(kIOWarriorWriteTimeoutMs, kIOWarriorReadTimeoutMs);
    }
    long restartReports() const
    {
        const auto writes = control.writes();
        return std::count(writes.begin(), writes.end(), Bytes{0x09, 0x01, 0xFE, 0, 0, 0, 0, 0});
    }

    EmulatedHidraw iface0, control;
    HidTestbed bed;
    WaitHookPlatform platform;
    IOWarriorController registry;
    QTemporaryDir dir;
    DefaultsStore defaults{dir.filePath(QStringLiteral("defaults.json"))};
    VirtualTransferClock clock;
    FirmwareTransfer transfer{registry, defaults};
};

} // namespace

TEST_F(RestartAfterStall, RestartWaitsUntilTheStuckReadHasEndedAndIsDelivered)
{
    platform.onWait = [&](HidrawDevice &device, int timeoutMs) {
        EXPECT_GE(timeoutMs, 5000); // longer than the kernel keeps a read
        EXPECT_EQ(device.HidrawDevice::waitUntilIdle(0), ETIMEDOUT); // still stuck when the restart is due
        control.releaseHeld(EIO);
        return device.HidrawDevice::waitUntilIdle(30000);
    };
    const FirmwareOutcome outcome = transfer.upgradeAndWait(SRecordTestImages::image(1));
    EXPECT_EQ(outcome.kind(), FirmwareOutcome::Kind::NoAnswer);
    EXPECT_TRUE(outcome.restartDelivered());
    EXPECT_EQ(restartReports(), 1);
}

TEST_F(RestartAfterStall, InterfaceStillBusyAfterTheWaitMeansTheRestartWasNotDelivered)
{
    platform.onWait = [](HidrawDevice &device, int) { return device.HidrawDevice::waitUntilIdle(0); };
    const FirmwareOutcome outcome = transfer.upgradeAndWait(SRecordTestImages::image(1));
    EXPECT_FALSE(outcome.succeeded());
    EXPECT_FALSE(outcome.restartDelivered());
    EXPECT_EQ(restartReports(), 0);
}
