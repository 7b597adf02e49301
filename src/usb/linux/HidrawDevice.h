// One IOWarrior HID interface reached through its /dev/hidrawN node: opened on demand,
// output reports by write(), input reports by HIDIOCGINPUT, both with a time-out.
#pragma once

#include "usb/HidPlatform.h"

#include <memory>
#include <string>

namespace tarvex {

class HidrawWorker;

class HidrawDevice : public HidDevice
{
public:
    // The open() call to use; replaceable so that refused opens can be exercised
    // without a node the test user cannot open.
    using OpenFunction = int (*)(const char *path, int flags);

    explicit HidrawDevice(std::string devnode, OpenFunction openFunction = nullptr);
    ~HidrawDevice() override;

    int open() override;
    int setReport(const std::uint8_t *bytes, int length, int timeoutMs) override;
    int getReport(std::uint8_t reportId, std::uint8_t *buffer, int *length,
                  int timeoutMs) override;
    int waitUntilIdle(int timeoutMs) override;
    std::string path() const override;
    int lastOpenError() const override;

    // The hint printed when a node exists but may not be opened: the udev rule is missing.
    static std::string permissionHint(const std::string &devnode);

private:
    HidrawWorker *worker(); // null while the node is not open

    std::string mDevnode;
    OpenFunction mOpen;
    int mFd = -1;             // owned here until the first transfer hands it to the worker
    int mLastOpenError = 0;
    std::unique_ptr<HidrawWorker> mWorker;
};

} // namespace tarvex
