// The simulated switch's firmware side: record assembly and checks, refusals, restart, and
// the ports a model accepts. Other tests trust its log and answers, so it is tested too.
#include "usb/sim/SimulatedSwitch.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

using tarvex::SimulatedSwitch;

namespace {

using Bytes = std::array<std::uint8_t, 8>;

void send(SimulatedSwitch &sw, Bytes bytes)
{
    ASSERT_EQ(sw.handleOutputReport(1, bytes.data(), 8), 0);
}

// Header, chunks and status query as the firmware transfer sends them; returns byte 3 of
// the status answer.
int sendRecord(SimulatedSwitch &sw, const std::string &line, std::uint8_t command)
{
    const auto length = static_cast<std::uint8_t>(line.size() % 256);
    if (command == 0xF0)
        send(sw, {0x09, 0xC3, 0xF0, length, 0, 0, 0, 0});
    else
        send(sw, {0x09, 0xC2, command, length, 0, 0, 0, 0});
    std::size_t pos = 0;
    while (pos < line.size()) {
        const std::size_t n = std::min<std::size_t>(6, line.size() - pos);
        Bytes chunk{0x09, static_cast<std::uint8_t>(line.size() - pos > 6 ? 0xC6 : 0x80 + n), 0, 0, 0, 0, 0, 0};
        for (std::size_t i = 0; i < n; ++i)
            chunk[2 + i] = static_cast<std::uint8_t>(line[pos + i]);
        send(sw, chunk);
        pos += n;
    }
    send(sw, {0x09, 0x81, 0xFF, 0, 0, 0, 0, 0});
    Bytes answer{};
    int stored = 8;
    EXPECT_EQ(sw.handleInputReport(1, 9, answer.data(), &stored, 100), 0);
    return static_cast<std::int8_t>(answer[3]);
}

const std::string kHeader = "S00600004844521B";
const std::string kData = "S1130000285F245F2212226A000424290008237C2A";
const std::string kEnd = "S9030000FC";

} // namespace

TEST(SimulatedSwitch, AcceptsAWholeTransferAndAdoptsTheNewVersionOnRestart)
{
    SimulatedSwitch sw("1", 1, 1, 4);
    sw.setVersionAfterRestart(1, 5);
    send(sw, {0x09, 0x01, 0x08, 0, 0, 0, 0, 0});
    EXPECT_EQ(sendRecord(sw, kHeader, 0xF0), 0);
    EXPECT_EQ(sendRecord(sw, kData + "\r", 0xF1), 0); // a CR-LF file's CR travels with the line
    EXPECT_EQ(sendRecord(sw, kEnd, 0xF2), 0);
    send(sw, {0x09, 0x01, 0x08, 0, 0, 0, 0, 0});
    send(sw, {0x09, 0x01, 0xFE, 0, 0, 0, 0, 0});
    EXPECT_EQ(sw.restartCount(), 1);
    EXPECT_EQ(sw.firmwareMinor(), 5);
    EXPECT_EQ(sw.receivedRecords(), (std::vector<std::string>{kHeader, kData + "\r", kEnd}));
}

TEST(SimulatedSwitch, JudgesChecksumLengthAndStartAndHonoursAnInjectedRefusal)
{
    SimulatedSwitch sw("1");
    sw.setVersionAfterRestart(2, 0);
    EXPECT_EQ(sendRecord(sw, kHeader, 0xF0), SimulatedSwitch::kStatusNotStarted);
    send(sw, {0x09, 0x01, 0x08, 0, 0, 0, 0, 0});
    std::string bad = kData;
    bad.back() = 'B';
    EXPECT_EQ(sendRecord(sw, bad, 0xF1), SimulatedSwitch::kStatusChecksumError);
    sw.refuseRecord(2, 3);
    EXPECT_EQ(sendRecord(sw, kData, 0xF1), 0);
    EXPECT_EQ(sendRecord(sw, kData, 0xF1), 3);
    EXPECT_EQ(sendRecord(sw, kEnd, 0xF2), 0);
    send(sw, {0x09, 0x01, 0xFE, 0, 0, 0, 0, 0});
    EXPECT_EQ(sw.firmwareMajor(), 1); // a transfer with refused records changes nothing
}

TEST(SimulatedSwitch, SevenCharacterRecordEndsWithAOneCharacterChunkNotAStatusQuery)
{
    SimulatedSwitch sw("1");
    send(sw, {0x09, 0x01, 0x08, 0, 0, 0, 0, 0});
    // Not a valid S-record, but it must arrive whole: "S5" plus five characters.
    EXPECT_EQ(sendRecord(sw, "S503000", 0xF1), SimulatedSwitch::kStatusChecksumError);
    ASSERT_EQ(sw.receivedRecords().size(), 1u);
    EXPECT_EQ(sw.receivedRecords()[0], "S503000");
}

TEST(SimulatedSwitch, TakesOnlyThePortsItsModelHas)
{
    const struct {
        std::uint8_t identifier, machine, usb;
        int machineAfter, usbAfter;
    } cases[] = {{2, 1, 1, 1, 1}, {2, 3, 3, 0, 0}, {2, 1, 2, 0, 0}, {3, 3, 0, 3, 0}};
    for (const auto &c : cases) {
        SimulatedSwitch sw("1", c.identifier);
        send(sw, {0x09, 0x03, 0x0B, c.machine, c.usb, 0, 0, 0});
        EXPECT_EQ(sw.machinePort(), c.machineAfter) << int(c.identifier) << int(c.machine) << int(c.usb);
        EXPECT_EQ(sw.usbPort(), c.usbAfter);
    }
}
