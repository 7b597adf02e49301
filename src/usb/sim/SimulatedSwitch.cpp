// The simulated switch's firmware: decodes the control interface's reports the way the
// switch does and prepares the input report 9 that the next read returns.
#include "usb/sim/SimulatedSwitch.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

namespace tarvex {

namespace {

constexpr std::uint8_t kStartCommand = 0x08;
constexpr std::uint8_t kRestartCommand = 0xFE;
constexpr std::uint8_t kStatusQueryMarker = 0xFF;

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

SimulatedSwitch::SimulatedSwitch(std::string serial, std::uint8_t identifier,
                                 std::int8_t firmwareMajor, std::int8_t firmwareMinor)
    : mSerial(std::move(serial))
    , mIdentifier(identifier)
    , mFirmwareMajor(firmwareMajor)
    , mFirmwareMinor(firmwareMinor)
{
}

void SimulatedSwitch::setFirmwareVersion(std::int8_t major, std::int8_t minor)
{
    mFirmwareMajor = major;
    mFirmwareMinor = minor;
}

void SimulatedSwitch::setVersionAfterRestart(std::int8_t major, std::int8_t minor)
{
    mVersionAfterRestart = std::make_pair(major, minor);
}

void SimulatedSwitch::refuseRecord(int recordIndex, std::uint8_t status)
{
    mRefusal = std::make_pair(recordIndex, status);
}

int SimulatedSwitch::handleOpen(int interfaceIndex)
{
    ++mOpenCount[interfaceIndex & 1];
    return mOpenError;
}

int SimulatedSwitch::handleOutputReport(int interfaceIndex, const std::uint8_t *bytes, int length)
{
    if (mNextWriteError) {
        const int error = mNextWriteError;
        mNextWriteError = 0;
        return error;
    }
    if (!bytes || length <= 0)
        return EINVAL;
    SimReport report;
    report.interfaceIndex = interfaceIndex;
    report.at = mClock ? mClock() : std::chrono::steady_clock::now();
    std::memcpy(report.bytes.data(), bytes, std::min<std::size_t>(length, report.bytes.size()));
    mLog.push_back(report);
    if (interfaceIndex == 1)
        handleControlReport(report.bytes);
    // The hook may unplug this chip; nothing of this object is touched after it.
    if (mHook) {
        auto hook = mHook;
        hook(report);
    }
    return 0;
}

int SimulatedSwitch::handleInputReport(int interfaceIndex, std::uint8_t reportId,
                                       std::uint8_t *buffer, int *length, int timeoutMs)
{
    (void)timeoutMs; // the simulated chip answers at once or never
    if (mReadNeverAnswers)
        return ETIMEDOUT;
    if (mNextReadError) {
        const int error = mNextReadError;
        mNextReadError = 0;
        return error;
    }
    // The chip's first interface and unknown report IDs have nothing to say.
    if (interfaceIndex != 1 || reportId != mPendingReply[0])
        return ETIMEDOUT;
    if (!buffer || !length || *length <= 0)
        return EINVAL;
    const int stored = std::min({*length, mReplyLength, static_cast<int>(mPendingReply.size())});
    std::memcpy(buffer, mPendingReply.data(), std::max(stored, 0));
    *length = std::max(stored, 0);
    return 0;
}

void SimulatedSwitch::handleControlReport(const std::array<std::uint8_t, 8> &r)
{
    if (r[0] == 0x08) {
        if (r[1] == 0x01 && r[2] == 0x03)
            mModeSetUp = true;
        return;
    }
    if (r[0] != 0x09)
        return;
    // Firmware reports: flagged payload counts, or the one-byte start and restart commands.
    const bool firmwareReport = (r[1] & 0xC0) != 0
        || (r[1] == 0x01 && (r[2] == kStartCommand || r[2] == kRestartCommand));
    if (firmwareReport || mInRecord) {
        handleFirmwareReport(r);
        return;
    }
    if (r[1] == 0x03 && r[2] == 0x0B) {
        // A port the model does not have is ignored, as the switch's firmware does.
        if (r[3] < portCount() && r[4] < portCount()) {
            mMachinePort = r[3];
            mUsbPort = r[4];
        }
    } else if (r[1] == 0x02) {
        mQueryCode = r[2];
        mQueryArgument = r[3];
    } else if (r[1] == 0x06 && r[2] == 0x07 && mQueryCode >= 0) {
        std::uint8_t first = 0;
        std::uint8_t second = 0;
        switch (mQueryCode) {
        case 0:
            first = static_cast<std::uint8_t>(mFirmwareMajor);
            second = static_cast<std::uint8_t>(mFirmwareMinor);
            break;
        case 2:
            first = static_cast<std::uint8_t>(mMachinePort);
            break;
        case 3:
            first = mIdentifier;
            break;
        default:
            break;
        }
        mPendingReply = {0x09, 0x06, static_cast<std::uint8_t>(mQueryCode),
                         static_cast<std::uint8_t>(mQueryArgument), first, second, 0, 0};
        mQueryCode = -1;
    }
}

void SimulatedSwitch::handleFirmwareReport(const std::array<std::uint8_t, 8> &r)
{
    const std::uint8_t count = r[1];
    if (mInRecord) {
        if (count == 0xC6) {
            mCurrentRecord.append(reinterpret_cast<const char *>(&r[2]), 6);
        } else if (count >= 0x81 && count <= 0x86) {
            mCurrentRecord.append(reinterpret_cast<const char *>(&r[2]), count - 0x80);
            finishRecord();
        } else {
            // Anything else breaks the record off; the switch judges what it has.
            finishRecord();
            handleControlReport(r);
        }
        return;
    }
    if (count == 0x01 && r[2] == kStartCommand) {
        // The restart sequence repeats the start command; only the first one after a
        // restart opens a new transfer, so the finished transfer's outcome survives it.
        if (!mTransferStarted) {
            mTransferStarted = true;
            mRecordIndex = 0;
            mRecords.clear();
            mAllAccepted = true;
            mEndRecordSeen = false;
            mLastStatus = kStatusAccepted;
        }
    } else if (count == 0x01 && r[2] == kRestartCommand) {
        restart();
    } else if ((count == 0xC2 || count == 0xC3) && r[2] >= 0xF0 && r[2] <= 0xF2) {
        mInRecord = true;
        mAnnouncedLength = r[3];
        mCurrentRecord.clear();
        mCurrentRecord.push_back(static_cast<char>(r[2])); // command kept in front while assembling
    } else if (count == 0x81 && r[2] == kStatusQueryMarker) {
        mPendingReply = {0x09, 0x81, kStatusQueryMarker, mLastStatus, 0, 0, 0, 0};
    }
}

void SimulatedSwitch::finishRecord()
{
    mInRecord = false;
    const std::uint8_t command = static_cast<std::uint8_t>(mCurrentRecord.front());
    const std::string line = mCurrentRecord.substr(1);
    mRecords.push_back(line);

    std::uint8_t status = kStatusAccepted;
    if (!mTransferStarted) {
        status = kStatusNotStarted;
    } else if (static_cast<int>(line.size() % 256) != mAnnouncedLength) {
        status = kStatusLengthError;
    } else {
        status = judgeRecord(line);
        const char expectedType = command == 0xF0 ? '0' : command == 0xF1 ? '1' : '9';
        if (status == kStatusAccepted && line[1] != expectedType)
            status = kStatusChecksumError;
    }
    if (mRefusal && mRefusal->first == mRecordIndex)
        status = mRefusal->second;
    if (status == kStatusAccepted && command == 0xF2)
        mEndRecordSeen = true;
    if (status != kStatusAccepted)
        mAllAccepted = false;
    mLastStatus = status;
    ++mRecordIndex;
}

std::uint8_t SimulatedSwitch::judgeRecord(const std::string &rawLine) const
{
    std::string line = rawLine;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    // S, type digit, then pairs of hex digits: count, address, data, checksum.
    if (line.size() < 4 + 2 * 3 || line[0] != 'S' || (line.size() % 2) != 0)
        return kStatusChecksumError;
    std::vector<int> bytes;
    for (std::size_t i = 2; i < line.size(); i += 2) {
        const int hi = hexValue(line[i]);
        const int lo = hexValue(line[i + 1]);
        if (hi < 0 || lo < 0)
            return kStatusChecksumError;
        bytes.push_back(hi * 16 + lo);
    }
    if (bytes.front() != static_cast<int>(bytes.size()) - 1)
        return kStatusChecksumError;
    int sum = 0;
    for (int b : bytes)
        sum += b;
    return (sum & 0xFF) == 0xFF ? kStatusAccepted : kStatusChecksumError;
}

void SimulatedSwitch::restart()
{
    ++mRestarts;
    if (mTransferStarted && mAllAccepted && mEndRecordSeen && mVersionAfterRestart)
        setFirmwareVersion(mVersionAfterRestart->first, mVersionAfterRestart->second);
    mTransferStarted = false;
    mInRecord = false;
    mRecordIndex = 0;
    mAllAccepted = true;
    mEndRecordSeen = false;
    mLastStatus = kStatusAccepted;
    mQueryCode = -1;
}

} // namespace tarvex
