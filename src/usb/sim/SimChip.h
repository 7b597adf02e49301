// One simulated IOWarrior chip on the simulated bus: its USB identity, whether it is still
// attached, and the switch firmware behind it. Shared by the platform and every handle.
#pragma once

#include "usb/sim/SimulatedSwitch.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tarvex {

struct SimChip {
    int id = 0; // unique per platform, names the interfaces ("sim:<id>/<interface>")
    std::uint16_t vendorId = 0x1214;
    std::uint16_t productId = 0x03EB;
    std::optional<std::string> serial;
    bool attached = true;
    std::array<bool, 2> failCreate{false, false}; // createInterface gives null
    std::shared_ptr<SimulatedSwitch> device;
};

} // namespace tarvex
