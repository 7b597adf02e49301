// Port commands and rotation on a simulated switch: the period made usable, the visiting order
// in exact reports, commands and steps behind the device gate, another program on the switch.
// Timer firings are driven by hand.
#include "switch/PortRotation.h"

#include "LockHolder.h"
#include "SwitchBus.h"
#include "switch/DeviceGate.h"
#include "switch/SwitchProtocol.h"

#include <QSignalSpy>
#include <QTimer>

#include <cmath>
#include <limits>
#include <optional>

namespace {

using Selects = std::vector<std::pair<int, int>>; // {machine, usb}

// The standard defaults, which hold the period, in a directory of this program's own, set
// before any test can open them.
[[maybe_unused]] const bool gPrivateConfig = [] {
    static QTemporaryDir config;
    return qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
}();

class PortRotationTest : public SwitchBus
{
protected:
    void SetUp() override
    {
        SwitchBus::SetUp();
        addressing.emplace([this] { return &registry; }, [this]() -> DefaultsStore & { return defaults; });
        rotation.emplace(*addressing);
        rotation->setPortCount(4);
        DefaultsStore::standard().removeObjectForKey(PortRotation::timeIntervalKey());
    }
    void TearDown() override
    {
        rotation.reset();
        SwitchBus::TearDown();
    }
    void fire() { ASSERT_TRUE(QMetaObject::invokeMethod(rotation->timer(), "timeout")); }
    // The port selects (09 03 0B m u) among the reports received.
    Selects selects() const
    {
        Selects out;
        for (const auto &r : sw->log())
            if (r.interfaceIndex == 1 && r.bytes[0] == 0x09 && r.bytes[1] == 0x03 && r.bytes[2] == 0x0B)
                out.push_back({r.bytes[3], r.bytes[4]});
        return out;
    }
    static Wire reportsOf(const Selects &selects)
    {
        Wire out;
        for (const auto &[machine, usb] : selects)
            out.push_back(hex({0x09, 0x03, 0x0B, std::uint8_t(machine), std::uint8_t(usb), 0, 0, 0}));
        return out;
    }

    std::optional<AddressedSwitches> addressing;
    std::optional<PortRotation> rotation;
};

} // namespace

// A hand-edited period of 0 would fire without pause; 1e308 used to overflow the timer's
// millisecond count to 0 and turn the rotation into a busy loop.
TEST_F(PortRotationTest, StoredPeriodsAreMadeUsable)
{
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<QJsonValue, double> periods[] = {{QJsonValue(), 30}, {"fast", 30},     {inf, 30},
                                                     {std::nan(""), 30}, {0, 1},           {-5, 1},
                                                     {2.5, 2.5},         {86400.5, 86400}, {1e308, 86400}};
    for (const auto &[stored, seconds] : periods)
        EXPECT_EQ(PortRotation::clampedInterval(stored), seconds) << stored.toDouble();
    const std::pair<double, int> timers[] = {{1e308, 86400000}, {0, 1000}, {12, 12000}};
    for (const auto &[stored, ms] : timers) {
        DefaultsStore::standard().setObjectForKey(PortRotation::timeIntervalKey(), stored);
        rotation->start();
        EXPECT_EQ(rotation->timer()->interval(), ms);
    }
    rotation->setInterval(-1); // a period given by tarvexctl is held to the same bounds
    EXPECT_EQ(rotation->interval(), 1.0);
}

TEST_F(PortRotationTest, RotationVisitsThePortsAndEndsWithAFinalSelect)
{
    const struct {
        int ports, activePort;
        Selects steps, final;
        int count; // of steps; 0: until stopped
    } cases[] = {
        {4, 1, {{2, 1}, {3, 1}, {0, 1}, {1, 1}, {2, 1}}, {{2, 2}}, 0},
        {2, 0, {{1, 0}, {0, 0}, {1, 0}}, {{1, 1}}, 0},
        // No port count known: the counter stays on real ports instead of running past them.
        {0, 2, {{0, 2}, {0, 2}}, {{0, 0}}, 0},
        // A counted rotation ends by itself, with the final select too.
        {4, 0, {{1, 0}, {2, 0}}, {{2, 2}}, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.ports << " ports, count " << c.count);
        rotation->setPortCount(std::uint32_t(c.ports));
        sw->setActivePort(c.activePort);
        QSignalSpy stepped(&*rotation, &PortRotation::stepped);
        QSignalSpy finished(&*rotation, &PortRotation::finished);
        c.count ? rotation->start(c.count) : rotation->toggle();
        EXPECT_EQ(rotation->timer()->interval(), 30000);
        sw->clearLog();
        for (std::size_t step = 0; step < c.steps.size(); ++step)
            fire();
        if (!c.count)
            rotation->toggle(); // stop: the USB connection follows the shown computer
        Selects all = c.steps;
        all.insert(all.end(), c.final.begin(), c.final.end());
        EXPECT_EQ(wire(), reportsOf(all));
        EXPECT_EQ(std::size_t(stepped.size()), c.steps.size());
        EXPECT_EQ(finished.size(), c.count ? 1 : 0);
        EXPECT_FALSE(rotation->isRunning());
    }
}

