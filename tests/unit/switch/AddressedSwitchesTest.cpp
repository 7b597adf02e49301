// Which switches a command addresses, and a port command to several: a Tarvex Pro DVI SL
// (00001001, selected) and a Tarvex mini (00001002) on the simulated bus.
#include "switch/AddressedSwitches.h"

#include "LockHolder.h"
#include "SwitchBus.h"

namespace {

using Scope = AddressedSwitches::Scope;
using Gap = AddressedSwitches::Gap;

class AddressedSwitchesTest : public SwitchBus
{
protected:
    void SetUp() override
    {
        SwitchBus::SetUp();
        const auto sl = sw;
        plug("00001002", 2);
        mini = std::exchange(sw, sl);
        defaults.setObjectForKey("Selected Switch", "00001001");
    }
    QStringList serials(const AddressedSwitches::Decision &d) const
    {
        QStringList out;
        for (const auto &t : d.targets)
            out << t.serial;
        return out;
    }

    AddressedSwitches addressing{[this] { return &registry; }, [this]() -> DefaultsStore & { return defaults; }};
    std::shared_ptr<tarvex::SimulatedSwitch> mini;
};

} // namespace

// A file without "Switch Together" (or with anything but true) means what it meant before.
TEST_F(AddressedSwitchesTest, DecidesBetweenTheSelectedOneTheNamedOneAndAll)
{
    const QJsonValue absent;
    const struct {
        Scope scope;
        QJsonValue together, selected;
        QString serial;
        bool takeOnly;
        QStringList targets;
        Gap gap;
    } cases[] = {
        {Scope::Choice, absent, "00001001", {}, false, {"00001001"}, Gap::None},
        {Scope::Choice, "true", "00001002", {}, false, {"00001002"}, Gap::None},
        {Scope::Choice, true, "00001002", {}, false, {"00001001", "00001002"}, Gap::None},
        {Scope::Selected, true, "00001002", {}, false, {"00001002"}, Gap::None},
        {Scope::All, false, absent, {}, false, {"00001001", "00001002"}, Gap::None},
        {Scope::Serial, true, "00001001", "00001002", false, {"00001002"}, Gap::None},
        {Scope::Serial, absent, "00001001", "00009999", true, {}, Gap::SerialAbsent},
        {Scope::Choice, absent, "00009999", {}, true, {}, Gap::SelectedAbsent},
        {Scope::Choice, absent, absent, {}, true, {}, Gap::NoneChosen},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.scope) << " " << c.selected.toString().toStdString());
        defaults.setObjectForKey("Switch Together", c.together);
        defaults.setObjectForKey("Selected Switch", c.selected);
        addressing.setScope(c.scope, c.serial);
        addressing.setTakesTheOnlySwitch(c.takeOnly);
        const auto d = addressing.decide();
        EXPECT_EQ(serials(d), c.targets);
        EXPECT_EQ(d.together, c.targets.size() == 2);
        EXPECT_EQ(d.gap, c.gap);
    }
    // One switch attached: tarvexctl takes it when the choice names none that is here.
    sim.unplug("00001002");
    QCoreApplication::processEvents();
    registry.findAttachedDevices();
    EXPECT_EQ(serials(addressing.decide()), QStringList{"00001001"});
}

// Each switch under its own lock, in order: one that lacks the port or is held elsewhere gets
// nothing and says why; the others still switch.
TEST_F(AddressedSwitchesTest, APortCommandGoesToEachSwitchThatCanTakeIt)
{
    addressing.setScope(Scope::All);
    const struct {
        int port;
        bool miniHeld;
        Wire sl, mini;
        QStringList failures;
    } cases[] = {
        {2, false, {"09 03 0B 01 01 00 00 00"}, {"09 03 0B 01 01 00 00 00"}, {}},
        {3, false, {"09 03 0B 02 02 00 00 00"}, {}, {"Tarvex mini 00001002 has no port 3"}},
        {1, true, {"09 03 0B 00 00 00 00 00"}, {}, {"00001002: the switch is busy: a firmware upgrade is running in another program"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.port);
        std::optional<LockHolder> other;
        if (c.miniHeld)
            other.emplace("00001002", SwitchLock::Purpose::FirmwareTransfer);
        for (const auto &t : addressing.decide().targets)
            addressing.portCount(t); // asked once, then known: the wire below holds the selects only
        sw->clearLog();
        mini->clearLog();
        const auto results = addressing.selectPort(addressing.decide().targets, c.port, true);
        EXPECT_EQ(AddressedSwitches::failureTexts(results), c.failures);
        EXPECT_EQ(wire(), c.sl);
        std::swap(sw, mini);
        EXPECT_EQ(wire(), c.mini);
        std::swap(sw, mini);
    }
}
