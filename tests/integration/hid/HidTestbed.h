// A fresh umockdev testbed per test with helpers that build IOWarrior-like hidraw devices
// (hid → hidraw, as a virtual HID device has them: the backend needs no USB parents) and
// emulate what the device answers.
#pragma once

#include <umockdev.h> // before Qt: its "signals" keyword breaks glib's headers

#include <QTest>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tarvex::test {

using Bytes = std::vector<std::uint8_t>;

// Collects writes and answers HIDIOCGINPUT for one /dev node; runs on umockdev's thread.
class EmulatedHidraw
{
public:
    EmulatedHidraw();
    ~EmulatedHidraw();

    UMockdevIoctlBase *handler() const { return mHandler; }
    std::vector<Bytes> writes() const;
    // The answer to input-report requests, report ID first (empty: a zero-length answer).
    void setInputReply(Bytes reply);
    // With false, input requests are held unanswered until releaseHeld() fails them.
    void setAnswerInput(bool answer);
    void releaseHeld(int error);
    // Writes take only this many bytes (0: all of them).
    void setWriteTakes(int bytes) { mWriteTakes = bytes; }

private:
    static gboolean onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer self);
    static gboolean onWrite(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer self);

    UMockdevIoctlBase *mHandler;
    mutable std::mutex mMutex;
    std::vector<Bytes> mWrites;
    Bytes mReply;
    bool mAnswer = true;
    std::atomic<int> mWriteTakes = 0;
    std::vector<UMockdevIoctlClient *> mHeld;
};

// How one emulated chip looks in sysfs.
struct ChipLayout {
    std::uint16_t vendor = 0x1214;
    std::uint16_t product = 0x03EB;
    std::string serial = "00001234";
    int usbPort = 1;                          // usb-…-<port>/input<n> in HID_PHYS
    std::vector<int> hidrawNumbers = {0, 1};  // one per interface, interface 0 first
    std::string descriptorHex = {};           // empty: usage page 1, usage 0
};

class HidTestbed
{
public:
    HidTestbed() : mBed(umockdev_testbed_new()) {}
    ~HidTestbed() { g_object_unref(mBed); }

    // Adds the chip, attaching `emulation` (may be null) to its hidraw nodes in order.
    // Returns the hidraw sysfs paths, interface 0 first.
    std::vector<std::string> addChip(const ChipLayout &chip, const std::vector<EmulatedHidraw *> &emulation = {});
    // Unplugs one interface the way the kernel reports it: the remove event while sysfs
    // still exists, then the devices go away leaf first.
    void removeInterface(const std::string &hidrawSyspath);
    // How many descriptors of this process are open on emulated nodes (pseudo-terminals).
    static int openTerminalDescriptors();

private:
    UMockdevTestbed *mBed;
};

// Runs the Qt event loop until `done` holds (true) or a generous bound passes (false); the
// bound only keeps a broken build from hanging, it is not a timing assertion.
inline bool runEventLoopUntil(const std::function<bool()> &done) { return QTest::qWaitFor(done, 60000); }

} // namespace tarvex::test
