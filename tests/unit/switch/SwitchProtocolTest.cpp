// The switch protocol: decoding of status answers, model names and port counts, and the
// exact bytes that reach a simulated switch for a port select and a status query.
#include "switch/SwitchProtocol.h"

#include "usb/IOWarriorController.h"
#include "usb/IOWarriorLib.h"
#include "usb/sim/SimHidPlatform.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <utility>
#include <vector>

using Bytes = std::array<std::uint8_t, 8>;

namespace {

SwitchStatusRecord recordWithReply(std::uint8_t byte4, std::uint8_t byte5 = 0)
{
    SwitchStatusRecord r;
    r.reply[4] = byte4;
    r.reply[5] = byte5;
    return r;
}

// Reports the chip received on its control interface, in order.
std::vector<Bytes> controlReports(const tarvex::SimulatedSwitch &sw)
{
    std::vector<Bytes> out;
    for (const tarvex::SimReport &r : sw.log()) {
        if (r.interfaceIndex == 1)
            out.push_back(r.bytes);
    }
    return out;
}

class SwitchOnSimulatedBus : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sw = sim.plug("00002001", 2, 1, 4);
        IOWarriorSetPlatform(&sim);
        ASSERT_EQ(IOWarriorInit(), 0);
        registry = std::make_unique<IOWarriorController>();
        registry->findAttachedDevices();
        node = registry->deviceWithSerial(QStringLiteral("00002001"));
        ASSERT_NE(node, nullptr);
        sw->clearLog(); // drop the refresh's mode set-up
    }
    void TearDown() override
    {
        registry.reset();
        IOWarriorClearInterfaceList();
        IOWarriorSetPlatform(nullptr);
    }

    tarvex::SimHidPlatform sim;
    std::shared_ptr<tarvex::SimulatedSwitch> sw;
    std::unique_ptr<IOWarriorController> registry;
    IOWarriorListNodeStruct *node = nullptr;
};

} // namespace

TEST(SwitchProtocolDecoding, RepliesAreReadAsSignedBytes)
{
    const std::pair<std::uint8_t, std::uint32_t> ids[] = {{0x01, 1u}, {0x7F, 127u}, {0x80, 0xFFFFFF80u}, {0xFF, 4294967295u}};
    for (const auto &[byte, id] : ids)
        EXPECT_EQ(SwitchProtocol::switchIDFromRecord(recordWithReply(byte)), id) << int(byte);
    EXPECT_EQ(SwitchProtocol::firmwareVersionFromRecord(recordWithReply(0x01, 0x05)), "1.5");
    EXPECT_EQ(SwitchProtocol::firmwareVersionFromRecord(recordWithReply(0x01, 0xFF)), "1.-1");
    EXPECT_EQ(SwitchProtocol::firmwareVersionFromRecord(recordWithReply(0x80, 0x7F)), "-128.127");
    for (int p = 0; p <= 3; ++p)
        EXPECT_EQ(SwitchProtocol::activePortFromRecord(recordWithReply(std::uint8_t(p))), p);
    for (std::uint8_t odd : {4, 0x80, 0xFF})
        EXPECT_FALSE(SwitchProtocol::activePortFromRecord(recordWithReply(odd))) << int(odd);
}

TEST(SwitchProtocolDecoding, ModelNamesAndPortCounts)
{
    EXPECT_EQ(GetSwitchName(1), "Tarvex Pro DVI SL");
    EXPECT_EQ(GetSwitchName(2), "Tarvex mini");
    EXPECT_EQ(GetSwitchName(3), "Tarvex Pro DVI DL");
    EXPECT_EQ(SwitchPortCount(2), 2);
    // A 0xFF identifier byte reaches callers sign-extended (-1); it must not alias a model.
    for (std::int32_t id : {0, 4, 7, 0xFF, -1, -126, 0x102}) {
        EXPECT_EQ(GetSwitchName(id), "Unknown") << id;
        EXPECT_EQ(SwitchPortCount(id), 4) << id;
    }
    for (std::int32_t id : {1, 3})
        EXPECT_EQ(SwitchPortCount(id), 4) << id;
}

TEST_F(SwitchOnSimulatedBus, PortSelectAndQuerySendExactReports)
{
    ASSERT_EQ(SwitchProtocol::selectPort(node, 2, 2), 0);
    ASSERT_EQ(SwitchProtocol::selectPort(node, 1, 0), 0);
    EXPECT_EQ(sw->machinePort(), 1); // machine port and USB port travel in their own bytes
    EXPECT_EQ(sw->usbPort(), 0);
    int status = -1;
    const auto id = SwitchProtocol::query(*registry, node, SwitchProtocol::QuerySwitchID, &status);
    ASSERT_TRUE(id);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(SwitchProtocol::switchIDFromRecord(*id), 2u);
    const std::vector<Bytes> expected = {
        Bytes{0x09, 0x03, 0x0B, 0x02, 0x02, 0x00, 0x00, 0x00},
        Bytes{0x09, 0x03, 0x0B, 0x01, 0x00, 0x00, 0x00, 0x00},
        Bytes{0x09, 0x02, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00},
        Bytes{0x09, 0x06, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00},
    };
    EXPECT_EQ(controlReports(*sw), expected);

    sw->setFirmwareVersion(1, -1);
    const auto fw = SwitchProtocol::query(*registry, node, SwitchProtocol::QueryFirmwareVersion);
    ASSERT_TRUE(fw);
    EXPECT_EQ(SwitchProtocol::firmwareVersionFromRecord(*fw), "1.-1");
    sw->setActivePort(3);
    const auto port = SwitchProtocol::query(*registry, node, SwitchProtocol::QueryActivePort);
    ASSERT_TRUE(port);
    EXPECT_EQ(SwitchProtocol::activePortFromRecord(*port), 3);
}

TEST_F(SwitchOnSimulatedBus, FailuresGiveNoAnswerAndTheirStatus)
{
    // A good answer first, so a record reused across queries would show a stale "2".
    ASSERT_TRUE(SwitchProtocol::query(*registry, node, SwitchProtocol::QuerySwitchID));
    int status = 0;
    sw->failNextRead(EIO);
    EXPECT_FALSE(SwitchProtocol::query(*registry, node, SwitchProtocol::QuerySwitchID, &status));
    EXPECT_EQ(status, EIO);
    sw->failNextWrite(EPIPE);
    EXPECT_FALSE(SwitchProtocol::query(*registry, node, SwitchProtocol::QueryActivePort, &status));
    EXPECT_EQ(status, EPIPE);
    EXPECT_TRUE(SwitchProtocol::query(*registry, node, SwitchProtocol::QuerySwitchID, &status));
    EXPECT_EQ(status, 0);

    sw->failNextWrite(EPIPE);
    EXPECT_EQ(SwitchProtocol::selectPort(node, 1, 1), EPIPE);
    EXPECT_EQ(sw->machinePort(), 0);

    sw->clearLog();
    EXPECT_EQ(SwitchProtocol::selectPort(nullptr, 1, 1), ENODEV);
    EXPECT_FALSE(SwitchProtocol::query(*registry, nullptr, SwitchProtocol::QuerySwitchID, &status));
    EXPECT_EQ(status, ENODEV);
    EXPECT_TRUE(sw->log().empty());
}
