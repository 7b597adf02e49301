// Helper thread for the time-limited hidraw transfers of one device.
#include "usb/linux/HidrawWorker.h"

#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>

namespace tarvex {

// State shared between the device and its helper thread. Whoever drops the last reference
// closes the descriptor, so a detached helper that is still inside the kernel keeps it
// valid until its call returns.
struct HidrawWorker::Shared {
    explicit Shared(int descriptor) : fd(descriptor) {}
    ~Shared()
    {
        if (fd >= 0)
            ::close(fd);
    }

    std::mutex mutex;
    std::condition_variable cv;
    const int fd;
    bool stop = false;
    bool pending = false; // a job waits for the helper
    bool running = false; // the helper is inside the kernel call
    Op op = Op::Write;
    std::chrono::steady_clock::time_point deadline; // of the pending job
    std::vector<std::uint8_t> buffer; // touched by the helper only while running
    std::uint64_t submitted = 0;
    std::uint64_t completed = 0;
    int result = 0;
    int returned = 0;
};

HidrawWorker::HidrawWorker(int fd) : mShared(std::make_shared<Shared>(fd)) {}

HidrawWorker::~HidrawWorker()
{
    if (!mThread.joinable())
        return;
    bool stuck;
    {
        std::lock_guard lock(mShared->mutex);
        mShared->stop = true;
        mShared->pending = false; // a job nobody waits for any more need not start
        stuck = mShared->running;
    }
    mShared->cv.notify_all();
    if (stuck)
        mThread.detach(); // the helper holds its own reference to the shared state
    else
        mThread.join();
}

int HidrawWorker::write(const std::uint8_t *bytes, int length, int timeoutMs)
{
    if (!bytes || length <= 0)
        return EINVAL;
    return run(Op::Write, const_cast<std::uint8_t *>(bytes), length, nullptr, timeoutMs);
}

int HidrawWorker::getInput(std::uint8_t *buffer, int length, int *returned, int timeoutMs)
{
    if (!buffer || length <= 0 || length > 4096)
        return EINVAL;
    return run(Op::GetInput, buffer, length, returned, timeoutMs);
}

int HidrawWorker::waitUntilIdle(int timeoutMs)
{
    Shared &s = *mShared;
    std::unique_lock lock(s.mutex);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    return s.cv.wait_until(lock, deadline, [&] { return !s.pending && !s.running; }) ? 0 : ETIMEDOUT;
}

int HidrawWorker::run(Op op, std::uint8_t *buffer, int length, int *returned, int timeoutMs)
{
    Shared &s = *mShared;
    std::unique_lock lock(s.mutex);
    if (s.pending || s.running)
        return EBUSY;
    if (!mThread.joinable()) {
        try {
            mThread = std::thread(&HidrawWorker::loop, mShared);
        } catch (const std::system_error &) {
            return EAGAIN; // no thread to run the call on: fail this transfer, not the program
        }
    }

    // The helper works on its own copy: after a time-out the caller's buffer may be gone.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    s.op = op;
    s.buffer.assign(buffer, buffer + length);
    s.deadline = deadline;
    s.pending = true;
    const std::uint64_t ticket = ++s.submitted;
    s.cv.notify_all();

    if (!s.cv.wait_until(lock, deadline, [&] { return s.completed >= ticket; })) {
        if (s.pending) {
            // The helper never picked the job up: withdraw it rather than leaving a
            // transfer to happen after the caller was told it failed.
            s.pending = false;
        }
        return ETIMEDOUT;
    }
    if (s.result == 0 && op == Op::GetInput) {
        const int n = std::clamp(s.returned, 0, length);
        std::memcpy(buffer, s.buffer.data(), static_cast<size_t>(n));
        if (returned)
            *returned = n;
    }
    return s.result;
}

void HidrawWorker::loop(std::shared_ptr<Shared> shared)
{
    Shared &s = *shared;
    std::unique_lock lock(s.mutex);
    for (;;) {
        s.cv.wait(lock, [&] { return s.stop || s.pending; });
        if (!s.pending)
            return; // stop requested and nothing to do
        s.pending = false;
        // The caller may have timed out while this thread waited for the lock, after it could
        // withdraw the job: a report it was told had failed must not reach the switch now.
        if (s.deadline <= std::chrono::steady_clock::now()) {
            s.result = ETIMEDOUT;
            s.completed = s.submitted;
            s.cv.notify_all();
            continue;
        }
        s.running = true;
        const Op op = s.op;
        std::uint8_t *data = s.buffer.data();
        const auto size = s.buffer.size();
        lock.unlock();

        int result = 0;
        int returned = 0;
        if (op == Op::Write) {
            const ssize_t n = ::write(s.fd, data, size);
            if (n < 0)
                result = errno;
            else if (static_cast<size_t>(n) != size)
                result = EIO; // a report is sent whole or not at all
        } else {
            const int n = ::ioctl(s.fd, HIDIOCGINPUT(size), data);
            if (n < 0)
                result = errno;
            else
                returned = std::min<int>(n, static_cast<int>(size));
        }

        lock.lock();
        s.running = false;
        s.result = result;
        s.returned = returned;
        s.completed = s.submitted;
        s.cv.notify_all();
        if (s.stop)
            return;
    }
}

} // namespace tarvex
