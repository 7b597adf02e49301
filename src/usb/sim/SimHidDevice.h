// A handle to one interface of a simulated chip. It keeps the chip alive, so a handle that
// outlives an unplug fails with ENODEV instead of touching freed memory.
#pragma once

#include "usb/HidPlatform.h"
#include "usb/sim/SimChip.h"

#include <memory>

namespace tarvex {

class SimHidDevice : public HidDevice
{
public:
    SimHidDevice(std::shared_ptr<SimChip> chip, int interfaceIndex);

    int open() override;
    int setReport(const std::uint8_t *bytes, int length, int timeoutMs) override;
    int getReport(std::uint8_t reportId, std::uint8_t *buffer, int *length, int timeoutMs) override;
    std::string path() const override;
    int lastOpenError() const override { return mLastOpenError; }

private:
    std::shared_ptr<SimChip> mChip;
    int mInterfaceIndex;
    int mLastOpenError = 0;
};

} // namespace tarvex
