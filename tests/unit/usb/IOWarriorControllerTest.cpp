// The switch registry: which interfaces become entries, the set-up report on refresh, the
// shared instance, and the status exchange's wire bytes and failure paths.
#include "UsbTestSupport.h"

#include "usb/IOWarriorController.h"
#include "usb/SwitchReports.h"

#include <cerrno>
#include <cstring>

namespace {

const Bytes kModeSetUp{0x08, 0x01, 0x03, 0, 0, 0, 0, 0};

SwitchStatusRecord recordWithReplyPattern(std::int32_t code)
{
    SwitchStatusRecord record;
    record.queryCode = code;
    std::memset(record.reply, 0x5A, sizeof record.reply);
    return record;
}

bool replyUntouched(const SwitchStatusRecord &record)
{
    for (std::uint8_t b : record.reply) {
        if (b != 0x5A)
            return false;
    }
    return true;
}

} // namespace

class IOWarriorControllerTest : public UsbLayerTest
{
protected:
    IOWarriorController registry;
};

TEST_F(IOWarriorControllerTest, OneEntryPerSwitchOnItsControlInterfaceWithSetUpReport)
{
    auto a = sim.plug("A");
    auto b = sim.plug("B", 2);
    auto other = sim.plugChip(0x1214, 0x1511, std::string("C"));
    registry.findAttachedDevices();
    ASSERT_EQ(registry.allDevices().size(), 2);
    EXPECT_EQ(registry.deviceWithSerial("A"), IOWarriorInterfaceListNodeAtIndex(1));
    EXPECT_EQ(registry.deviceWithSerial("B"), IOWarriorInterfaceListNodeAtIndex(3));
    EXPECT_EQ(registry.deviceWithSerial("C"), nullptr);
    for (const auto &sw : {a, b}) {
        ASSERT_EQ(sw->log().size(), 1u);
        EXPECT_EQ(sw->log()[0].interfaceIndex, 1);
        EXPECT_EQ(sw->log()[0].bytes, kModeSetUp);
        EXPECT_TRUE(sw->modeSetUp());
    }
    EXPECT_TRUE(other->log().empty());
}

TEST_F(IOWarriorControllerTest, NoSerialOrUnknownSerialGivesNull)
{
    sim.plug("A");
    registry.findAttachedDevices();
    EXPECT_EQ(registry.deviceWithSerial(QString()), nullptr);
    EXPECT_EQ(registry.deviceWithSerial(QString("")), nullptr);
    EXPECT_EQ(registry.deviceWithSerial("B"), nullptr);
}

TEST_F(IOWarriorControllerTest, DuplicateSerialLaterInTheListWins)
{
    sim.plug("SAME", 1);
    sim.plug("SAME", 3);
    registry.findAttachedDevices();
    ASSERT_EQ(registry.allDevices().size(), 1);
    EXPECT_EQ(registry.deviceWithSerial("SAME"), IOWarriorInterfaceListNodeAtIndex(3));
}

TEST_F(IOWarriorControllerTest, UnpluggedSwitchIsGoneAfterTheNextRefresh)
{
    sim.plug("A");
    auto b = sim.plug("B");
    registry.findAttachedDevices();
    ASSERT_NE(registry.deviceWithSerial("A"), nullptr);
    sim.unplug("A");
    deliverNotifications();
    b->clearLog();
    registry.findAttachedDevices();
    EXPECT_EQ(registry.deviceWithSerial("A"), nullptr);
    ASSERT_NE(registry.deviceWithSerial("B"), nullptr);
    EXPECT_EQ(registry.deviceWithSerial("B")->interfaceKind, 3);
    EXPECT_EQ(b->log().size(), 1u); // the surviving switch is set up again
}

TEST_F(IOWarriorControllerTest, SwitchWhoseSetUpFailedIsListedAnyway)
{
    auto a = sim.plug("A");
    a->failNextWrite(EPIPE);
    StderrCapture err;
    registry.findAttachedDevices();
    EXPECT_EQ(err.text(), "Could not write setReport on hid device interface - Broken pipe(20,32)\n");
    EXPECT_NE(registry.deviceWithSerial("A"), nullptr);
}

