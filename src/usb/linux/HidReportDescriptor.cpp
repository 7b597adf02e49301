// Short-item walk over a report descriptor; see HidReportDescriptor.h.
#include "usb/linux/HidReportDescriptor.h"

namespace tarvex {

std::optional<HidReportDescriptor::Usage>
HidReportDescriptor::primaryUsage(const std::vector<std::uint8_t> &descriptor)
{
    std::optional<std::uint32_t> page;
    std::optional<Usage> first;
    std::size_t i = 0;
    const std::size_t end = descriptor.size();
    while (i < end) {
        const std::uint8_t prefix = descriptor[i];
        if (prefix == 0xFE) {
            // Long item: prefix, data size, long tag, data. Carries no usage.
            if (i + 2 >= end)
                return std::nullopt;
            i += 3 + descriptor[i + 1];
            continue;
        }
        static constexpr std::size_t kSizes[4] = {0, 1, 2, 4};
        const std::size_t size = kSizes[prefix & 0x03];
        if (i + 1 + size > end)
            return std::nullopt; // truncated item: trust nothing
        std::uint32_t value = 0;
        for (std::size_t k = 0; k < size; ++k)
            value |= std::uint32_t(descriptor[i + 1 + k]) << (8 * k);
        const std::uint8_t tagType = prefix & 0xFC;
        i += 1 + size;

        switch (tagType) {
        case 0x04: // Usage Page (global)
            page = value;
            break;
        case 0x08: // Usage (local)
            if (!first) {
                Usage u;
                if (size == 4) {
                    u.page = value >> 16;
                    u.usage = value & 0xFFFF;
                } else if (page) {
                    u.page = *page;
                    u.usage = value;
                } else {
                    return std::nullopt; // a usage without a page means nothing
                }
                first = u;
            }
            break;
        case 0xA0: // Collection: the usage before the first one is the primary usage
            return first;
        default:
            break;
        }
    }
    return first;
}

} // namespace tarvex
