// Shared fixture for the usb tests: a simulated bus wired into the IOWarrior layer, and a
// capture of what the layer prints on stderr.
#pragma once

#include "usb/IOWarriorLib.h"
#include "usb/sim/SimHidPlatform.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::array<std::uint8_t, 8>;

// What `run` printed on stderr (file descriptor 2, where the layer's diagnostics go).
template <typename F>
std::string stderrOf(F &&run)
{
    testing::internal::CaptureStderr();
    run();
    return testing::internal::GetCapturedStderr();
}

class UsbLayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        IOWarriorSetPlatform(&sim);
        IOWarriorSetDeviceAddedCallback(nullptr, nullptr);
        IOWarriorSetDeviceRemovedCallback(nullptr, nullptr);
        ASSERT_EQ(IOWarriorInit(), 0);
    }
    void TearDown() override
    {
        deliverNotifications();
        IOWarriorClearInterfaceList();
        IOWarriorSetDeviceAddedCallback(nullptr, nullptr);
        IOWarriorSetDeviceRemovedCallback(nullptr, nullptr);
        IOWarriorSetDeviceCallback(nullptr, nullptr);
        IOWarriorSetPlatform(nullptr);
    }

    // Plug and unplug notifications arrive through the event loop.
    static void deliverNotifications() { QCoreApplication::processEvents(); }

    static std::vector<IOWarriorListNodeStruct *> nodes()
    {
        std::vector<IOWarriorListNodeStruct *> result;
        for (IOWarriorListNodeStruct *node = gIOWarriorList; node; node = node->next)
            result.push_back(node);
        return result;
    }

    // The handle of the index-th interface after a count (a rebuild when the list is dirty).
    static IOWarriorHIDDeviceInterface *interfaceAt(int index)
    {
        IOWarriorCountInterfaces();
        IOWarriorListNodeStruct *node = IOWarriorInterfaceListNodeAtIndex(index);
        return node ? node->hidInterface : nullptr;
    }

    tarvex::SimHidPlatform sim;
};
