// The simulated bus: attached chips in plug order, enumeration of their interfaces, and
// plug/unplug notifications posted to the event loop like the real backend's.
#include "usb/sim/SimHidPlatform.h"

#include "usb/IOWarriorLib.h"
#include "usb/sim/SimHidDevice.h"

#include <QMetaObject>
#include <algorithm>
#include <cstdio>

namespace tarvex {

SimHidPlatform::SimHidPlatform()
    : mEventContext(std::make_unique<QObject>())
{
}

SimHidPlatform::~SimHidPlatform()
{
    // Handles still held by the layer keep their chips; they must not reach a live bus.
    for (const auto &chip : mChips)
        chip->attached = false;
}

std::string SimHidPlatform::defaultSerial(int index)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08d", 1001 + index);
    return text;
}

std::unique_ptr<SimHidPlatform> SimHidPlatform::withDefaultSwitches(int n)
{
    auto platform = std::make_unique<SimHidPlatform>();
    for (int i = 0; i < n; ++i) {
        auto device = platform->plug(defaultSerial(i), static_cast<std::uint8_t>(i % 3 + 1), 1, 4);
        device->setVersionAfterRestart(1, 5);
    }
    return platform;
}

int SimHidPlatform::start(HotplugHandler handler)
{
    if (mStartFails)
        return -1;
    mHandler = std::move(handler);
    return 0;
}

std::vector<HidInterfaceInfo> SimHidPlatform::enumerate()
{
    ++mEnumerations;
    std::vector<HidInterfaceInfo> result;
    result.reserve(mChips.size() * 2);
    for (const auto &chip : mChips) {
        for (int i = 0; i < 2; ++i) {
            HidInterfaceInfo info;
            info.path = "sim:" + std::to_string(chip->id) + "/" + std::to_string(i);
            info.vendorId = chip->vendorId;
            info.productId = chip->productId;
            info.serial = chip->serial;
            info.interfaceNumber = i;
            result.push_back(std::move(info));
        }
    }
    return result;
}

std::unique_ptr<HidDevice> SimHidPlatform::createInterface(const HidInterfaceInfo &info)
{
    int chipId = 0;
    int index = 0;
    if (std::sscanf(info.path.c_str(), "sim:%d/%d", &chipId, &index) != 2 || index < 0 || index > 1)
        return nullptr;
    auto it = std::find_if(mChips.begin(), mChips.end(),
                           [chipId](const auto &chip) { return chip->id == chipId; });
    if (it == mChips.end() || (*it)->failCreate[index])
        return nullptr;
    return std::make_unique<SimHidDevice>(*it, index);
}

std::shared_ptr<SimulatedSwitch> SimHidPlatform::plug(const std::string &serial, std::uint8_t identifier,
                                                      std::int8_t firmwareMajor, std::int8_t firmwareMinor)
{
    return plug(std::make_shared<SimulatedSwitch>(serial, identifier, firmwareMajor, firmwareMinor));
}

std::shared_ptr<SimulatedSwitch> SimHidPlatform::plug(std::shared_ptr<SimulatedSwitch> device)
{
    auto chip = std::make_shared<SimChip>();
    chip->serial = device->serial();
    chip->device = std::move(device);
    attach(chip);
    return chip->device;
}

std::shared_ptr<SimulatedSwitch> SimHidPlatform::plugChip(std::uint16_t vendorId, std::uint16_t productId,
                                                          std::optional<std::string> serial)
{
    auto chip = std::make_shared<SimChip>();
    chip->vendorId = vendorId;
    chip->productId = productId;
    chip->serial = serial;
    chip->device = std::make_shared<SimulatedSwitch>(serial.value_or(""));
    attach(chip);
    return chip->device;
}

int SimHidPlatform::unplug(const std::string &serial)
{
    std::vector<std::shared_ptr<SimChip>> gone;
    for (const auto &chip : mChips) {
        if (chip->serial == serial)
            gone.push_back(chip);
    }
    for (const auto &chip : gone)
        detach(chip);
    return static_cast<int>(gone.size());
}

bool SimHidPlatform::unplug(const std::shared_ptr<SimulatedSwitch> &device)
{
    auto it = std::find_if(mChips.begin(), mChips.end(),
                           [&device](const auto &chip) { return chip->device == device; });
    if (it == mChips.end())
        return false;
    detach(*it);
    return true;
}

void SimHidPlatform::failCreateInterface(const std::string &serial, int interfaceIndex, bool fail)
{
    for (const auto &chip : mChips) {
        if (chip->serial == serial)
            chip->failCreate[interfaceIndex & 1] = fail;
    }
}

std::shared_ptr<SimulatedSwitch> SimHidPlatform::switchWithSerial(const std::string &serial) const
{
    for (const auto &chip : mChips) {
        if (chip->serial == serial)
            return chip->device;
    }
    return nullptr;
}

std::vector<std::shared_ptr<SimulatedSwitch>> SimHidPlatform::attachedSwitches() const
{
    std::vector<std::shared_ptr<SimulatedSwitch>> result;
    for (const auto &chip : mChips)
        result.push_back(chip->device);
    return result;
}

void SimHidPlatform::attach(std::shared_ptr<SimChip> chip)
{
    chip->id = mNextChipId++;
    chip->attached = true;
    mChips.push_back(chip);
    notify(*chip, true);
}

void SimHidPlatform::detach(const std::shared_ptr<SimChip> &chip)
{
    chip->attached = false;
    mChips.erase(std::remove(mChips.begin(), mChips.end(), chip), mChips.end());
    notify(*chip, false);
}

void SimHidPlatform::notify(const SimChip &chip, bool added)
{
    // The real bus only announces the four IOWarrior products of the vendor.
    if (chip.vendorId != kIOWarriorVendorID
        || std::find(std::begin(kIOWarriorProductIDs), std::end(kIOWarriorProductIDs), chip.productId)
            == std::end(kIOWarriorProductIDs))
        return;
    ++mPendingNotifications;
    QMetaObject::invokeMethod(
        mEventContext.get(),
        [this, added] {
            --mPendingNotifications;
            if (mHandler)
                mHandler(added);
        },
        Qt::QueuedConnection);
}

} // namespace tarvex
