// The simulated HID platform: a bus of IOWarrior chips that tests and `--simulate[=N]` plug
// and unplug at will. Each switch chip shows two HID interfaces of product 0x03EB with one
// serial (interface 0, then interface 1, the control interface behind which a
// SimulatedSwitch runs), just as the Linux backend reports a real switch.
//
// How tests use it:
//   QCoreApplication app(argc, argv);           // notifications travel through the event loop
//   tarvex::SimHidPlatform sim;
//   auto sw = sim.plug("00001001", 1);           // a "Tarvex Pro DVI SL"
//   IOWarriorSetPlatform(&sim);
//   IOWarriorInit();                              // list dirty; the first count discovers
//   IOWarriorController registry; registry.findAttachedDevices();
//   ... drive the code under test ...
//   sw->log();                                   // every 8-byte report the chip received
//   sim.unplug("00001001");                      // old handles now fail with ENODEV
//   QCoreApplication::processEvents();           // delivers one "removed" per chip
// Faults are injected on the SimulatedSwitch (failNextWrite, failOpen, refuseRecord, a
// report hook that can unplug mid-exchange); failCreateInterface() and plugChip() cover
// broken interfaces and chips that are not switches. Nothing here sleeps.
#pragma once

#include "usb/HidPlatform.h"
#include "usb/sim/SimChip.h"
#include "usb/sim/SimulatedSwitch.h"

#include <QObject>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarvex {

class SimHidPlatform : public HidPlatform
{
public:
    SimHidPlatform();
    ~SimHidPlatform() override;
    SimHidPlatform(const SimHidPlatform &) = delete;
    SimHidPlatform &operator=(const SimHidPlatform &) = delete;

    // n switches with serials "00001001", "00001002", ...; models cycle SL (1), mini (2),
    // DL (3); firmware 1.4, and 1.5 after a complete firmware transfer.
    static std::unique_ptr<SimHidPlatform> withDefaultSwitches(int n);
    static std::string defaultSerial(int index); // 0 -> "00001001"

    int start(HotplugHandler handler) override;
    std::vector<HidInterfaceInfo> enumerate() override;
    std::unique_ptr<HidDevice> createInterface(const HidInterfaceInfo &info) override;

    // Attaches a switch chip (vendor 0x1214, product 0x03EB) and returns its firmware.
    std::shared_ptr<SimulatedSwitch> plug(const std::string &serial, std::uint8_t identifier = 1,
                                          std::int8_t firmwareMajor = 1, std::int8_t firmwareMinor = 4);
    std::shared_ptr<SimulatedSwitch> plug(std::shared_ptr<SimulatedSwitch> device);
    // Attaches a chip of any vendor and product, optionally without a serial number. Only an
    // IOWarrior product of vendor 0x1214 raises a plug notification, as on real hardware.
    std::shared_ptr<SimulatedSwitch> plugChip(std::uint16_t vendorId, std::uint16_t productId,
                                              std::optional<std::string> serial);
    // Detaches every chip with that serial; returns how many. Handles to them fail from now on.
    int unplug(const std::string &serial);
    bool unplug(const std::shared_ptr<SimulatedSwitch> &device);

    // Makes createInterface give null for one interface of the chips with that serial.
    void failCreateInterface(const std::string &serial, int interfaceIndex, bool fail = true);
    void setStartFails(bool fails) { mStartFails = fails; }

    // The firmware of the first attached chip with that serial, or null.
    std::shared_ptr<SimulatedSwitch> switchWithSerial(const std::string &serial) const;
    std::vector<std::shared_ptr<SimulatedSwitch>> attachedSwitches() const;
    int enumerationCount() const { return mEnumerations; }
    int pendingNotifications() const { return mPendingNotifications; }

private:
    void attach(std::shared_ptr<SimChip> chip);
    void detach(const std::shared_ptr<SimChip> &chip);
    void notify(const SimChip &chip, bool added);

    std::vector<std::shared_ptr<SimChip>> mChips; // attached chips in plug order
    HotplugHandler mHandler;
    std::unique_ptr<QObject> mEventContext; // queued notifications die with the platform
    int mNextChipId = 1;
    int mEnumerations = 0;
    int mPendingNotifications = 0;
    bool mStartFails = false;
};

} // namespace tarvex
