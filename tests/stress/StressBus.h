// A simulated bus wired to the IOWarrior layer and a registry the way the programs wire them:
// every plug or unplug notification refreshes the registry. Shared by the stress and fault
// tests, which then check that list and registry agree after whatever they did.
#pragma once

#include "usb/IOWarriorController.h"
#include "usb/IOWarriorLib.h"
#include "usb/sim/SimHidPlatform.h"

#include <QCoreApplication>
#include <QSet>
#include <QString>

#include <gtest/gtest.h>

namespace tarvex::stress {

class StressBus
{
public:
    StressBus()
    {
        IOWarriorSetPlatform(&sim);
        EXPECT_EQ(IOWarriorInit(), 0);
        IOWarriorSetDeviceAddedCallback(&StressBus::refresh, this);
        IOWarriorSetDeviceRemovedCallback(&StressBus::refresh, this);
        registry.findAttachedDevices();
    }
    ~StressBus()
    {
        IOWarriorSetDeviceAddedCallback(nullptr, nullptr);
        IOWarriorSetDeviceRemovedCallback(nullptr, nullptr);
        registry.findAttachedDevices(); // drops the borrowed nodes before the list goes
        IOWarriorClearInterfaceList();
        IOWarriorSetPlatform(nullptr);
    }

    // Delivers every pending plug/unplug notification (each refreshes the registry).
    void settle()
    {
        for (int i = 0; i < 10 && sim.pendingNotifications() > 0; ++i)
            QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    // The registry lists exactly the attached switches, each by a control-interface node
    // that is in the current IOWarrior list.
    ::testing::AssertionResult consistent()
    {
        QSet<QString> attached;
        for (const auto &sw : sim.attachedSwitches())
            attached.insert(QString::fromStdString(sw->serial()));
        QSet<QString> listed;
        for (auto it = registry.allDevices().begin(); it != registry.allDevices().end(); ++it)
            listed.insert(it.key());
        if (attached != listed)
            return ::testing::AssertionFailure()
                   << "attached " << QStringList(attached.values()).join(',').toStdString()
                   << " but registry lists " << QStringList(listed.values()).join(',').toStdString();
        const int count = IOWarriorCountInterfaces();
        if (count != 2 * attached.size())
            return ::testing::AssertionFailure() << count << " interfaces for " << attached.size()
                                                 << " switches";
        for (auto it = registry.allDevices().begin(); it != registry.allDevices().end(); ++it) {
            bool found = false;
            for (int i = 0; i < count; ++i)
                found = found || IOWarriorInterfaceListNodeAtIndex(i) == it.value();
            if (!found || it.value()->interfaceKind != 3)
                return ::testing::AssertionFailure()
                       << it.key().toStdString() << " maps to a node outside the list";
        }
        return ::testing::AssertionSuccess();
    }

    SimHidPlatform sim;
    IOWarriorController registry;

private:
    static void refresh(void *self) { static_cast<StressBus *>(self)->registry.findAttachedDevices(); }
};

} // namespace tarvex::stress
