// Writes a firmware image into the selected switch: each S0/S1/S9 line travels as text in
// 8-byte reports, closed by a status query and read; the switch is restarted after every
// transfer and asked for its new version. The transfer owns the switches through DeviceGate
// and runs as a sequence of event-loop steps, so the program stays responsive while no other
// device work can interleave with it. Shared by the firmware window and tarvexctl.
#pragma once

#include "switch/FirmwareOutcome.h"
#include "switch/SRecordImage.h"
#include "switch/TransferClock.h"

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>

struct IOWarriorListNodeStruct;
class IOWarriorController;
class DefaultsStore;
class FirmwareTransferObserver;
class SwitchLock;

class FirmwareTransfer : public QObject
{
    Q_OBJECT
public:
    // The pauses the switch needs between reports.
    static constexpr std::chrono::microseconds kPauseAfterHeader{100};
    static constexpr std::chrono::microseconds kPauseAfterChunk{1000};
    static constexpr std::chrono::microseconds kPauseAroundStatusRead{2000};
    static constexpr std::chrono::seconds kPauseAfterRestart{2};
    // How long the restart waits for an interface that a timed-out read still holds (the
    // kernel gives up on such a read after about 5 s).
    static constexpr int kRestartIdleWaitMs = 6000;

    FirmwareTransfer(IOWarriorController &registry, DefaultsStore &defaults,
                     QObject *parent = nullptr);
    ~FirmwareTransfer() override;

    // Not owned; may be null.
    void setObserver(FirmwareTransferObserver *observer) { mObserver = observer; }
    // Not owned; null goes back to the real clock.
    void setClock(TransferClock *clock);

    // The switch to write to by serial (tarvexctl --serial); empty, the default: the one
    // stored under "Selected Switch".
    void setTargetSerial(const QString &serial) { mTargetSerial = serial; }

    bool isRunning() const { return mRunning; }

    // Starts writing `firmware` (the whole check answer, version line first) into the switch
    // named by "Selected Switch" and returns at once; true when the transfer is under way.
    // Nothing is sent when no such switch is attached, the image fails its check, or another
    // program holds the switch (SwitchLock, held here until the end); each ends with
    // finished() at once. While a transfer runs, a second one is refused with false and no
    // signal. The switch's version is read before and after: an offer of another version
    // that leaves the switch on its old one is a failure.
    bool upgrade(const QString &firmware);
    // Runs upgrade() and the event loop until it has finished.
    FirmwareOutcome upgradeAndWait(const QString &firmware);

    // Sends one record line to `node`; the switch's record status (0 = accepted), or
    // FirmwareOutcome::kNoAnswerStatus when a report or the status read failed.
    int writeSRecordToIOWarrior(IOWarriorListNodeStruct *node, const QString &srecord, int command);
    // Sends the start command and the restart report to the selected switch, no pause between;
    // true when both reached it.
    bool restart(QObject *sender);

signals:
    void finished(const FirmwareOutcome &outcome);

private:
    using Report = std::array<std::uint8_t, 8>;

    IOWarriorListNodeStruct *selectedNode() const;
    // Every write and read first waits for the pause the previous one asked for.
    bool send(IOWarriorListNodeStruct *node, const Report &report);
    bool receive(IOWarriorListNodeStruct *node, Report &buffer);
    void pauseFor(std::chrono::microseconds pause);

    void refuse(const FirmwareOutcome &outcome);
    void sendNextRecords();
    void finishAfterRestart();
    void conclude(const FirmwareOutcome &outcome);

    IOWarriorController &mRegistry;
    DefaultsStore &mDefaults;
    FirmwareTransferObserver *mObserver = nullptr;
    std::unique_ptr<TransferClock> mOwnClock;
    TransferClock *mClock = nullptr;
    QString mTargetSerial;

    bool mRunning = false;
    SRecordImage mImage;
    IOWarriorListNodeStruct *mNode = nullptr;
    qsizetype mNextLine = 0;
    int mProgress = 0;
    int mStatus = 0;
    bool mRestartDelivered = true;
    QString mVersionBefore;
    QString mOfferedVersion;
    std::unique_ptr<SwitchLock> mLock;
    TransferClock::TimePoint mNotBefore{};
};
