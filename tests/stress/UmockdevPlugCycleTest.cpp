// 100 plug/unplug cycles of two emulated switches under umockdev, through the Linux backend,
// the IOWarrior layer and the registry, with a port select and a status exchange per cycle:
// the udev events must keep list and registry right, the bytes must reach the right node,
// and no descriptor of a gone node may stay open.
#include "HidTestbed.h"

#include "switch/SwitchProtocol.h"
#include "usb/IOWarriorController.h"
#include "usb/IOWarriorLib.h"
#include "usb/linux/LinuxHidPlatform.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tarvex;
using namespace tarvex::test;

namespace {

void refresh(void *registry)
{
    static_cast<IOWarriorController *>(registry)->findAttachedDevices();
}

struct EmulatedChip {
    EmulatedHidraw interface0;
    EmulatedHidraw control;
    std::vector<std::string> syspaths;
};

} // namespace

TEST(UmockdevPlugCycleStress, HundredCyclesOfTwoSwitches)
{
    HidTestbed bed;
    LinuxHidPlatform platform;
    IOWarriorSetPlatform(&platform);
    ASSERT_EQ(IOWarriorInit(), 0);
    IOWarriorController registry;
    IOWarriorSetDeviceAddedCallback(refresh, &registry);
    IOWarriorSetDeviceRemovedCallback(refresh, &registry);
    registry.findAttachedDevices();

    // A /dev node cannot be re-added within one testbed: every cycle gets new node numbers
    // and USB ports, as a real bus would hand out.
    std::vector<std::unique_ptr<EmulatedChip>> chips;
    for (int cycle = 0; cycle < 100; ++cycle) {
        SCOPED_TRACE(cycle);
        const std::string serials[2] = {"SW-A", "SW-B"};
        EmulatedChip *plugged[2];
        for (int i = 0; i < 2; ++i) {
            auto chip = std::make_unique<EmulatedChip>();
            const ChipLayout layout{.serial = serials[i],
                                    .usbPort = 2 * cycle + i + 1,
                                    .hidrawNumbers = {4 * cycle + 2 * i, 4 * cycle + 2 * i + 1}};
            chip->control.setInputReply({0x09, 0x02, 0x02, 0x00, std::uint8_t(cycle % 4), 0, 0, 0});
            chip->syspaths = bed.addChip(layout, {&chip->interface0, &chip->control});
            plugged[i] = chip.get();
            chips.push_back(std::move(chip));
        }
        ASSERT_TRUE(runEventLoopUntil([&] { return registry.allDevices().size() == 2; }));
        ASSERT_EQ(IOWarriorCountInterfaces(), 4);

        IOWarriorListNodeStruct *a = registry.deviceWithSerial(QStringLiteral("SW-A"));
        IOWarriorListNodeStruct *b = registry.deviceWithSerial(QStringLiteral("SW-B"));
        ASSERT_TRUE(a && b);
        const std::uint8_t port = std::uint8_t(cycle % 4);
        ASSERT_EQ(SwitchProtocol::selectPort(a, port, port), 0);
        const auto writes = plugged[0]->control.writes();
        ASSERT_FALSE(writes.empty());
        EXPECT_EQ(writes.back(), (std::vector<std::uint8_t>{0x09, 0x03, 0x0B, port, port, 0, 0, 0}));
        EXPECT_TRUE(plugged[0]->interface0.writes().empty());
        const auto record = SwitchProtocol::query(registry, b, SwitchProtocol::QueryActivePort);
        ASSERT_TRUE(record);
        EXPECT_EQ(SwitchProtocol::activePortFromRecord(*record), int(port));

        // Unplug: B first on even cycles, A first on odd ones, one interface at a time.
        for (int k = 0; k < 2; ++k) {
            EmulatedChip *chip = plugged[(cycle + k) % 2];
            for (const std::string &path : chip->syspaths)
                bed.removeInterface(path);
        }
        ASSERT_TRUE(runEventLoopUntil([&] { return registry.allDevices().isEmpty(); }));
        EXPECT_EQ(IOWarriorCountInterfaces(), 0);
        EXPECT_EQ(HidTestbed::openTerminalDescriptors(), 0);
    }

    IOWarriorSetDeviceAddedCallback(nullptr, nullptr);
    IOWarriorSetDeviceRemovedCallback(nullptr, nullptr);
    registry.findAttachedDevices();
    IOWarriorClearInterfaceList();
    IOWarriorSetPlatform(nullptr);
}
