// Serialising gate for device access; see DeviceGate.h.
#include "switch/DeviceGate.h"

#include <utility>

DeviceGate &DeviceGate::instance()
{
    static DeviceGate gate;
    return gate;
}

void DeviceGate::runOrDefer(std::function<void()> work)
{
    if (isBusy()) {
        mPending.push_back(std::move(work));
        return;
    }
    work();
}

void DeviceGate::begin(const QString &reason)
{
    ++mDepth;
    mReason = reason;
}

void DeviceGate::end()
{
    // An unmatched end must not open the gate under an operation that is still running.
    if (mDepth == 0)
        return;
    if (--mDepth > 0)
        return;
    mReason.clear();
    // Queued work may itself begin a new operation; stop draining then, the rest waits again.
    while (!isBusy() && !mPending.empty()) {
        auto work = std::move(mPending.front());
        mPending.pop_front();
        work();
    }
}
