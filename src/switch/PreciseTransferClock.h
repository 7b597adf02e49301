// The real clock of firmware transfers: monotonic time, absolute-deadline sleeps with the
// thread's timer slack lowered for the transfer, so the pauses the switch needs are kept
// without the tens of microseconds of oversleep per pause that add up over thousands of
// records. Long waits go through the event loop.
#pragma once

#include "switch/TransferClock.h"

class PreciseTransferClock : public TransferClock
{
public:
    TimePoint now() override;
    void sleepUntil(TimePoint deadline) override;
    void callAt(TimePoint deadline, QObject *context, std::function<void()> then) override;
    void beginTransfer() override;
    void endTransfer() override;

private:
    long mSavedSlack = -1;
};
