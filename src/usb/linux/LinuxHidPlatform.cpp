// libudev enumeration and hot-plug for IOWarrior hidraw nodes; see LinuxHidPlatform.h.
#include "usb/linux/LinuxHidPlatform.h"

#include "usb/HidLog.h"
#include "usb/IOWarriorLib.h"
#include "usb/linux/HidReportDescriptor.h"
#include "usb/linux/HidrawDevice.h"

#include <QSocketNotifier>

#include <libudev.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <tuple>

namespace tarvex {

namespace {

constexpr std::uint16_t kVendor = kIOWarriorVendorID;

// Only the products the program drives are worth a refresh; the vendor makes others.
bool isIOWarriorProduct(std::uint16_t product)
{
    return std::find(std::begin(kIOWarriorProductIDs), std::end(kIOWarriorProductIDs), product)
           != std::end(kIOWarriorProductIDs);
}

std::string property(udev_device *dev, const char *key)
{
    const char *value = udev_device_get_property_value(dev, key);
    return value ? value : "";
}

std::vector<std::uint8_t> readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// "/dev/hidraw10" sorts after "/dev/hidraw9".
bool devnodeLess(const std::string &a, const std::string &b)
{
    auto split = [](const std::string &s) {
        std::size_t digits = s.size();
        while (digits > 0 && s[digits - 1] >= '0' && s[digits - 1] <= '9')
            --digits;
        const std::string tail = s.substr(digits);
        return std::make_tuple(s.substr(0, digits), tail.size(), tail);
    };
    return split(a) < split(b);
}

} // namespace

LinuxHidPlatform::LinuxHidPlatform() = default;

LinuxHidPlatform::~LinuxHidPlatform()
{
    mNotifier.reset();
    if (mMonitor)
        udev_monitor_unref(mMonitor);
    if (mUdev)
        udev_unref(mUdev);
}

bool LinuxHidPlatform::ensureUdev()
{
    if (!mUdev)
        mUdev = udev_new();
    return mUdev != nullptr;
}

int LinuxHidPlatform::interfaceNumberFromPhys(const std::string &phys)
{
    const auto slash = phys.rfind('/');
    if (slash == std::string::npos)
        return -1;
    const std::string last = phys.substr(slash + 1);
    if (last.size() <= 5 || last.compare(0, 5, "input") != 0 || last.size() > 5 + 6)
        return -1;
    int number = 0;
    for (std::size_t i = 5; i < last.size(); ++i) {
        if (last[i] < '0' || last[i] > '9')
            return -1;
        number = number * 10 + (last[i] - '0');
    }
    return number;
}

std::optional<LinuxHidPlatform::NodeFacts> LinuxHidPlatform::readNode(udev_device *hidraw)
{
    const char *devnode = udev_device_get_devnode(hidraw);
    // The hid parent carries the identity; a USB parent is not required (virtual HID
    // devices have none, yet still name their interface in HID_PHYS).
    udev_device *hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
    if (!devnode || !hid)
        return std::nullopt;

    unsigned bus = 0, vendor = 0, product = 0;
    if (std::sscanf(property(hid, "HID_ID").c_str(), "%x:%x:%x", &bus, &vendor, &product) != 3)
        return std::nullopt;
    if (vendor != kVendor || product > 0xFFFF)
        return std::nullopt;

    NodeFacts facts;
    facts.info.path = devnode;
    facts.info.vendorId = static_cast<std::uint16_t>(vendor);
    facts.info.productId = static_cast<std::uint16_t>(product);
    const std::string uniq = property(hid, "HID_UNIQ");
    if (!uniq.empty())
        facts.info.serial = uniq;
    const std::string phys = property(hid, "HID_PHYS");
    facts.info.interfaceNumber = interfaceNumberFromPhys(phys);

    const auto slash = phys.rfind('/');
    if (!phys.empty() && facts.info.interfaceNumber >= 0)
        facts.chipKey = "phys:" + phys.substr(0, slash);
    else
        facts.chipKey = "id:" + property(hid, "HID_ID") + "/" + uniq +
                        (uniq.empty() && !phys.empty() ? "/" + phys : std::string());

    if (const char *syspath = udev_device_get_syspath(hid)) {
        const auto usage = HidReportDescriptor::primaryUsage(
            readFile(std::string(syspath) + "/report_descriptor"));
        facts.primaryUsageMatches = usage && usage->page == 1 && usage->usage == 0;
    }
    return facts;
}

std::vector<std::pair<std::string, LinuxHidPlatform::NodeFacts>> LinuxHidPlatform::scanNodes()
{
    std::vector<std::pair<std::string, NodeFacts>> nodes;
    udev_enumerate *enumerate = udev_enumerate_new(mUdev);
    if (!enumerate)
        return nodes;
    udev_enumerate_add_match_subsystem(enumerate, "hidraw");
    udev_enumerate_scan_devices(enumerate);
    udev_list_entry *entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate))
    {
        const char *syspath = udev_list_entry_get_name(entry);
        if (udev_device *dev = udev_device_new_from_syspath(mUdev, syspath)) {
            if (auto facts = readNode(dev))
                nodes.emplace_back(syspath, std::move(*facts));
            udev_device_unref(dev);
        }
    }
    udev_enumerate_unref(enumerate);
    return nodes;
}

