// The simulated switch's firmware and port handling: other tests trust its log and answers.
#include "usb/sim/SimulatedSwitch.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

using tarvex::SimulatedSwitch;

namespace {

void send(SimulatedSwitch &sw, std::array<std::uint8_t, 8> bytes) { ASSERT_EQ(sw.handleOutputReport(1, bytes.data(), 8), 0); }

// Header, six-character chunks and status query as the firmware transfer sends them; returns
// byte 3 of the status answer.
int sendRecord(SimulatedSwitch &sw, const std::string &line, std::uint8_t command)
{
    send(sw, {0x09, std::uint8_t(command == 0xF0 ? 0xC3 : 0xC2), command, std::uint8_t(line.size()), 0, 0, 0, 0});
    for (std::size_t pos = 0; pos < line.size(); pos += 6) {
        const std::size_t n = std::min<std::size_t>(6, line.size() - pos);
        std::array<std::uint8_t, 8> chunk{0x09, std::uint8_t(line.size() - pos > 6 ? 0xC6 : 0x80 + n)};
        std::copy_n(line.begin() + std::ptrdiff_t(pos), n, chunk.begin() + 2);
        send(sw, chunk);
    }
    send(sw, {0x09, 0x81, 0xFF, 0, 0, 0, 0, 0});
    std::array<std::uint8_t, 8> answer{};
    int stored = 8;
    EXPECT_EQ(sw.handleInputReport(1, 9, answer.data(), &stored, 100), 0);
    return static_cast<std::int8_t>(answer[3]);
}

const std::string kHeader = "S00600004844521B", kEnd = "S9030000FC";
const std::string kData = "S1130000285F245F2212226A000424290008237C2A";

} // namespace

TEST(SimulatedSwitch, JudgesEveryRecordAndAdoptsTheNewVersionOnlyAfterAFlawlessTransfer)
{
    for (const bool flawless : {true, false}) {
        SimulatedSwitch sw("1", 1, 1, 4);
        sw.setVersionAfterRestart(1, 5);
        EXPECT_EQ(sendRecord(sw, kHeader, 0xF0), SimulatedSwitch::kStatusNotStarted);
        send(sw, {0x09, 0x01, 0x08, 0, 0, 0, 0, 0});
        EXPECT_EQ(sendRecord(sw, kHeader, 0xF0), 0);
        EXPECT_EQ(sendRecord(sw, kData + "\r", 0xF1), 0); // a CR-LF file's CR travels with the line
        if (!flawless) {
            // Seven characters end with a one-character chunk, not a status query.
            EXPECT_EQ(sendRecord(sw, "S503000", 0xF1), SimulatedSwitch::kStatusChecksumError);
            sw.refuseRecord(3, 3);
            EXPECT_EQ(sendRecord(sw, kData, 0xF1), 3);
        }
        EXPECT_EQ(sendRecord(sw, kEnd, 0xF2), 0);
        send(sw, {0x09, 0x01, 0x08, 0, 0, 0, 0, 0});
        send(sw, {0x09, 0x01, 0xFE, 0, 0, 0, 0, 0});
        EXPECT_EQ(sw.restartCount(), 1);
        EXPECT_EQ(sw.firmwareMinor(), flawless ? 5 : 4);
        EXPECT_EQ(sw.receivedRecords().at(2), flawless ? kEnd : "S503000");
    }
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
