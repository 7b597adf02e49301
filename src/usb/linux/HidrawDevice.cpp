// hidraw-backed HidDevice; see HidrawDevice.h.
#include "usb/linux/HidrawDevice.h"

#include "usb/HidLog.h"
#include "usb/linux/HidrawWorker.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <set>
#include <vector>

namespace tarvex {

namespace {

int systemOpen(const char *path, int flags)
{
    return ::open(path, flags);
}

// The permission hint is worth one line per node and process, not one per retry: the
// layer tries to open again on every transfer.
bool firstPermissionFailure(const std::string &devnode)
{
    static std::mutex mutex;
    static std::set<std::string> reported;
    std::lock_guard lock(mutex);
    return reported.insert(devnode).second;
}

} // namespace

HidrawDevice::HidrawDevice(std::string devnode, OpenFunction openFunction)
    : mDevnode(std::move(devnode)), mOpen(openFunction ? openFunction : systemOpen)
{
}

HidrawDevice::~HidrawDevice()
{
    mWorker.reset(); // closes the descriptor, possibly later from a detached helper
    if (mFd >= 0)
        ::close(mFd);
}

std::string HidrawDevice::permissionHint(const std::string &devnode)
{
    return "no permission to open " + devnode + ": install the udev rule, see README";
}

int HidrawDevice::open()
{
    if (mFd >= 0 || mWorker)
        return 0;
    // O_NOCTTY: a session leader must not acquire a terminal should the node be a tty.
    const int fd = mOpen(mDevnode.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno ? errno : EIO;
        mLastOpenError = error;
        if ((error == EACCES || error == EPERM) && firstPermissionFailure(mDevnode))
            qCWarning(tarvexHid, "%s", permissionHint(mDevnode).c_str());
        return error;
    }
    mLastOpenError = 0;
    mFd = fd;
    return 0;
}

HidrawWorker *HidrawDevice::worker()
{
    // The first transfer hands the descriptor to the helper that runs the blocking calls.
    if (!mWorker && mFd >= 0) {
        mWorker = std::make_unique<HidrawWorker>(mFd);
        mFd = -1;
    }
    return mWorker.get();
}

int HidrawDevice::setReport(const std::uint8_t *bytes, int length, int timeoutMs)
{
    HidrawWorker *helper = worker();
    return helper ? helper->write(bytes, length, timeoutMs) : EBADF;
}

int HidrawDevice::getReport(std::uint8_t reportId, std::uint8_t *buffer, int *length,
                            int timeoutMs)
{
    if (!buffer || !length || *length <= 0)
        return EINVAL;
    HidrawWorker *helper = worker();
    if (!helper)
        return EBADF;
    // The kernel takes the report ID from the first byte and overwrites the buffer with
    // its answer. Working on a copy leaves every byte the kernel did not return as the
    // caller had it, the first one included.
    std::vector<std::uint8_t> scratch(buffer, buffer + *length);
    scratch[0] = reportId;
    int returned = 0;
    const int status = helper->getInput(scratch.data(), *length, &returned, timeoutMs);
    if (status != 0)
        return status;
    std::copy_n(scratch.begin(), returned, buffer);
    *length = returned;
    return 0;
}

int HidrawDevice::waitUntilIdle(int timeoutMs)
{
    return mWorker ? mWorker->waitUntilIdle(timeoutMs) : 0;
}

std::string HidrawDevice::path() const
{
    return mDevnode;
}

int HidrawDevice::lastOpenError() const
{
    return mLastOpenError;
}

} // namespace tarvex
