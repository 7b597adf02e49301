// The device side of one simulated IOWarrior chip inside a Tarvex switch: it answers the
// control interface's mode set-up, port select and status queries, takes firmware records
// (checking each record's checksum) and logs every report it receives. Faults can be
// injected so tests can exercise failed opens, writes and reads, refused records and
// unplugs in the middle of an exchange.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarvex {

// One output report as the chip received it.
struct SimReport {
    int interfaceIndex = 0; // 0: the chip's first interface, 1: the control interface
    std::array<std::uint8_t, 8> bytes{};
    std::chrono::steady_clock::time_point at; // when it arrived, on the switch's clock
};

class SimulatedSwitch
{
public:
    // Record status values this firmware answers besides an injected refusal.
    static constexpr std::uint8_t kStatusAccepted = 0;
    static constexpr std::uint8_t kStatusChecksumError = 2;  // malformed record or bad checksum
    static constexpr std::uint8_t kStatusLengthError = 4;    // fewer/more characters than announced
    static constexpr std::uint8_t kStatusNotStarted = 5;     // record without the 0x08 start command

    explicit SimulatedSwitch(std::string serial, std::uint8_t identifier = 1,
                             std::int8_t firmwareMajor = 1, std::int8_t firmwareMinor = 4);

    // --- configuration -------------------------------------------------------------------
    const std::string &serial() const { return mSerial; }
    std::uint8_t identifier() const { return mIdentifier; }
    void setIdentifier(std::uint8_t identifier) { mIdentifier = identifier; }
    std::int8_t firmwareMajor() const { return mFirmwareMajor; }
    std::int8_t firmwareMinor() const { return mFirmwareMinor; }
    void setFirmwareVersion(std::int8_t major, std::int8_t minor);
    // The version a restart adopts after a transfer in which every record was accepted and
    // the end record (S9) arrived. Without one the version stays.
    void setVersionAfterRestart(std::int8_t major, std::int8_t minor);
    int portCount() const { return mIdentifier == 2 ? 2 : 4; }

    // --- observable state ----------------------------------------------------------------
    bool modeSetUp() const { return mModeSetUp; }
    int machinePort() const { return mMachinePort; }
    int usbPort() const { return mUsbPort; }
    int activePort() const { return mMachinePort; }
    void setActivePort(int port) { mMachinePort = mUsbPort = port; }
    // Every record line of the latest transfer (kept across its restart), accepted or not.
    const std::vector<std::string> &receivedRecords() const { return mRecords; }
    int restartCount() const { return mRestarts; }
    int openCount(int interfaceIndex) const { return mOpenCount[interfaceIndex & 1]; }

    const std::vector<SimReport> &log() const { return mLog; }
    void clearLog() { mLog.clear(); }
    // The clock the log's arrival times come from (default: steady_clock), so a test on virtual
    // time can check the pauses the switch needs between reports.
    void setClock(std::function<std::chrono::steady_clock::time_point()> clock) { mClock = std::move(clock); }

    // --- fault injection ----------------------------------------------------------------
    void failNextWrite(int error) { mNextWriteError = error; }
    void failNextRead(int error) { mNextReadError = error; }
    // Reads answer ETIMEDOUT at once, as the platform does once the time-out has passed.
    void setReadNeverAnswers(bool never) { mReadNeverAnswers = never; }
    void failOpen(int error) { mOpenError = error; } // EACCES, ENODEV, ...; 0 ends it
    // Reads store only the first `bytes` bytes of the answer (8 or more: all of it).
    void setReplyLength(int bytes) { mReplyLength = bytes; }
    // The record with 0-based index `recordIndex` (counted from the transfer's start) is
    // answered with `status` instead of its own verdict.
    void refuseRecord(int recordIndex, std::uint8_t status);
    // Called after every received report has been logged and handled.
    void setReportHook(std::function<void(const SimReport &)> hook) { mHook = std::move(hook); }

    // --- the chip's side of the HID transfers (used by SimHidDevice) -------------------------
    int handleOpen(int interfaceIndex);
    int handleOutputReport(int interfaceIndex, const std::uint8_t *bytes, int length);
    int handleInputReport(int interfaceIndex, std::uint8_t reportId, std::uint8_t *buffer,
                          int *length, int timeoutMs);

private:
    void handleControlReport(const std::array<std::uint8_t, 8> &r);
    void handleFirmwareReport(const std::array<std::uint8_t, 8> &r);
    void finishRecord();
    void restart();
    std::uint8_t judgeRecord(const std::string &line) const;

    std::string mSerial;
    std::uint8_t mIdentifier;
    std::int8_t mFirmwareMajor;
    std::int8_t mFirmwareMinor;
    std::optional<std::pair<std::int8_t, std::int8_t>> mVersionAfterRestart;

    bool mModeSetUp = false;
    int mMachinePort = 0;
    int mUsbPort = 0;
    int mQueryCode = -1;
    int mQueryArgument = 0;
    // The input report 9 the chip holds for the next read.
    std::array<std::uint8_t, 8> mPendingReply{9, 0, 0, 0, 0, 0, 0, 0};

    // Firmware transfer state.
    bool mTransferStarted = false;
    bool mInRecord = false;
    bool mRecordComplete = false;
    int mAnnouncedLength = 0;
    std::string mCurrentRecord;
    int mRecordIndex = 0;
    std::uint8_t mLastStatus = 0;
    bool mAllAccepted = true;
    bool mEndRecordSeen = false;
    std::vector<std::string> mRecords;
    int mRestarts = 0;
    std::optional<std::pair<int, std::uint8_t>> mRefusal;

    std::array<int, 2> mOpenCount{0, 0};
    std::vector<SimReport> mLog;

    int mNextWriteError = 0;
    int mNextReadError = 0;
    bool mReadNeverAnswers = false;
    int mOpenError = 0;
    int mReplyLength = 8;
    std::function<void(const SimReport &)> mHook;
    std::function<std::chrono::steady_clock::time_point()> mClock;
};

} // namespace tarvex
