// The time base of a firmware transfer. The switch needs fixed pauses between reports; the
// transfer asks this clock for them, so tests can run on virtual time and check every pause
// exactly, while the program uses PreciseTransferClock.
#pragma once

#include <chrono>
#include <functional>

class QObject;

class TransferClock
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~TransferClock() = default;

    virtual TimePoint now() = 0;
    // Blocks the calling thread until `deadline` has passed (at once when it has).
    virtual void sleepUntil(TimePoint deadline) = 0;
    // Returns at once; calls `then` from the event loop, not before `deadline`, unless
    // `context` is destroyed first. The loop turns at least once meanwhile.
    virtual void callAt(TimePoint deadline, QObject *context, std::function<void()> then) = 0;
    // Bracket a transfer, so the clock can tighten its timing for that long.
    virtual void beginTransfer() {}
    virtual void endTransfer() {}
};
