// The switch registry: which interfaces become entries, the set-up report on refresh, and
// the status exchange's wire bytes (its failures: SwitchProtocolTest, PlugCycleStressTest).
#include "UsbTestSupport.h"

#include "usb/IOWarriorController.h"

#include <cerrno>

namespace {
std::chrono::steady_clock::time_point gNow; // virtual time: only the exchange's pauses move it
}

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
    sim.plug("D")->failNextWrite(EPIPE); // listed although its set-up failed
    EXPECT_EQ(stderrOf([&] { registry.findAttachedDevices(); }),
              "Could not write setReport on hid device interface - Broken pipe(20,32)\n");
    ASSERT_EQ(registry.allDevices().size(), 3);
    EXPECT_EQ(registry.deviceWithSerial("A"), IOWarriorInterfaceListNodeAtIndex(1));
    EXPECT_EQ(registry.deviceWithSerial("B"), IOWarriorInterfaceListNodeAtIndex(7));
    EXPECT_EQ(registry.deviceWithSerial("D"), IOWarriorInterfaceListNodeAtIndex(9));
    for (const QString &missing : {QString(), QString(""), QString("C"), QString("E")})
        EXPECT_EQ(registry.deviceWithSerial(missing), nullptr) << missing.toStdString();
    for (const auto &sw : {a, b, twin}) {
        ASSERT_EQ(sw->log().size(), 1u);
        EXPECT_EQ(sw->log()[0].interfaceIndex, 1);
        EXPECT_EQ(sw->log()[0].bytes, (Bytes{0x08, 0x01, 0x03, 0, 0, 0, 0, 0}));
    }
    EXPECT_TRUE(other->log().empty());

    sim.unplug("A");
    QCoreApplication::processEvents();
    registry.findAttachedDevices();
    EXPECT_EQ(registry.deviceWithSerial("A"), nullptr);
    EXPECT_EQ(registry.allDevices().size(), 2);
}

TEST_F(IOWarriorControllerTest, StatusExchangeSendsRequestThenTransferThenReads)
{
    auto a = sim.plug("A", 3, 1, 4);
    registry.findAttachedDevices();
    a->clearLog();
    IOWarriorController::setPause([](std::chrono::microseconds pause) { gNow += pause; });
    a->setClock([] { return gNow; });
    auto *node = registry.deviceWithSerial("A");
    SwitchStatusRecord id;
    id.queryCode = 0x103; // only the low bytes travel; the caller's extra bytes pass through
    id.queryArgument = 0x1FF;
    id.request[4] = 0xA4;
    id.request[6] = 0xA6;
    EXPECT_EQ(registry.readValueFromIOWarrior(node, id), 0);
    EXPECT_EQ(id.result, 0);
    EXPECT_EQ(id.queryCode, 0x103);
    EXPECT_EQ(id.reply[4], 3);
    ASSERT_EQ(a->log().size(), 2u);
    EXPECT_EQ(a->log()[0].bytes, (Bytes{0x09, 0x02, 0x03, 0xFF, 0xA4, 0, 0xA6, 0}));
    EXPECT_EQ(a->log()[1].bytes, (Bytes{0x09, 0x06, 0x07, 0xFF, 0xA4, 0, 0xA6, 0}));
    SwitchStatusRecord version; // query 0: firmware version
    EXPECT_EQ(registry.readValueFromIOWarrior(node, version), 0);
    EXPECT_EQ(version.reply[4], 1);
    EXPECT_EQ(version.reply[5], 4);
    IOWarriorController::setPause(nullptr);
    // The switch needs 1 ms after the request, and 1 ms each after the transfer and the read.
    ASSERT_EQ(a->log().size(), 4u);
    EXPECT_EQ(a->log()[1].at - a->log()[0].at, std::chrono::milliseconds(1));
    EXPECT_EQ(a->log()[2].at - a->log()[1].at, std::chrono::milliseconds(2));
}
