// A transfer clock on virtual time: sleeping advances the clock instead of waiting, and each
// requested sleep is recorded, so tests check every pause exactly and run at full speed.
#pragma once

#include "switch/TransferClock.h"

#include <QTimer>
#include <vector>

class VirtualTransferClock : public TransferClock
{
public:
    TimePoint now() override { return mNow; }
    void sleepUntil(TimePoint deadline) override
    {
        if (deadline > mNow)
            sleeps.push_back(std::chrono::duration_cast<std::chrono::microseconds>(deadline - mNow).count());
        mNow = std::max(mNow, deadline);
    }
    void callAt(TimePoint deadline, QObject *context, std::function<void()> then) override
    {
        QTimer::singleShot(0, context, [this, deadline, then = std::move(then)] {
            sleepUntil(deadline);
            then();
        });
    }
    void beginTransfer() override {}
    void endTransfer() override {}
    long long micros() const { return std::chrono::duration_cast<std::chrono::microseconds>(mNow.time_since_epoch()).count(); }

    std::vector<long long> sleeps; // every sleep that waited, in microseconds, in call order

private:
    TimePoint mNow{};
};