TEST_F(PortRotationTest, CommandsAndStepsWaitBehindTheGate)
{
    rotation->start();
    rotation->selectPort(4); // ends the rotation without its final select
    EXPECT_FALSE(rotation->isRunning());
    EXPECT_EQ(selects(), (Selects{{3, 3}}));
    sw->clearLog();
    rotation->start();
    DeviceGate::instance().begin(QStringLiteral("test"));
    fire(); // queued, then void: the rotation ends before the gate opens
    rotation->stop();
    rotation->selectPort(2);
    rotation->toggle(); // starts a new rotation after the select
    EXPECT_TRUE(selects().empty());
    DeviceGate::instance().end();
    EXPECT_EQ(selects(), (Selects{{1, 1}}));
    EXPECT_TRUE(rotation->isRunning());
    // Nothing selected: nothing is sent, but the counter goes on.
    defaults.removeObjectForKey("Selected Switch");
    sw->clearLog();
    const int before = gActiveMachine;
    rotation->step();
    rotation->selectPort(1);
    EXPECT_TRUE(sw->log().empty());
    EXPECT_EQ(gActiveMachine, (before + 1) % 4);
}

// Another program writing firmware: nothing is sent, queued or retried, and a rotation ends
// at its first step, where the switch is.
TEST_F(PortRotationTest, ASwitchHeldElsewhereRefusesCommandsAndEndsTheRotation)
{
    QSignalSpy refused(&*rotation, &PortRotation::refused);
    QSignalSpy selectedPorts(&*rotation, &PortRotation::portSelected);
    sw->setActivePort(2);
    {
        LockHolder other("00001001", SwitchLock::Purpose::FirmwareTransfer);
        rotation->selectPort(2);
        rotation->toggle(); // its active-port question is refused too
        EXPECT_TRUE(rotation->isRunning());
        const int shown = gActiveMachine;
        fire();
        EXPECT_FALSE(rotation->isRunning());
        EXPECT_EQ(gActiveMachine, shown);
        EXPECT_TRUE(sw->log().empty() && selectedPorts.isEmpty());
        ASSERT_EQ(refused.size(), 3);
        EXPECT_EQ(SwitchProtocol::statusText(refused[0][0].toInt()),
                  "the switch is busy: a firmware upgrade is running in another program");
    }
    rotation->selectPort(2);
    EXPECT_EQ(selects(), (Selects{{1, 1}}));
}

// "Switch Together": a Pro DVI SL on port 2 and a mini on port 1 rotate in lockstep, each over
// its own ports, and both let their USB connection follow at the end; a port command the mini
// cannot take is said once per command, and the SL still switches.
TEST_F(PortRotationTest, SwitchesTogetherRotateInLockstep)
{
    const auto sl = sw;
    plug("00001002", 2);
    const auto mini = std::exchange(sw, sl);
    defaults.setObjectForKey("Switch Together", true);
    sl->setActivePort(1);
    QSignalSpy skipped(&*rotation, &PortRotation::skipped);
    rotation->toggle();
    EXPECT_EQ(rotation->rotatingSerials(), (QStringList{"00001001", "00001002"}));
    sl->clearLog();
    mini->clearLog();
    for (int step = 0; step < 3; ++step)
        fire();
    rotation->toggle();
    EXPECT_EQ(selects(), (Selects{{2, 1}, {3, 1}, {0, 1}, {0, 0}}));
    sw = mini;
    EXPECT_EQ(selects(), (Selects{{1, 0}, {0, 0}, {1, 0}, {1, 1}}));
    mini->clearLog();
    rotation->selectPort(3);
    EXPECT_TRUE(selects().empty());
    ASSERT_EQ(skipped.size(), 1);
    EXPECT_EQ(skipped[0][0].toStringList(), QStringList{"Tarvex mini 00001002 has no port 3"});
    sw = sl;
    EXPECT_EQ(selects().back(), std::make_pair(2, 2));
}
