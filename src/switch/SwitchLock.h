// One program at a time on a switch. Two programs writing to one switch interleave their
// reports (a record cut in half, a restart into a partial image), so every exchange with a
// switch holds an advisory lock, across processes, keyed by the switch's serial number: a
// firmware transfer for its whole length, a port command or a status exchange for that
// exchange. The lock is a flock() on a file under $XDG_RUNTIME_DIR/tarvexcc (fallback
// /run/user/<uid>/tarvexcc, then the user's own $XDG_STATE_HOME/TarvexCC/locks: never a
// shared place such as /tmp, where another user could take the name first). A directory or
// lock file that is someone else's doing keeps the program off the switch rather than let it
// go on unlocked; an own directory open to others is made private. Within one process it is reentrant,
// so the transfer's own status queries pass; serialising work inside one process is
// DeviceGate's job. Main thread only.
#pragma once

#include <QString>
#include <chrono>

class SwitchLock
{
public:
    enum class Purpose { Exchange, FirmwareTransfer };

    // Statuses of a switch that another program holds; outside the range of the errno values
    // the transfers report, so they are never mistaken for a device error.
    static constexpr int kBusyStatus = 0x10000;            // held for anything else
    static constexpr int kBusyWithFirmwareStatus = 0x10001; // held by a firmware transfer
    static constexpr int kLockRefusedStatus = 0x10002;      // the lock's place is not private

    // Takes the lock for `serial`, waiting at most waitLimit() while another program holds it
    // (not at all when that program is writing firmware: that takes minutes).
    SwitchLock(const QString &serial, Purpose purpose);
    ~SwitchLock();
    SwitchLock(const SwitchLock &) = delete;
    SwitchLock &operator=(const SwitchLock &) = delete;

    // 0 when this process may talk to the switch, else one of the busy statuses. A lock file
    // the system cannot make (a read-only home) is logged once and counts as held: locking
    // must never keep a user from a switch nobody else uses. One that another user's doing
    // keeps from being private is kLockRefusedStatus.
    int status() const { return mStatus; }
    bool isHeld() const { return mStatus == 0; }

    static bool isBusyStatus(int status);
    // The user's text for a busy status (translated): "the switch is busy: a firmware
    // upgrade is running in another program", or a more general one, or why the lock's place
    // cannot be used.
    static QString busyText(int status);

    static QString directory();
    static QString lockFilePath(const QString &serial);
    // How long an exchange waits for another program's exchange to end (default 500 ms).
    static void setWaitLimit(std::chrono::milliseconds limit);

private:
    void release(int status);
    void refuse(const QString &why);

    QString mSerial;
    int mStatus = 0;
    bool mCounted = false;
};
