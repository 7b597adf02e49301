// A transfer clock on virtual time: sleeping advances the clock instead of waiting, and each
// requested sleep is recorded, so tests check every pause exactly and run at full speed.
#pragma once

#include "switch/TransferClock.h"

#include <vector>

class VirtualTransferClock : public TransferClock
{
public:
    TimePoint now() override { return mNow; }
    void sleepUntil(TimePoint deadline) override;
    void callAt(TimePoint deadline, QObject *context, std::function<void()> then) override;
    void beginTransfer() override { ++mBegins; }
    void endTransfer() override { ++mEnds; }

    // Microseconds since the clock was made.
    long long micros() const;
    // Every sleep that actually waited, in microseconds, in call order.
    const std::vector<long long> &sleeps() const { return mSleeps; }
    void clearSleeps() { mSleeps.clear(); }
    int begins() const { return mBegins; }
    int ends() const { return mEnds; }

private:
    TimePoint mNow{};
    std::vector<long long> mSleeps;
    int mBegins = 0;
    int mEnds = 0;
};
