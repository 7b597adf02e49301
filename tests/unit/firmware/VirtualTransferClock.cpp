// Virtual time for transfer tests; see VirtualTransferClock.h.
#include "VirtualTransferClock.h"

#include <QTimer>

void VirtualTransferClock::sleepUntil(TimePoint deadline)
{
    if (deadline <= mNow)
        return;
    mSleeps.push_back(std::chrono::duration_cast<std::chrono::microseconds>(deadline - mNow).count());
    mNow = deadline;
}

void VirtualTransferClock::callAt(TimePoint deadline, QObject *context, std::function<void()> then)
{
    QTimer::singleShot(0, context, [this, deadline, then = std::move(then)] {
        sleepUntil(deadline);
        then();
    });
}

long long VirtualTransferClock::micros() const
{
    return std::chrono::duration_cast<std::chrono::microseconds>(mNow.time_since_epoch()).count();
}
