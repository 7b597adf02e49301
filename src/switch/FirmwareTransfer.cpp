// The firmware transfer; see FirmwareTransfer.h.
#include "switch/FirmwareTransfer.h"

#include "switch/DefaultsStore.h"
#include "switch/DeviceGate.h"
#include "switch/EventLoopWait.h"
#include "switch/FirmwareLog.h"
#include "switch/FirmwareTransferObserver.h"
#include "switch/PreciseTransferClock.h"
#include "switch/SwitchLock.h"
#include "switch/SwitchProtocol.h"
#include "usb/IOWarriorController.h"
#include "usb/IOWarriorLib.h"

namespace {

constexpr std::uint8_t kDataTransfer = 0x09;
constexpr std::uint8_t kStartCommand = 0x08;
constexpr std::uint8_t kRestartCommand = 0xFE;
constexpr std::uint8_t kStatusQueryCommand = 0xFF;
constexpr std::uint8_t kReplyReportID = 9;
constexpr int kChunk = 6;

} // namespace

FirmwareTransfer::FirmwareTransfer(IOWarriorController &registry, DefaultsStore &defaults,
                                   QObject *parent)
    : QObject(parent)
    , mRegistry(registry)
    , mDefaults(defaults)
    , mOwnClock(std::make_unique<PreciseTransferClock>())
    , mClock(mOwnClock.get())
{
}

FirmwareTransfer::~FirmwareTransfer()
{
    // Torn down mid-transfer (the program is going away): give the devices back so the
    // queued work is not stranded.
    if (mRunning) {
        mRunning = false;
        mClock->endTransfer();
        mLock.reset();
        DeviceGate::instance().end();
    }
}

void FirmwareTransfer::setClock(TransferClock *clock)
{
    mClock = clock ? clock : mOwnClock.get();
}

IOWarriorListNodeStruct *FirmwareTransfer::selectedNode() const
{
    if (!mTargetSerial.isEmpty())
        return mRegistry.deviceWithSerial(mTargetSerial);
    return mRegistry.deviceWithSerial(mDefaults.stringForKey(QStringLiteral("Selected Switch")));
}

void FirmwareTransfer::pauseFor(std::chrono::microseconds pause)
{
    mNotBefore = mClock->now() + pause;
}

bool FirmwareTransfer::send(IOWarriorListNodeStruct *node, const Report &report)
{
    mClock->sleepUntil(mNotBefore);
    return IOWarriorWriteToInterface(node->hidInterface, int(report.size()), report.data()) == 0;
}

bool FirmwareTransfer::receive(IOWarriorListNodeStruct *node, Report &buffer)
{
    mClock->sleepUntil(mNotBefore);
    return IOWarriorReadFromInterface(node->hidInterface, kReplyReportID, int(buffer.size()),
                                      buffer.data()) == 0;
}

