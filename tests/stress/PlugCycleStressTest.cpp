// Simulated switches unplugged at every phase of an exchange, once each with a replug
// afterwards and 1000 times in plug/unplug cycles of two switches. A command to a gone
// switch must end in a reported failure, never a success; nothing may crash or leak (the
// asan build runs this too); list and registry must agree after every step.
#include "switch/SwitchProtocol.h"
#include "usb/IOWarriorController.h"
#include "usb/IOWarriorLib.h"
#include "usb/sim/SimHidPlatform.h"

#include <QCoreApplication>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

using namespace tarvex;

namespace {

// The simulated bus wired the way the programs wire it: every plug or unplug notification
// refreshes the registry.
class StressBus
{
public:
    StressBus()
    {
        IOWarriorSetPlatform(&sim);
        EXPECT_EQ(IOWarriorInit(), 0);
        IOWarriorSetDeviceAddedCallback(&StressBus::refresh, this);
        IOWarriorSetDeviceRemovedCallback(&StressBus::refresh, this);
        registry.findAttachedDevices();
    }
    ~StressBus()
    {
        IOWarriorSetDeviceAddedCallback(nullptr, nullptr);
        IOWarriorSetDeviceRemovedCallback(nullptr, nullptr);
        registry.findAttachedDevices(); // drops the borrowed nodes before the list goes
        IOWarriorClearInterfaceList();
        IOWarriorSetPlatform(nullptr);
    }

    void settle()
    {
        while (sim.pendingNotifications() > 0)
            QCoreApplication::processEvents();
    }

    IOWarriorListNodeStruct *node(const std::string &serial)
    {
        return registry.deviceWithSerial(QString::fromStdString(serial));
    }

    // The registry lists exactly the attached switches, each by a control-interface node
    // that is in the current IOWarrior list.
    testing::AssertionResult consistent()
    {
        QStringList attached;
        for (const auto &sw : sim.attachedSwitches())
            attached << QString::fromStdString(sw->serial());
        attached.sort();
        const QStringList listed = registry.allDevices().keys(); // sorted
        const int count = IOWarriorCountInterfaces();
        if (attached != listed || count != 2 * attached.size())
            return testing::AssertionFailure() << "attached " << attached.join(',').toStdString() << ", "
                                               << count << " interfaces, registry lists "
                                               << listed.join(',').toStdString();
        for (IOWarriorListNodeStruct *entry : registry.allDevices()) {
            bool inList = false; // compared before use: a stale node may be freed memory
            for (IOWarriorListNodeStruct *node = gIOWarriorList; node; node = node->next)
                inList = inList || node == entry;
            if (!inList || entry->interfaceKind != 3)
                return testing::AssertionFailure() << "an entry maps to a node outside the list";
        }
        return testing::AssertionSuccess();
    }

    SimHidPlatform sim;
    IOWarriorController registry;

private:
    static void refresh(void *self) { static_cast<StressBus *>(self)->registry.findAttachedDevices(); }
};

const std::string kA = SimHidPlatform::defaultSerial(0);
const std::string kB = SimHidPlatform::defaultSerial(1);

// 0, or the status a failed exchange reported (a failure without one comes out as 0 too,
// which the tests take for the fault it is).
int queryStatus(StressBus &bus, IOWarriorListNodeStruct *node, std::int32_t code)
{
    int status = 0;
    return SwitchProtocol::query(bus.registry, node, code, &status) ? 0 : status;
}

// A moment at which a switch goes away, and the command that must then fail.
struct Phase {
    const char *name;
    std::size_t unplugAfterReport; // on the control interface; 0: before the command
    int (*command)(StressBus &, IOWarriorListNodeStruct *);
};

const Phase kPhases[] = {
    {"BeforeAnybodyHearsOfIt", 0,
     [](StressBus &, IOWarriorListNodeStruct *n) { return SwitchProtocol::selectPort(n, 2, 2); }},
    {"DuringPortSelect", 1,
     [](StressBus &, IOWarriorListNodeStruct *n) {
         SwitchProtocol::selectPort(n, 1, 1); // the report itself got there
         return SwitchProtocol::selectPort(n, 2, 2);
     }},
    {"StatusExchangeBetweenTheTwoWrites", 1,
     [](StressBus &bus, IOWarriorListNodeStruct *n) { return queryStatus(bus, n, SwitchProtocol::QueryFirmwareVersion); }},
    {"StatusExchangeBeforeTheRead", 2,
     [](StressBus &bus, IOWarriorListNodeStruct *n) { return queryStatus(bus, n, SwitchProtocol::QuerySwitchID); }},
};

void unplugAfterReport(StressBus &bus, SimulatedSwitch &sw, std::size_t n)
{
    if (n == 0) {
        bus.sim.unplug(sw.serial());
        return;
    }
    auto heard = std::make_shared<std::size_t>(0);
    sw.setReportHook([&bus, heard, n, serial = sw.serial()](const SimReport &r) {
        if (r.interfaceIndex == 1 && ++*heard == n)
            bus.sim.unplug(serial);
    });
}

class UnplugPhase : public testing::TestWithParam<Phase>
{
};

} // namespace

