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
    if (mBusy) {
        mPending.push_back(std::move(work));
        return;
    }
    work();
}

void DeviceGate::begin(const QString &reason)
{
    mBusy = true;
    mReason = reason;
}

void DeviceGate::end()
{
    mBusy = false;
    mReason.clear();
    // Queued work may itself begin a new operation; stop draining then, the rest waits again.
    while (!mBusy && !mPending.empty()) {
        auto work = std::move(mPending.front());
        mPending.pop_front();
        work();
    }
}
