// The Linux HidPlatform: IOWarrior HID interfaces found and watched with libudev on the
// hidraw subsystem, reached through HidrawDevice. The udev monitor sits on a
// QSocketNotifier in the main thread's event loop; nothing polls.
#pragma once

#include "usb/HidPlatform.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct udev;
struct udev_device;
struct udev_monitor;
class QSocketNotifier;

namespace tarvex {

class LinuxHidPlatform : public HidPlatform
{
public:
    LinuxHidPlatform();
    ~LinuxHidPlatform() override;

    LinuxHidPlatform(const LinuxHidPlatform &) = delete;
    LinuxHidPlatform &operator=(const LinuxHidPlatform &) = delete;

    int start(HotplugHandler handler) override;
    std::vector<HidInterfaceInfo> enumerate() override;
    std::unique_ptr<HidDevice> createInterface(const HidInterfaceInfo &info) override;

    // What one hidraw node's hid parent says about it (vendor 0x1214 or not).
    struct NodeFacts {
        HidInterfaceInfo info;
        std::string chipKey; // equal for the interfaces of one chip
        bool primaryUsageMatches = false;
    };
    static std::optional<NodeFacts> readNode(udev_device *hidraw);
    // "usb-0000:00:14.0-1/input1" → 1; -1 without an /inputN ending.
    static int interfaceNumberFromPhys(const std::string &phys);

private:
    bool ensureUdev();
    // Every hidraw node of the vendor attached now, by syspath.
    std::vector<std::pair<std::string, NodeFacts>> scanNodes();
    void onMonitorReadable();

    udev *mUdev = nullptr;
    udev_monitor *mMonitor = nullptr;
    std::unique_ptr<QSocketNotifier> mNotifier;
    HotplugHandler mHandler;
    // Nodes of the four IOWarrior products seen attached, by syspath → chip key: on removal
    // the hid parent is already gone, so the chip must be known from the time it appeared.
    // Other products of the vendor are never entered, so they never cause a refresh.
    std::map<std::string, std::string> mKnownNodes;
};

} // namespace tarvex
