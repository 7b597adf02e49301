// A switch unplugged at every phase of an exchange: during a port select, after the first
// and after the second write of a status exchange (before its read). Each must end in a
// reported failure, never a success, with nothing crashing, and the program must work
// again with the switch plugged back in.
#include "StressBus.h"

#include "switch/SwitchProtocol.h"

#include <gtest/gtest.h>

using namespace tarvex;
using namespace tarvex::stress;

namespace {

const std::string kSerial = SimHidPlatform::defaultSerial(0);

class UnplugPhase : public ::testing::Test
{
protected:
    IOWarriorListNodeStruct *node()
    {
        return bus.registry.deviceWithSerial(QString::fromStdString(kSerial));
    }

    // Unplugs the switch right after it received its `n`-th report on the control interface.
    void unplugAfterReport(int n)
    {
        auto counter = std::make_shared<int>(0);
        sw->setReportHook([this, counter, n](const SimReport &r) {
            if (r.interfaceIndex == 1 && ++*counter == n)
                bus.sim.unplug(kSerial);
        });
    }

    // Back in: the registry finds it again and both commands work.
    void expectUsableAfterReplug()
    {
        bus.settle();
        EXPECT_TRUE(bus.consistent());
        EXPECT_EQ(node(), nullptr);
        sw = bus.sim.plug(kSerial, 1);
        bus.settle();
        ASSERT_TRUE(bus.consistent());
        ASSERT_NE(node(), nullptr);
        EXPECT_EQ(SwitchProtocol::selectPort(node(), 2, 2), 0);
        EXPECT_EQ(sw->activePort(), 2);
        const auto record = SwitchProtocol::query(bus.registry, node(), SwitchProtocol::QueryActivePort);
        ASSERT_TRUE(record);
        EXPECT_EQ(SwitchProtocol::activePortFromRecord(*record), 2);
    }

    void SetUp() override
    {
        sw = bus.sim.plug(kSerial, 1);
        bus.settle();
        ASSERT_NE(node(), nullptr);
        sw->clearLog();
    }

    StressBus bus;
    std::shared_ptr<SimulatedSwitch> sw;
};

} // namespace

TEST_F(UnplugPhase, DuringPortSelect)
{
    unplugAfterReport(1);
    IOWarriorListNodeStruct *stale = node();
    SwitchProtocol::selectPort(stale, 1, 1); // the report itself got there
    // Anything after it fails: the node is stale until the list is rebuilt.
    EXPECT_NE(SwitchProtocol::selectPort(stale, 2, 2), 0);
    expectUsableAfterReplug();
}

TEST_F(UnplugPhase, StatusExchangeBetweenTheTwoWrites)
{
    unplugAfterReport(1);
    int status = 0;
    const auto record = SwitchProtocol::query(bus.registry, node(), SwitchProtocol::QueryFirmwareVersion, &status);
    EXPECT_FALSE(record);
    EXPECT_NE(status, 0);
    ASSERT_EQ(sw->log().size(), 1u); // the query transfer never went out
    expectUsableAfterReplug();
}

TEST_F(UnplugPhase, StatusExchangeBeforeTheRead)
{
    unplugAfterReport(2);
    int status = 0;
    const auto record = SwitchProtocol::query(bus.registry, node(), SwitchProtocol::QuerySwitchID, &status);
    EXPECT_FALSE(record);
    EXPECT_NE(status, 0);
    EXPECT_EQ(sw->log().size(), 2u);
    expectUsableAfterReplug();
}

TEST_F(UnplugPhase, RegistryRefreshWhileTheSwitchGoesDuringItsSetUp)
{
    // The mode set-up report of a refresh is the first thing a switch hears after a plug.
    auto other = std::make_shared<SimulatedSwitch>(SimHidPlatform::defaultSerial(1), 3);
    other->setReportHook([this](const SimReport &r) {
        if (r.interfaceIndex == 1 && r.bytes[0] == 0x08)
            bus.sim.unplug(SimHidPlatform::defaultSerial(1));
    });
    bus.sim.plug(other);
    bus.settle();
    EXPECT_TRUE(bus.consistent());
    EXPECT_EQ(bus.registry.allDevices().size(), 1);
    EXPECT_EQ(SwitchProtocol::selectPort(node(), 3, 3), 0);
    EXPECT_EQ(sw->activePort(), 3);
}
