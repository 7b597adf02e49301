// The 8-byte reports a switch's control interface understands for set-up, port choice and
// status queries, composed in one place so the registry, the switch layer and the simulated
// switch agree byte for byte. Bytes without a meaning are sent as 0.
#pragma once

#include <array>
#include <cstdint>

namespace SwitchReports {

using Report = std::array<std::uint8_t, 8>;

constexpr std::uint8_t kModeSetUp = 0x08;    // chip function: mode set-up
constexpr std::uint8_t kDataTransfer = 0x09; // chip function: data transfer
constexpr std::uint8_t kPortSelectCommand = 0x0B;
constexpr std::uint8_t kQueryTransferCommand = 0x07;
constexpr std::uint8_t kQueryReplyReportID = 9;

// 08 01 03 00 00 00 00 00
constexpr Report modeSetUp()
{
    return {kModeSetUp, 0x01, 0x03, 0, 0, 0, 0, 0};
}

// 09 03 0B machinePort usbPort 00 00 00 (0-based ports)
constexpr Report portSelect(int machinePort, int usbPort)
{
    return {kDataTransfer, 0x03, kPortSelectCommand, static_cast<std::uint8_t>(machinePort),
            static_cast<std::uint8_t>(usbPort), 0, 0, 0};
}

// In place on the first bytes of a request buffer: 09 02 code arg; later bytes are kept.
inline void composeQueryRequest(std::uint8_t *request, std::int32_t code, std::int32_t argument)
{
    request[0] = kDataTransfer;
    request[1] = 0x02;
    request[2] = static_cast<std::uint8_t>(code & 0xFF);
    request[3] = static_cast<std::uint8_t>(argument & 0xFF);
}

// Turns a composed query request into the query transfer: 09 06 07 arg, later bytes kept.
inline void composeQueryTransfer(std::uint8_t *request)
{
    request[1] = 0x06;
    request[2] = kQueryTransferCommand;
}

// 09 02 code arg 00 00 00 00
inline Report queryRequest(std::int32_t code, std::int32_t argument)
{
    Report r{};
    composeQueryRequest(r.data(), code, argument);
    return r;
}

// 09 06 07 arg 00 00 00 00
inline Report queryTransfer(std::int32_t argument)
{
    Report r = queryRequest(0, argument);
    composeQueryTransfer(r.data());
    return r;
}

} // namespace SwitchReports