std::vector<HidInterfaceInfo> LinuxHidPlatform::enumerate()
{
    if (!ensureUdev())
        return {};
    std::vector<NodeFacts> found;
    for (auto &[syspath, facts] : scanNodes()) {
        if (facts.primaryUsageMatches)
            found.push_back(std::move(facts));
    }

    // The layer tells a chip's interfaces apart by their position: keep each chip's
    // interfaces together, interface 0 first, and the chips in devnode order.
    std::map<std::string, std::string> chipFirstNode;
    for (const NodeFacts &f : found) {
        auto [it, inserted] = chipFirstNode.emplace(f.chipKey, f.info.path);
        if (!inserted && devnodeLess(f.info.path, it->second))
            it->second = f.info.path;
    }
    std::sort(found.begin(), found.end(), [&](const NodeFacts &a, const NodeFacts &b) {
        const std::string &chipA = chipFirstNode[a.chipKey];
        const std::string &chipB = chipFirstNode[b.chipKey];
        if (chipA != chipB)
            return devnodeLess(chipA, chipB);
        const unsigned ifA = static_cast<unsigned>(a.info.interfaceNumber); // -1 last
        const unsigned ifB = static_cast<unsigned>(b.info.interfaceNumber);
        if (ifA != ifB)
            return ifA < ifB;
        return devnodeLess(a.info.path, b.info.path);
    });

    std::vector<HidInterfaceInfo> result;
    result.reserve(found.size());
    for (NodeFacts &f : found)
        result.push_back(std::move(f.info));
    return result;
}

std::unique_ptr<HidDevice> LinuxHidPlatform::createInterface(const HidInterfaceInfo &info)
{
    if (info.path.empty())
        return nullptr;
    return std::make_unique<HidrawDevice>(info.path);
}

int LinuxHidPlatform::start(HotplugHandler handler)
{
    if (!ensureUdev())
        return -1;
    mHandler = std::move(handler);
    if (mMonitor)
        return 0;

    mMonitor = udev_monitor_new_from_netlink(mUdev, "udev");
    if (mMonitor) {
        udev_monitor_filter_add_match_subsystem_devtype(mMonitor, "hidraw", nullptr);
        if (udev_monitor_enable_receiving(mMonitor) < 0) {
            udev_monitor_unref(mMonitor);
            mMonitor = nullptr;
        }
    }
    if (!mMonitor) {
        // udev exists but its event socket does not (e.g. a container without udevd):
        // enumeration still works, plugging in is not noticed.
        qCWarning(tarvexHid, "udev monitor unavailable: plug and unplug events are not seen");
        return 0;
    }

    // Chips already attached must be known so that their removal is reported.
    mKnownNodes.clear();
    for (auto &[syspath, facts] : scanNodes()) {
        if (isIOWarriorProduct(facts.info.productId))
            mKnownNodes[syspath] = facts.chipKey;
    }

    mNotifier = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(mMonitor),
                                                  QSocketNotifier::Read);
    QObject::connect(mNotifier.get(), &QSocketNotifier::activated, mNotifier.get(),
                     [this] { onMonitorReadable(); });
    return 0;
}

void LinuxHidPlatform::onMonitorReadable()
{
    // Drain everything queued: one readable signal may stand for several events.
    while (udev_device *dev = udev_monitor_receive_device(mMonitor)) {
        const char *action = udev_device_get_action(dev);
        const char *subsystem = udev_device_get_subsystem(dev);
        const char *syspathC = udev_device_get_syspath(dev);
        std::optional<bool> notify;
        if (action && syspathC && subsystem && std::strcmp(subsystem, "hidraw") == 0) {
            const std::string syspath = syspathC;
            auto chipNodes = [this](const std::string &chip) {
                return std::count_if(mKnownNodes.begin(), mKnownNodes.end(),
                                     [&](const auto &kv) { return kv.second == chip; });
            };
            if (std::strcmp(action, "add") == 0 && !mKnownNodes.count(syspath)) {
                if (auto facts = readNode(dev); facts && isIOWarriorProduct(facts->info.productId)) {
                    const bool firstOfChip = chipNodes(facts->chipKey) == 0;
                    mKnownNodes[syspath] = facts->chipKey;
                    if (firstOfChip)
                        notify = true;
                }
            } else if (std::strcmp(action, "remove") == 0) {
                if (auto it = mKnownNodes.find(syspath); it != mKnownNodes.end()) {
                    const std::string chip = it->second;
                    mKnownNodes.erase(it);
                    if (chipNodes(chip) == 0)
                        notify = false;
                }
            }
        }
        udev_device_unref(dev);
        if (notify && mHandler)
            mHandler(*notify);
    }
}

} // namespace tarvex
