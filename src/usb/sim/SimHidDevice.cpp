// Routes the layer's transfers on one simulated interface to the chip's firmware.
#include "usb/sim/SimHidDevice.h"

#include <cerrno>

namespace tarvex {

SimHidDevice::SimHidDevice(std::shared_ptr<SimChip> chip, int interfaceIndex)
    : mChip(std::move(chip))
    , mInterfaceIndex(interfaceIndex)
{
}

int SimHidDevice::open()
{
    mLastOpenError = mChip->attached ? mChip->device->handleOpen(mInterfaceIndex) : ENODEV;
    return mLastOpenError;
}

int SimHidDevice::setReport(const std::uint8_t *bytes, int length, int timeoutMs)
{
    (void)timeoutMs; // the simulated chip answers at once
    if (!mChip->attached)
        return ENODEV;
    // Hold the firmware while it runs: its report hook may unplug and drop the chip.
    std::shared_ptr<SimulatedSwitch> device = mChip->device;
    return device->handleOutputReport(mInterfaceIndex, bytes, length);
}

int SimHidDevice::getReport(std::uint8_t reportId, std::uint8_t *buffer, int *length, int timeoutMs)
{
    if (!mChip->attached)
        return ENODEV;
    std::shared_ptr<SimulatedSwitch> device = mChip->device;
    return device->handleInputReport(mInterfaceIndex, reportId, buffer, length, timeoutMs);
}

std::string SimHidDevice::path() const
{
    return "sim:" + std::to_string(mChip->id) + "/" + std::to_string(mInterfaceIndex);
}

} // namespace tarvex
