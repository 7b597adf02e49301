// Reads the primary usage (usage page and usage of the first top-level collection) from a
// HID report descriptor, the way the interface is classified before it is accepted.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace tarvex {

class HidReportDescriptor
{
public:
    struct Usage {
        std::uint32_t page = 0;
        std::uint32_t usage = 0;
    };

    // The usage page in effect and the first Usage item before the first Collection item
    // (a 4-byte Usage carries its own page in the upper half). Empty when the descriptor
    // is malformed or names no usage.
    static std::optional<Usage> primaryUsage(const std::vector<std::uint8_t> &descriptor);
};

} // namespace tarvex
