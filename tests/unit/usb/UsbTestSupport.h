// Shared fixtures for the usb tests: a simulated bus wired into the IOWarrior layer, and a
// capture of everything written to file descriptor 2.
#pragma once

#include "usb/IOWarriorLib.h"
#include "usb/sim/SimHidPlatform.h"

#include <array>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// Redirects fd 2 into a temporary file until text() is called (or destruction).
class StderrCapture
{
public:
    StderrCapture();
    ~StderrCapture();
    std::string text(); // stops capturing and returns what was written

private:
    int mSavedFd = -1;
    std::FILE *mFile = nullptr;
};

class UsbLayerTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
    // Delivers the queued plug and unplug notifications.
    static void deliverNotifications();
    static std::vector<IOWarriorListNodeStruct *> nodes();
    static std::vector<int> kinds();

    tarvex::SimHidPlatform sim;
};

using Bytes = std::array<std::uint8_t, 8>;