bool FirmwareTransfer::upgrade(const QString &firmware)
{
    // A second transfer is refused without a finished(): that signal belongs to the one
    // running, and whoever waits for it must not take this refusal for its end.
    if (mRunning)
        return false;
    IOWarriorListNodeStruct *node = selectedNode();
    if (!node || !node->hidInterface) {
        emit finished(FirmwareOutcome::notConnected());
        return false;
    }
    SRecordImage image = SRecordImage::fromText(firmware);
    // A damaged download is refused before the switch hears anything: once the start
    // command is sent the switch expects a whole image.
    if (auto error = image.validationError()) {
        refuse(FirmwareOutcome::damaged(*error));
        return false;
    }
    // Another program writing to the same switch would interleave its reports with ours.
    const QString serial = QString::fromUtf8(node->serialNumber ? node->serialNumber : "0");
    auto lock = std::make_unique<SwitchLock>(serial, SwitchLock::Purpose::FirmwareTransfer);
    if (!lock->isHeld()) {
        refuse(FirmwareOutcome::switchBusy(lock->status()));
        return false;
    }
    // The version before, to tell afterwards whether the switch took the image. Asked before
    // the transfer owns the devices: it is an ordinary status exchange.
    const auto before = SwitchProtocol::query(mRegistry, node, SwitchProtocol::QueryFirmwareVersion);
    mVersionBefore = before ? SwitchProtocol::firmwareVersionFromRecord(*before) : QString();
    mOfferedVersion = image.versionLine().trimmed();
    qCDebug(tarvexFirmware).noquote() << serial << "firmware transfer of" << image.lines().size()
                                      << "lines, version" << mVersionBefore << "->" << mOfferedVersion;

    mLock = std::move(lock);
    mRunning = true;
    DeviceGate::instance().begin(QStringLiteral("firmware transfer"));
    mClock->beginTransfer();
    mImage = std::move(image);
    mNode = node;
    mNextLine = 0;
    mProgress = 0;
    mStatus = 0;
    mNotBefore = mClock->now();
    if (mObserver) {
        mObserver->setProgressValue(0);
        mObserver->setProgressMaximum(int(mImage.lines().size()));
    }
    // The start command's own result is of no interest: a switch that missed it refuses
    // the first record, and a switch that is gone fails the first record's reports.
    send(mNode, Report{kDataTransfer, 0x01, kStartCommand, 0, 0, 0, 0, 0});
    mClock->callAt(mNotBefore, this, [this] { sendNextRecords(); });
    return true;
}

FirmwareOutcome FirmwareTransfer::upgradeAndWait(const QString &firmware)
{
    return EventLoopWait::until(this, &FirmwareTransfer::finished, [&] { return upgrade(firmware); },
                                FirmwareOutcome::busy());
}

void FirmwareTransfer::refuse(const FirmwareOutcome &outcome)
{
    qCDebug(tarvexFirmware).noquote() << "firmware transfer refused:" << outcome.text() << outcome.detail();
    if (mObserver)
        mObserver->showOutcome(outcome);
    emit finished(outcome);
}

void FirmwareTransfer::sendNextRecords()
{
    // One record per step: between records the event loop turns while the pause after the
    // status read runs anyway, so responsiveness costs the switch no time.
    const auto &lines = mImage.lines();
    while (mStatus == 0 && mNextLine < lines.size()) {
        const SRecordImage::Line &line = lines.at(mNextLine++);
        const bool sent = line.kind != SRecordImage::Kind::Skipped;
        if (sent)
            mStatus = writeSRecordToIOWarrior(mNode, line.text, SRecordImage::commandFor(line.kind));
        ++mProgress;
        if (mObserver)
            mObserver->setProgressValue(mProgress);
        if (sent && mStatus == 0 && mNextLine < lines.size()) {
            mClock->callAt(mNotBefore, this, [this] { sendNextRecords(); });
            return;
        }
    }
    // The switch is restarted whatever happened: it must not be left waiting for records.
    mRestartDelivered = restart(nullptr);
    mNotBefore = mClock->now() + kPauseAfterRestart;
    mClock->callAt(mNotBefore, this, [this] { finishAfterRestart(); });
}

void FirmwareTransfer::finishAfterRestart()
{
    mClock->sleepUntil(mNotBefore);
    const auto record = SwitchProtocol::query(mRegistry, mNode, SwitchProtocol::QueryFirmwareVersion);
    const QString after = record ? SwitchProtocol::firmwareVersionFromRecord(*record) : QString();
    if (mObserver)
        mObserver->showFirmwareVersion(after);
    // A switch that was not restarted is still waiting for records: that is no success.
    FirmwareOutcome outcome = FirmwareOutcome::forRecordStatus(
        mStatus == 0 && !mRestartDelivered ? FirmwareOutcome::kNoAnswerStatus : mStatus);
    // Accepted records prove nothing if the switch runs its old firmware afterwards. A
    // read-back that differs from the offered text is fine (the switch cannot know the text
    // of the offer); exactly the old version after a different offer is not.
    if (outcome.succeeded() && !mVersionBefore.isEmpty() && !mOfferedVersion.isEmpty()
        && mOfferedVersion != mVersionBefore && after == mVersionBefore)
        outcome = FirmwareOutcome::unchanged(after);
    outcome.setRestartDelivered(mRestartDelivered);
    conclude(outcome);
}

