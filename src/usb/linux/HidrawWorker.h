// Runs the blocking hidraw calls (write, HIDIOCGINPUT) of one device on a helper thread so
// that the main thread waits at most the caller's time-out. A call that the kernel keeps
// stuck past its time-out stays with the helper; the device refuses further transfers with
// EBUSY until it returns, and the descriptor is closed only after it has returned.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tarvex {

class HidrawWorker
{
public:
    // Takes ownership of `fd`; it is closed once no call on it can still be running.
    explicit HidrawWorker(int fd);
    // Never blocks for long: with a call still stuck in the kernel the helper thread is
    // detached and closes the descriptor itself when the call returns.
    ~HidrawWorker();

    HidrawWorker(const HidrawWorker &) = delete;
    HidrawWorker &operator=(const HidrawWorker &) = delete;

    // write() of the bytes as one report. 0, an errno value, EIO for a short write,
    // ETIMEDOUT past the deadline, EBUSY while an earlier call is still stuck.
    int write(const std::uint8_t *bytes, int length, int timeoutMs);
    // HIDIOCGINPUT(length) with buffer[0] as the report ID. On success copies back only
    // the bytes the kernel returned and stores their number in *returned.
    int getInput(std::uint8_t *buffer, int length, int *returned, int timeoutMs);
    // Waits at most `timeoutMs` for a call stuck in the kernel to return: 0 once the helper
    // is free, ETIMEDOUT otherwise.
    int waitUntilIdle(int timeoutMs);

private:
    enum class Op { Write, GetInput };
    struct Shared;

    int run(Op op, std::uint8_t *buffer, int length, int *returned, int timeoutMs);
    static void loop(std::shared_ptr<Shared> shared);

    std::shared_ptr<Shared> mShared;
    std::thread mThread; // started with the first transfer
};

} // namespace tarvex