TEST_P(UnplugPhase, CommandFailsAndTheSwitchWorksAgainWhenPluggedBackIn)
{
    StressBus bus;
    auto sw = bus.sim.plug(kA, 1);
    bus.settle();
    IOWarriorListNodeStruct *node = bus.node(kA);
    ASSERT_NE(node, nullptr);
    sw->clearLog();
    unplugAfterReport(bus, *sw, GetParam().unplugAfterReport);
    EXPECT_NE(GetParam().command(bus, node), 0);
    EXPECT_EQ(sw->log().size(), GetParam().unplugAfterReport);
    bus.settle();
    EXPECT_TRUE(bus.consistent());
    EXPECT_EQ(bus.node(kA), nullptr);

    sw = bus.sim.plug(kA, 1);
    bus.settle();
    ASSERT_TRUE(bus.consistent());
    EXPECT_EQ(SwitchProtocol::selectPort(bus.node(kA), 2, 2), 0);
    EXPECT_EQ(sw->activePort(), 2);
    const auto record = SwitchProtocol::query(bus.registry, bus.node(kA), SwitchProtocol::QueryActivePort);
    ASSERT_TRUE(record);
    EXPECT_EQ(SwitchProtocol::activePortFromRecord(*record), 2);
}

INSTANTIATE_TEST_SUITE_P(Stress, UnplugPhase, testing::ValuesIn(kPhases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(UnplugPhaseRefresh, SwitchGoneDuringItsSetUpReportIsNotListed)
{
    StressBus bus;
    auto sw = bus.sim.plug(kA, 1);
    // The mode set-up report of a refresh is the first thing a switch hears after a plug.
    auto other = std::make_shared<SimulatedSwitch>(kB, 3);
    other->setReportHook([&bus](const SimReport &r) {
        if (r.interfaceIndex == 1 && r.bytes[0] == 0x08)
            bus.sim.unplug(kB);
    });
    bus.sim.plug(other);
    bus.settle();
    EXPECT_TRUE(bus.consistent());
    EXPECT_EQ(bus.registry.allDevices().size(), 1);
    EXPECT_EQ(SwitchProtocol::selectPort(bus.node(kA), 3, 3), 0);
    EXPECT_EQ(sw->activePort(), 3);
}

TEST(PlugCycleStress, ThousandCyclesOfTwoSwitchesKeepListAndRegistryConsistent)
{
    StressBus bus;
    for (int cycle = 0; cycle < 1000; ++cycle) {
        SCOPED_TRACE(cycle);
        auto a = bus.sim.plug(kA, 1);
        auto b = bus.sim.plug(kB, 3);
        bus.settle();
        ASSERT_TRUE(bus.consistent());
        ASSERT_TRUE(a->modeSetUp() && b->modeSetUp());
        const int port = cycle % 4;
        ASSERT_EQ(SwitchProtocol::selectPort(bus.node(kA), port, port), 0);
        ASSERT_EQ(a->activePort(), port);
        ASSERT_EQ(queryStatus(bus, bus.node(kB), SwitchProtocol::QueryActivePort), 0);

        if (cycle % 5 == 4) { // A is pulled and put back before the notifications arrive
            bus.sim.unplug(kA);
            a = bus.sim.plug(kA, 1);
            bus.settle();
            ASSERT_TRUE(bus.consistent());
            EXPECT_EQ(SwitchProtocol::selectPort(bus.node(kA), 3, 3), 0);
            EXPECT_EQ(a->activePort(), 3);
        } else { // A goes at some phase of a command; B keeps working
            const Phase &phase = kPhases[cycle % 5];
            unplugAfterReport(bus, *a, phase.unplugAfterReport);
            EXPECT_NE(phase.command(bus, bus.node(kA)), 0) << phase.name;
            bus.settle();
            ASSERT_TRUE(bus.consistent());
            EXPECT_EQ(SwitchProtocol::selectPort(bus.node(kB), 1, 1), 0);
            EXPECT_EQ(b->activePort(), 1);
        }
        bus.sim.unplug(kA);
        bus.sim.unplug(kB);
        bus.settle();
        ASSERT_TRUE(bus.consistent());
        ASSERT_TRUE(bus.registry.allDevices().isEmpty());
    }
}