void FirmwareTransfer::conclude(const FirmwareOutcome &outcome)
{
    mClock->endTransfer();
    mRunning = false;
    mNode = nullptr;
    mImage = SRecordImage();
    mLock.reset();
    qCDebug(tarvexFirmware).noquote() << "firmware transfer ended:" << outcome.recordStatus() << outcome.text();
    if (mObserver && outcome.hasAlert()) {
        mObserver->showOutcome(outcome);
        mObserver->setProgressValue(0);
    }
    // Queued device work (port commands, refreshes, quitting) runs only now, after the alert
    // has been answered, as it would have behind a modal transfer.
    DeviceGate::instance().end();
    emit finished(outcome);
}

int FirmwareTransfer::writeSRecordToIOWarrior(IOWarriorListNodeStruct *node, const QString &srecord,
                                              int command)
{
    if (!node || !node->hidInterface)
        return FirmwareOutcome::kNoAnswerStatus;
    const qsizetype length = srecord.size();
    const auto lengthByte = static_cast<std::uint8_t>(length & 0xFF);
    const auto commandByte = static_cast<std::uint8_t>(command & 0xFF);

    Report header{kDataTransfer, 0xC2, commandByte, lengthByte, 0, 0, 0, 0};
    if (command == SRecordImage::kCommandHeader)
        header[1] = 0xC3; // the header record's header carries one more byte, a 0
    // Once a report is lost the switch's view of the record is wrong: nothing after it
    // can be trusted, so the record ends there as unanswered.
    if (!send(node, header))
        return FirmwareOutcome::kNoAnswerStatus;
    pauseFor(kPauseAfterHeader);

    for (qsizetype pos = 0; pos < length;) {
        const int n = int(std::min<qsizetype>(kChunk, length - pos));
        Report chunk{kDataTransfer, 0, 0, 0, 0, 0, 0, 0};
        chunk[1] = static_cast<std::uint8_t>(length - pos > kChunk ? 0xC6 : 0x80 + n);
        for (int i = 0; i < n; ++i)
            chunk[2 + i] = static_cast<std::uint8_t>(srecord.at(pos + i).unicode() & 0xFF);
        if (!send(node, chunk))
            return FirmwareOutcome::kNoAnswerStatus;
        pos += n;
        pauseFor(kPauseAfterChunk);
    }

    Report buffer{kDataTransfer, 0x81, kStatusQueryCommand, 0, 0, 0, 0, 0};
    if (!send(node, buffer))
        return FirmwareOutcome::kNoAnswerStatus;
    pauseFor(kPauseAroundStatusRead);
    const bool answered = receive(node, buffer);
    pauseFor(kPauseAroundStatusRead);
    // Without an answer byte 3 would still be the query's 0: never take that as accepted.
    if (!answered)
        return FirmwareOutcome::kNoAnswerStatus;
    return static_cast<std::int8_t>(buffer[3]);
}

bool FirmwareTransfer::restart(QObject *sender)
{
    Q_UNUSED(sender);
    // During a transfer the loop turns, so the selection may change meanwhile: the restart
    // belongs to the switch that was written. (The gate keeps its node valid.)
    IOWarriorListNodeStruct *node = mRunning ? mNode : selectedNode();
    if (!node || !node->hidInterface)
        return false;
    // A status read that timed out can hold the interface until the kernel gives up on it;
    // without this wait both restart reports would be refused as busy.
    IOWarriorWaitUntilIdle(node->hidInterface, kRestartIdleWaitMs);
    const bool started = send(node, Report{kDataTransfer, 0x01, kStartCommand, 0, 0, 0, 0, 0});
    // No pause between the two: the switch takes the restart straight after the start command.
    const bool restarted = IOWarriorWriteToInterface(node->hidInterface, 8,
                              Report{kDataTransfer, 0x01, kRestartCommand, 0, 0, 0, 0, 0}.data()) == 0;
    return started && restarted;
}
