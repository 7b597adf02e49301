// 1000 plug/unplug cycles of two simulated switches, A going away at every phase of an
// exchange (kPhases, and the set-up report of a refresh) or pulled and put back before the
// notifications arrive: a command to a gone switch fails at once, B keeps working, list and
// registry always agree.
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

// The simulated bus wired the way the programs wire it: every notification refreshes.
class StressBus
{
public:
    StressBus()
    {
        IOWarriorSetPlatform(&sim);
        EXPECT_EQ(IOWarriorInit(), 0);
        IOWarriorSetDeviceAddedCallback(&StressBus::refresh, this);
        IOWarriorSetDeviceRemovedCallback(&StressBus::refresh, this);
    }
    ~StressBus()
    {
        IOWarriorSetDeviceAddedCallback(nullptr, nullptr);
        IOWarriorSetDeviceRemovedCallback(nullptr, nullptr);
        IOWarriorClearInterfaceList();
        IOWarriorSetPlatform(nullptr);
    }
    void settle()
    {
        while (sim.pendingNotifications() > 0)
            QCoreApplication::processEvents();
    }
    IOWarriorListNodeStruct *node(const std::string &s) { return registry.deviceWithSerial(QString::fromStdString(s)); }

    // The registry lists exactly the attached switches, each by a control-interface node
    // of the current IOWarrior list.
    testing::AssertionResult consistent()
    {
        QStringList attached;
        for (const auto &sw : sim.attachedSwitches())
            attached << QString::fromStdString(sw->serial());
        attached.sort();
        const QStringList listed = registry.allDevices().keys(); // sorted
        const int count = IOWarriorCountInterfaces();
        if (attached != listed || count != 2 * attached.size())
            return testing::AssertionFailure() << "attached " << attached.join(',').toStdString() << ", " << count
                                               << " interfaces, registry lists " << listed.join(',').toStdString();
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
// which the test takes for the fault it is).
int queryStatus(StressBus &bus, IOWarriorListNodeStruct *node, std::int32_t code)
{
    int status = 0;
    return SwitchProtocol::query(bus.registry, node, code, &status) ? 0 : status;
}
int selectPort2(StressBus &, IOWarriorListNodeStruct *n) { return SwitchProtocol::selectPort(n, 2, 2); }

// A moment at which A goes away (after that many reports on its control interface), and
// the command that must then fail.
const struct Phase {
    const char *name;
    std::size_t unplugAfterReport;
    int (*command)(StressBus &, IOWarriorListNodeStruct *);
} kPhases[] = {
    {"before the command", 0, selectPort2},
    {"during a port select", 1, [](StressBus &bus, IOWarriorListNodeStruct *n) {
         SwitchProtocol::selectPort(n, 1, 1); // the report itself got there
         return selectPort2(bus, n);
     }},
    {"between the status writes", 1,
     [](StressBus &bus, IOWarriorListNodeStruct *n) { return queryStatus(bus, n, SwitchProtocol::QueryFirmwareVersion); }},
    {"before the status read", 2,
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

} // namespace

TEST(PlugCycleStress, ThousandCyclesWithAnUnplugAtEveryPhaseKeepListAndRegistryRight)
{
    StressBus bus;
    for (int cycle = 0; cycle < 1000; ++cycle) {
        SCOPED_TRACE(cycle);
        auto a = std::make_shared<SimulatedSwitch>(kA, 1);
        const int phase = cycle % 6;
        if (phase == 5) { // A goes during the set-up report of the refresh its plug causes
            a->setReportHook([&bus](const SimReport &r) {
                if (r.interfaceIndex == 1 && r.bytes[0] == 0x08)
                    bus.sim.unplug(kA);
            });
        }
        bus.sim.plug(a);
        auto b = bus.sim.plug(kB, 3);
        bus.settle();
        ASSERT_TRUE(bus.consistent());
        ASSERT_TRUE(b->modeSetUp());
        ASSERT_EQ(queryStatus(bus, bus.node(kB), SwitchProtocol::QueryActivePort), 0);
        if (phase < 4) {
            a->clearLog();
            unplugAfterReport(bus, *a, kPhases[phase].unplugAfterReport);
            EXPECT_NE(kPhases[phase].command(bus, bus.node(kA)), 0) << kPhases[phase].name;
            EXPECT_EQ(a->log().size(), kPhases[phase].unplugAfterReport) << kPhases[phase].name;
            bus.settle();
            ASSERT_TRUE(bus.consistent());
            EXPECT_EQ(bus.node(kA), nullptr);
        } else if (phase == 4) { // pulled and put back before the notifications arrive
            bus.sim.unplug(kA);
        }
        // However A went, plugged (back) in it works at once.
        if (!bus.sim.switchWithSerial(kA))
            a = bus.sim.plug(kA, 1);
        bus.settle();
        ASSERT_TRUE(bus.consistent());
        EXPECT_EQ(SwitchProtocol::selectPort(bus.node(kA), 2, 2), 0);
        EXPECT_EQ(a->activePort(), 2);
        EXPECT_EQ(SwitchProtocol::selectPort(bus.node(kB), 1, 1), 0);
        EXPECT_EQ(b->activePort(), 1);
        bus.sim.unplug(kA);
        bus.sim.unplug(kB);
        bus.settle();
        ASSERT_TRUE(bus.consistent());
        ASSERT_TRUE(bus.registry.allDevices().isEmpty());
    }
}
