// Serialises access to the switches and the device list. While an operation that takes
// several turns of the event loop owns them (a firmware transfer, the settling waits after a
// plug), the loop keeps turning so the desktop sees a live program, but port commands,
// rotation steps, hot-plug refreshes and quitting that arrive meanwhile are queued and run,
// in order, when the operation ends.
#pragma once

#include <QString>
#include <deque>
#include <functional>

class DeviceGate
{
public:
    static DeviceGate &instance();

    bool isBusy() const { return mDepth > 0; }
    QString busyReason() const { return mReason; }

    // Runs `work` at once when idle, else queues it for the end of the current operation.
    void runOrDefer(std::function<void()> work);

    // Marks the start and the end of an operation that owns the devices. Operations may
    // overlap (one started from a queued item of another, or by code that did not ask
    // first): the gate stays shut until the last one has ended. The final end() runs the
    // queued work in arrival order; work queued while that runs runs too.
    void begin(const QString &reason);
    void end();

private:
    int mDepth = 0;
    QString mReason;
    std::deque<std::function<void()>> mPending;
};
