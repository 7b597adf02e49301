// One simulated switch on a simulated bus, registered and selected in a defaults file of its
// own: the fixture of the switch-layer tests. Every report the switch receives is logged with
// the virtual time `now()` gives, and `onReport` sees the log's size after each.
#pragma once

#include "switch/DefaultsStore.h"
#include "usb/IOWarriorController.h"
#include "usb/sim/SimHidPlatform.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class SwitchBus : public ::testing::Test
{
public:
    using Wire = std::vector<std::string>;

    void SetUp() override
    {
        IOWarriorSetPlatform(&sim);
        ASSERT_EQ(IOWarriorInit(), 0);
        plug();
    }
    void TearDown() override
    {
        IOWarriorSetDeviceCallback(nullptr, nullptr);
        IOWarriorClearInterfaceList();
        IOWarriorSetPlatform(nullptr);
    }
    // A switch just powered up (replacing one with that serial), selected, its log empty.
    void plug(const char *serial = "00001001", std::uint8_t id = 1, std::int8_t minor = 4, std::int8_t minorAfter = 5)
    {
        sim.unplug(serial);
        sw = sim.plug(serial, id, 1, minor);
        sw->setVersionAfterRestart(1, minorAfter);
        QCoreApplication::processEvents(); // the plug notifications, before any test hooks in
        registry.findAttachedDevices();
        defaults.setObjectForKey("Selected Switch", serial);
        sw->setReportHook([this](const tarvex::SimReport &) {
            times.push_back(now ? now() : 0);
            if (onReport)
                onReport(sw->log().size());
        });
        sw->clearLog();
        onReport = nullptr;
    }
    IOWarriorListNodeStruct *node() { return registry.deviceWithSerial(QString::fromStdString(sw->serial())); }
    static std::string hex(const std::array<std::uint8_t, 8> &b)
    {
        return QByteArray(reinterpret_cast<const char *>(b.data()), 8).toHex(' ').toUpper().toStdString();
    }
    // The reports received, as "09 03 0B 01 01 00 00 00".
    Wire wire() const
    {
        Wire out;
        for (const auto &r : sw->log())
            out.push_back(hex(r.bytes));
        return out;
    }

    QTemporaryDir dir;
    tarvex::SimHidPlatform sim;
    std::shared_ptr<tarvex::SimulatedSwitch> sw;
    IOWarriorController registry;
    DefaultsStore defaults{dir.filePath("defaults.json")};
    std::function<long long()> now;
    std::vector<long long> times;
    std::function<void(std::size_t)> onReport;
};
