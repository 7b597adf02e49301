// The record of one status query to a switch: what was asked, how the last transfer
// ended, and the reply bytes. A record starts zeroed.
#pragma once

#include <cstdint>

struct SwitchStatusRecord {
    std::int32_t queryCode = 0;
    std::int32_t queryArgument = 0;
    std::int32_t result = 0;     // 0, or the status of the transfer that failed
    std::uint8_t request[7] = {};
    std::uint8_t reply[7] = {};  // bytes 0-6 of input report 9
};
