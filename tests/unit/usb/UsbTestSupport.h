// Shared fixture for the usb tests: a simulated bus wired into the IOWarrior layer, and a
// capture of what the layer prints on stderr.
#pragma once

#include "usb/IOWarriorLib.h"
#include "usb/sim/SimHidPlatform.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using Bytes = std::array<std::uint8_t, 8>;

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
        ASSERT_EQ(IOWarriorInit(), 0);
    }
    void TearDown() override
    {
        QCoreApplication::processEvents();
        IOWarriorClearInterfaceList();
        IOWarriorSetDeviceCallback(nullptr, nullptr);
        IOWarriorSetDeviceAddedCallback(nullptr, nullptr);
        IOWarriorSetDeviceRemovedCallback(nullptr, nullptr);
        IOWarriorSetPlatform(nullptr);
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
