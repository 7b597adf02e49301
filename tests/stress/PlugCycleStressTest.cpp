// 1000 plug/unplug cycles of two simulated switches through the IOWarrior layer and the
// registry while port commands and status queries go to them, unplugging at varying
// moments: nothing may crash or leak (the asan build runs this too), commands to a gone
// switch must fail rather than report success, and list and registry must agree after
// every cycle.
#include "StressBus.h"

#include "switch/SwitchProtocol.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace tarvex;
using namespace tarvex::stress;

namespace {

const std::string kA = SimHidPlatform::defaultSerial(0);
const std::string kB = SimHidPlatform::defaultSerial(1);

IOWarriorListNodeStruct *nodeOf(StressBus &bus, const std::string &serial)
{
    return bus.registry.deviceWithSerial(QString::fromStdString(serial));
}

} // namespace

TEST(PlugCycleStress, ThousandCyclesOfTwoSwitchesKeepListAndRegistryConsistent)
{
    StressBus bus;
    int commandsSent = 0;
    int failedOnGoneSwitch = 0;
    for (int cycle = 0; cycle < 1000; ++cycle) {
        SCOPED_TRACE(cycle);
        auto a = bus.sim.plug(kA, 1);
        auto b = bus.sim.plug(kB, 3);
        bus.settle();
        ASSERT_TRUE(bus.consistent());
        ASSERT_TRUE(a->modeSetUp());
        ASSERT_TRUE(b->modeSetUp());

        const int port = cycle % 4;
        ASSERT_EQ(SwitchProtocol::selectPort(nodeOf(bus, kA), port, port), 0);
        ++commandsSent;
        ASSERT_EQ(a->activePort(), port);
        int status = -1;
        const auto record = SwitchProtocol::query(bus.registry, nodeOf(bus, kB),
                                                  SwitchProtocol::QueryActivePort, &status);
        ASSERT_TRUE(record);
        EXPECT_EQ(status, 0);

        switch (cycle % 5) {
        case 0: { // one goes, the other keeps working, then it goes too
            bus.sim.unplug(kA);
            bus.settle();
            ASSERT_TRUE(bus.consistent());
            EXPECT_EQ(nodeOf(bus, kA), nullptr);
            EXPECT_EQ(SwitchProtocol::selectPort(nodeOf(bus, kB), 1, 1), 0);
            EXPECT_EQ(b->activePort(), 1);
            bus.sim.unplug(kB);
            break;
        }
        case 1: { // B vanishes in the middle of its status exchange
            b->setReportHook([&bus](const SimReport &r) {
                if (r.interfaceIndex == 1 && r.bytes[1] == 0x06)
                    bus.sim.unplug(kB);
            });
            const auto lost = SwitchProtocol::query(bus.registry, nodeOf(bus, kB),
                                                    SwitchProtocol::QueryFirmwareVersion, &status);
            EXPECT_FALSE(lost);
            EXPECT_NE(status, 0);
            bus.sim.unplug(kA);
            break;
        }
        case 2: { // both go before anybody hears of it: the stale nodes must refuse commands
            IOWarriorListNodeStruct *staleA = nodeOf(bus, kA);
            bus.sim.unplug(kA);
            bus.sim.unplug(kB);
            const int result = SwitchProtocol::selectPort(staleA, 2, 2);
            EXPECT_NE(result, 0);
            failedOnGoneSwitch += result != 0;
            break;
        }
        case 3: { // A is pulled and put back before the notifications arrive
            bus.sim.unplug(kA);
            a = bus.sim.plug(kA, 1);
            bus.settle();
            ASSERT_TRUE(bus.consistent());
            EXPECT_EQ(SwitchProtocol::selectPort(nodeOf(bus, kA), 3, 3), 0);
            EXPECT_EQ(a->activePort(), 3);
            bus.sim.unplug(kB);
            bus.sim.unplug(kA);
            break;
        }
        case 4: { // unplugged while the port select is being received
            a->setReportHook([&bus](const SimReport &r) {
                if (r.interfaceIndex == 1 && r.bytes[2] == 0x0B)
                    bus.sim.unplug(kA);
            });
            SwitchProtocol::selectPort(nodeOf(bus, kA), 0, 0);
            EXPECT_NE(SwitchProtocol::selectPort(nodeOf(bus, kA), 1, 1), 0);
            bus.sim.unplug(kB);
            break;
        }
        }
        bus.settle();
        ASSERT_TRUE(bus.consistent());
        ASSERT_TRUE(bus.registry.allDevices().isEmpty());
    }
    EXPECT_EQ(commandsSent, 1000);
    EXPECT_EQ(failedOnGoneSwitch, 200);
    EXPECT_EQ(IOWarriorCountInterfaces(), 0);
}
