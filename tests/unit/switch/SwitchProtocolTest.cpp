// The switch protocol: decoding of status answers and model names, the exact bytes that
// reach a simulated switch, and one program at a time on a switch.
#include "switch/SwitchProtocol.h"

#include "LockHolder.h"
#include "SwitchBus.h"

#include <QFileInfo>
#include <cerrno>

using Bytes = std::array<std::uint8_t, 8>;

TEST(SwitchProtocol, RepliesAreSignedBytesAndIdentifiersNameModels)
{
    const auto reply = [](std::uint8_t byte4, std::uint8_t byte5 = 0) {
        SwitchStatusRecord r;
        r.reply[4] = byte4;
        r.reply[5] = byte5;
        return r;
    };
    EXPECT_EQ(SwitchProtocol::switchIDFromRecord(reply(0xFF)), 4294967295u);
    EXPECT_EQ(SwitchProtocol::firmwareVersionFromRecord(reply(0x80, 0xFF)), "-128.-1");
    EXPECT_EQ(SwitchProtocol::activePortFromRecord(reply(3)), 3);
    EXPECT_FALSE(SwitchProtocol::activePortFromRecord(reply(4)) || SwitchProtocol::activePortFromRecord(reply(0xFF)));
    EXPECT_EQ(QStringList({GetSwitchName(1), GetSwitchName(2), GetSwitchName(3), GetSwitchName(-1), GetSwitchName(0xFF)}),
              QStringList({"Tarvex Pro DVI SL", "Tarvex mini", "Tarvex Pro DVI DL", "Unknown", "Unknown"}));
    EXPECT_EQ(std::vector<int>({SwitchPortCount(1), SwitchPortCount(2), SwitchPortCount(3), SwitchPortCount(-1)}),
              std::vector<int>({4, 2, 4, 4}));
}

TEST_F(SwitchBus, ReportsOnTheWireAndOneProgramAtATime)
{
    plug("00002001", 2);
    registry.findAttachedDevices();
    IOWarriorListNodeStruct *node = this->node();
    const auto reports = [&] {
        std::vector<Bytes> out;
        for (const tarvex::SimReport &r : sw->log())
            out.push_back(r.bytes);
        sw->clearLog();
        return out;
    };
    EXPECT_EQ(reports(), (std::vector<Bytes>{{0x08, 0x01, 0x03}})); // the refresh's mode set-up
    int status = -1;
    EXPECT_EQ(SwitchProtocol::selectPort(node, 2, 1), 0);
    EXPECT_EQ(SwitchProtocol::switchIDFromRecord(*SwitchProtocol::query(registry, node, SwitchProtocol::QuerySwitchID, &status)), 2u);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(reports(), (std::vector<Bytes>{{0x09, 0x03, 0x0B, 0x02, 0x01}, {0x09, 0x02, 0x03}, {0x09, 0x06, 0x07}}));
    // A failed exchange hands out no record, so a stale answer (the "2" above) cannot pass as
    // new; a failed write ends it at once.
    sw->failNextRead(EIO);
    EXPECT_FALSE(SwitchProtocol::query(registry, node, SwitchProtocol::QuerySwitchID, &status));
    EXPECT_EQ(status, EIO);
    reports();
    sw->failNextWrite(EPIPE);
    EXPECT_FALSE(SwitchProtocol::query(registry, node, SwitchProtocol::QuerySwitchID, &status));
    EXPECT_EQ(status, EPIPE);
    sw->failNextWrite(EPIPE);
    EXPECT_EQ(SwitchProtocol::selectPort(node, 1, 1), EPIPE);
    EXPECT_TRUE(reports().empty());
    EXPECT_EQ(SwitchProtocol::selectPort(nullptr, 1, 1), ENODEV);
    EXPECT_FALSE(SwitchProtocol::query(registry, nullptr, SwitchProtocol::QuerySwitchID, &status));
    EXPECT_EQ(status, ENODEV);
    reports();

    // Another program on the switch: nothing is sent, not even the refresh's set-up, and the
    // user hears why. A transfer is said at once (were it waited for, this test would hang);
    // another exchange is waited for a little.
    const std::pair<SwitchLock::Purpose, QString> holders[] = {
        {SwitchLock::Purpose::FirmwareTransfer, "the switch is busy: a firmware upgrade is running in another program"},
        {SwitchLock::Purpose::Exchange, "the switch is busy: another program is using it"}};
    for (const auto &[purpose, text] : holders) {
        SwitchLock::setWaitLimit(purpose == SwitchLock::Purpose::Exchange ? std::chrono::hours(0) : std::chrono::hours(1));
        {
            LockHolder other("00002001", purpose);
            EXPECT_TRUE(SwitchProtocol::isBusyStatus(SwitchProtocol::selectPort(node, 1, 1)));
            EXPECT_FALSE(SwitchProtocol::query(registry, node, SwitchProtocol::QueryActivePort, &status));
            EXPECT_EQ(SwitchProtocol::statusText(status), text);
            registry.findAttachedDevices();
            EXPECT_NE(node = registry.deviceWithSerial("00002001"), nullptr); // still listed
            EXPECT_TRUE(reports().empty());
        }
        EXPECT_EQ(SwitchProtocol::selectPort(node, 1, 1), 0); // let go: usable again
        EXPECT_EQ(reports().size(), 1u);
    }
    SwitchLock::setWaitLimit(std::chrono::milliseconds(500));
    // Within this program the lock is reentrant: a transfer's own exchanges pass.
    SwitchLock transfer("00002001", SwitchLock::Purpose::FirmwareTransfer);
    EXPECT_EQ(SwitchProtocol::selectPort(node, 1, 1), 0);
    // A serial from a device never leads the lock file out of its directory.
    EXPECT_EQ(QFileInfo(SwitchLock::lockFilePath("../x/y")).path(), SwitchLock::directory());
}