TEST_F(IOWarriorControllerTest, StatusExchangeSendsRequestThenTransferThenReads)
{
    auto a = sim.plug("A", 3, 1, 4);
    registry.findAttachedDevices();
    a->clearLog();
    auto *node = registry.deviceWithSerial("A");

    SwitchStatusRecord id;
    id.queryCode = 0x103; // only the low byte travels
    EXPECT_EQ(registry.readValueFromIOWarrior(node, id), 0);
    EXPECT_EQ(id.result, 0);
    EXPECT_EQ(id.queryCode, 0x103);
    EXPECT_EQ(id.reply[4], 3);
    ASSERT_EQ(a->log().size(), 2u);
    EXPECT_EQ(a->log()[0].bytes, (Bytes{0x09, 0x02, 0x03, 0x00, 0, 0, 0, 0}));
    EXPECT_EQ(a->log()[1].bytes, (Bytes{0x09, 0x06, 0x07, 0x00, 0, 0, 0, 0}));

    SwitchStatusRecord version;
    version.queryCode = 0; // firmware version
    EXPECT_EQ(registry.readValueFromIOWarrior(node, version), 0);
    EXPECT_EQ(version.reply[4], 1);
    EXPECT_EQ(version.reply[5], 4);

    const auto select = SwitchReports::portSelect(2, 2);
    ASSERT_EQ(IOWarriorWriteToInterface(node->hidInterface, 8, select.data()), 0);
    SwitchStatusRecord port;
    port.queryCode = 2;
    EXPECT_EQ(registry.readValueFromIOWarrior(node, port), 0);
    EXPECT_EQ(port.reply[4], 2);
}

TEST_F(IOWarriorControllerTest, FailedFirstWriteLeavesReplyUntouched)
{
    auto a = sim.plug("A");
    registry.findAttachedDevices();
    a->clearLog();
    a->failNextWrite(EIO);
    SwitchStatusRecord record = recordWithReplyPattern(3);
    StderrCapture err;
    EXPECT_EQ(registry.readValueFromIOWarrior(registry.deviceWithSerial("A"), record), -1);
    err.text();
    EXPECT_EQ(record.result, EIO);
    EXPECT_TRUE(replyUntouched(record));
    EXPECT_TRUE(a->log().empty()); // stopped at once: no transfer report, no read
}

TEST_F(IOWarriorControllerTest, FailedReadLeavesReplyUntouched)
{
    auto a = sim.plug("A");
    registry.findAttachedDevices();
    a->setReadNeverAnswers(true);
    SwitchStatusRecord record = recordWithReplyPattern(3);
    StderrCapture err;
    EXPECT_EQ(registry.readValueFromIOWarrior(registry.deviceWithSerial("A"), record), -1);
    EXPECT_EQ(err.text(), "Could not call getReport on hid device interface - Connection timed out(6e,110)\n");
    EXPECT_EQ(record.result, ETIMEDOUT);
    EXPECT_TRUE(replyUntouched(record));
}

TEST_F(IOWarriorControllerTest, UnplugBetweenTheWritesAndTheReadFailsTheExchange)
{
    auto a = sim.plug("A");
    registry.findAttachedDevices();
    a->clearLog();
    a->setReportHook([this](const tarvex::SimReport &report) {
        if (report.bytes[1] == 0x06)
            sim.unplug("A");
    });
    SwitchStatusRecord record = recordWithReplyPattern(0);
    StderrCapture err;
    EXPECT_EQ(registry.readValueFromIOWarrior(registry.deviceWithSerial("A"), record), -1);
    err.text();
    EXPECT_EQ(record.result, ENODEV);
    EXPECT_TRUE(replyUntouched(record));
    EXPECT_EQ(a->log().size(), 2u);
    a->setReportHook(nullptr);
}

TEST_F(IOWarriorControllerTest, CallerRequestBytesPassThroughAndTheEighthByteIsZero)
{
    auto a = sim.plug("A");
    registry.findAttachedDevices();
    a->clearLog();
    SwitchStatusRecord record;
    record.queryCode = 3;
    record.queryArgument = 0x1FF;
    record.request[4] = 0xA4;
    record.request[6] = 0xA6;
    ASSERT_EQ(registry.readValueFromIOWarrior(registry.deviceWithSerial("A"), record), 0);
    EXPECT_EQ(a->log()[0].bytes, (Bytes{0x09, 0x02, 0x03, 0xFF, 0xA4, 0, 0xA6, 0}));
    EXPECT_EQ(a->log()[1].bytes, (Bytes{0x09, 0x06, 0x07, 0xFF, 0xA4, 0, 0xA6, 0}));
    EXPECT_EQ(record.queryArgument, 0x1FF);
}

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
