// The seam between the IOWarrior layer and the operating system's HID access.
// Two implementations exist: linux/ (libudev + hidraw) and sim/ (simulated switches).
// Everything here is called on the main thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarvex {

// One HID interface of an IOWarrior chip, as the platform enumerated it.
struct HidInterfaceInfo {
    std::string path;                  // e.g. "/dev/hidraw3", or "sim:2/1"
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::optional<std::string> serial; // absent when the device reports none
    int interfaceNumber = -1;          // the chip's interface number (0 first)
};

// An opened-on-demand handle to one HID interface. Status codes are 0 for success,
// otherwise a positive errno value (ETIMEDOUT for a time-out).
class HidDevice
{
public:
    virtual ~HidDevice() = default;
    // Opens the interface without seizing it. Idempotent for the platform; the layer
    // tracks the open state in its node.
    virtual int open() = 0;
    // Sends `length` bytes unchanged as one output report (byte 0 is the report ID).
    virtual int setReport(const std::uint8_t *bytes, int length, int timeoutMs) = 0;
    // Asks for input report `reportId`. Stores at most `*length` bytes into `buffer`
    // (byte 0 is the report ID) and writes back how many it stored. Bytes not
    // stored keep their previous contents.
    virtual int getReport(std::uint8_t reportId, std::uint8_t *buffer, int *length,
                          int timeoutMs) = 0;
    // Waits at most `timeoutMs` until no earlier transfer is still running: 0 once the
    // interface takes transfers again, ETIMEDOUT otherwise. Where transfers never outlive
    // their call, the interface is always free.
    virtual int waitUntilIdle(int timeoutMs)
    {
        (void)timeoutMs;
        return 0;
    }
    virtual std::string path() const = 0;
    // errno of the last failed open(), 0 once an open succeeded or where opening cannot
    // fail. EACCES tells the application that the udev rule is missing.
    virtual int lastOpenError() const { return 0; }
};

class HidPlatform
{
public:
    // Called once per plugged or unplugged chip (not once per interface).
    using HotplugHandler = std::function<void(bool added)>;

    virtual ~HidPlatform() = default;

    // Starts watching for plug and unplug events; the handler runs on the main thread
    // from the event loop. Returns 0, or -1 when the platform's device access is unusable.
    virtual int start(HotplugHandler handler) = 0;
    // Every HID interface with vendor 0x1214, primary usage page 1 and usage 0 that is
    // attached now, whatever its product ID. The two interfaces of one chip come one
    // after the other, the chip's first interface first.
    virtual std::vector<HidInterfaceInfo> enumerate() = 0;
    // Creates the handle for an enumerated interface (not opened yet), or null.
    virtual std::unique_ptr<HidDevice> createInterface(const HidInterfaceInfo &info) = 0;
};

} // namespace tarvex
