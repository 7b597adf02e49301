// The switch registry: which interfaces become entries, the set-up report on refresh, the
// shared instance, and the status exchange's wire bytes and failure paths.
#include "UsbTestSupport.h"

#include "usb/IOWarriorController.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

using tarvex::SimulatedSwitch;

class IOWarriorControllerTest : public UsbLayerTest
{
protected:
    IOWarriorController registry;
};

TEST_F(IOWarriorControllerTest, OneEntryPerSwitchByControlInterfaceEachSetUpLaterDuplicateWins)
{
    auto a = sim.plug("A");
    auto b = sim.plug("B", 2);
    auto other = sim.plugChip(0x1214, 0x1511, std::string("C"));
    auto twin = sim.plug("B", 3);
    registry.findAttachedDevices();
    ASSERT_EQ(registry.allDevices().size(), 2);
    EXPECT_EQ(registry.deviceWithSerial("A"), IOWarriorInterfaceListNodeAtIndex(1));
    EXPECT_EQ(registry.deviceWithSerial("B"), IOWarriorInterfaceListNodeAtIndex(7));
    for (const QString &missing : {QString(), QString(""), QString("C"), QString("D")})
        EXPECT_EQ(registry.deviceWithSerial(missing), nullptr) << missing.toStdString();
    for (const auto &sw : {a, b, twin}) {
        ASSERT_EQ(sw->log().size(), 1u);
        EXPECT_EQ(sw->log()[0].interfaceIndex, 1);
        EXPECT_EQ(sw->log()[0].bytes, (Bytes{0x08, 0x01, 0x03, 0, 0, 0, 0, 0}));
    }
    EXPECT_TRUE(other->log().empty());
}

TEST_F(IOWarriorControllerTest, RefreshDropsUnpluggedSwitchesAndListsOnesWhoseSetUpFailed)
{
    sim.plug("A");
    auto b = sim.plug("B");
    registry.findAttachedDevices();
    ASSERT_NE(registry.deviceWithSerial("A"), nullptr);
    sim.unplug("A");
    deliverNotifications();
    b->clearLog();
    b->failNextWrite(EPIPE);
    EXPECT_EQ(stderrOf([&] { registry.findAttachedDevices(); }),
              "Could not write setReport on hid device interface - Broken pipe(20,32)\n");
    EXPECT_EQ(registry.deviceWithSerial("A"), nullptr);
    ASSERT_NE(registry.deviceWithSerial("B"), nullptr);
    EXPECT_EQ(registry.deviceWithSerial("B")->interfaceKind, 3);
}

TEST_F(IOWarriorControllerTest, StatusExchangeSendsRequestThenTransferThenReads)
{
    auto a = sim.plug("A", 3, 1, 4);
    registry.findAttachedDevices();
    a->clearLog();
    auto *node = registry.deviceWithSerial("A");

    SwitchStatusRecord id;
    id.queryCode = 0x103; // only the low bytes travel; the caller's extra bytes pass through
    id.queryArgument = 0x1FF;
    id.request[4] = 0xA4;
    id.request[6] = 0xA6;
    EXPECT_EQ(registry.readValueFromIOWarrior(node, id), 0);
    EXPECT_EQ(id.result, 0);
    EXPECT_EQ(id.queryCode, 0x103);
    EXPECT_EQ(id.queryArgument, 0x1FF);
    EXPECT_EQ(id.reply[4], 3);
    ASSERT_EQ(a->log().size(), 2u);
    EXPECT_EQ(a->log()[0].bytes, (Bytes{0x09, 0x02, 0x03, 0xFF, 0xA4, 0, 0xA6, 0}));
    EXPECT_EQ(a->log()[1].bytes, (Bytes{0x09, 0x06, 0x07, 0xFF, 0xA4, 0, 0xA6, 0}));

    SwitchStatusRecord version; // query 0: firmware version
    EXPECT_EQ(registry.readValueFromIOWarrior(node, version), 0);
    EXPECT_EQ(version.reply[4], 1);
    EXPECT_EQ(version.reply[5], 4);
}

struct ExchangeFault {
    const char *name;
    std::function<void(SimulatedSwitch &, tarvex::SimHidPlatform &)> inject;
    int status;
    std::size_t reportsSent;
};

class FailedExchange : public IOWarriorControllerTest, public ::testing::WithParamInterface<ExchangeFault>
{
};

TEST_P(FailedExchange, FailsAtOnceAndLeavesTheReplyUntouched)
{
    auto a = sim.plug("A");
    registry.findAttachedDevices();
    a->clearLog();
    GetParam().inject(*a, sim);
    SwitchStatusRecord record;
    record.queryCode = 3;
    std::memset(record.reply, 0x5A, sizeof record.reply);
    const std::string said = stderrOf(
        [&] { EXPECT_EQ(registry.readValueFromIOWarrior(registry.deviceWithSerial("A"), record), -1); });
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_EQ(record.result, GetParam().status);
    for (std::uint8_t b : record.reply)
        EXPECT_EQ(b, 0x5A);
    EXPECT_EQ(a->log().size(), GetParam().reportsSent);
    a->setReportHook(nullptr);
}

// Unplugs the chip once it has received a report with this second byte.
std::function<void(SimulatedSwitch &, tarvex::SimHidPlatform &)> unplugAfter(std::uint8_t byte1)
{
    return [byte1](SimulatedSwitch &sw, tarvex::SimHidPlatform &sim) {
        sw.setReportHook([byte1, &sim](const tarvex::SimReport &r) {
            if (r.bytes[1] == byte1)
                sim.unplug("A");
        });
    };
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FailedExchange,
    ::testing::Values(
        ExchangeFault{"RequestWriteFails", [](SimulatedSwitch &sw, auto &) { sw.failNextWrite(EIO); }, EIO, 0},
        ExchangeFault{"ReadNeverAnswers", [](SimulatedSwitch &sw, auto &) { sw.setReadNeverAnswers(true); },
                      ETIMEDOUT, 2},
        ExchangeFault{"UnplugBetweenTheWrites", unplugAfter(0x02), ENODEV, 1},
        ExchangeFault{"UnplugBeforeTheRead", unplugAfter(0x06), ENODEV, 2}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(IOWarriorControllerShared, FirstLiveInstanceIsSharedAndClearedOnItsDestruction)
{
    EXPECT_EQ(IOWarriorController::sharedApplication(), nullptr);
    auto *first = new IOWarriorController;
    {
        IOWarriorController second;
        EXPECT_EQ(IOWarriorController::sharedApplication(), first);
    }
    EXPECT_EQ(IOWarriorController::sharedApplication(), first);
    delete first;
    EXPECT_EQ(IOWarriorController::sharedApplication(), nullptr);
    IOWarriorController third;
    EXPECT_EQ(IOWarriorController::sharedApplication(), &third);
}
