// The registry of attached switches: refreshed from the IOWarrior list, it maps each switch's
// serial text to its control interface (kind 3) and runs the three-transfer status exchange.
#include "usb/IOWarriorController.h"

#include "usb/SwitchReports.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

IOWarriorController *gSharedApplication = nullptr;
IOWarriorController::SetUpGuard gSetUpGuard = nullptr;

constexpr std::int32_t kControlInterfaceKind = 3;

// The switch needs this gap between the reports of one exchange.
IOWarriorController::Pause gPause = nullptr;

void pauseOneMillisecond()
{
    if (gPause)
        gPause(std::chrono::milliseconds(1));
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

} // namespace

IOWarriorController::IOWarriorController()
{
    if (!gSharedApplication)
        gSharedApplication = this;
}

IOWarriorController::~IOWarriorController()
{
    if (gSharedApplication == this)
        gSharedApplication = nullptr;
}

IOWarriorController *IOWarriorController::sharedApplication()
{
    return gSharedApplication;
}

void IOWarriorController::setSetUpGuard(SetUpGuard guard)
{
    gSetUpGuard = guard;
}

void IOWarriorController::setPause(Pause pause)
{
    gPause = pause;
}

void IOWarriorController::findAttachedDevices()
{
    mAttachedDevices.clear();
    // Counting may rebuild the list, which frees every node entered before: hence the clear
    // above comes first.
    const int count = IOWarriorCountInterfaces();
    static constexpr SwitchReports::Report setUp = SwitchReports::modeSetUp();
    for (int i = 0; i < count; ++i) {
        IOWarriorListNodeStruct *node = IOWarriorInterfaceListNodeAtIndex(i);
        if (!node || node->interfaceKind != kControlInterfaceKind)
            continue;
        // A switch whose set-up write failed is still listed: its diagnostic is on stderr
        // and the next refresh tries again.
        const QString serial = QString::fromUtf8(node->serialNumber ? node->serialNumber : "0");
        const auto sendSetUp = [node] {
            IOWarriorWriteToInterface(node->hidInterface, static_cast<int>(setUp.size()), setUp.data());
        };
        if (gSetUpGuard)
            gSetUpGuard(serial, sendSetUp);
        else
            sendSetUp();
        mAttachedDevices.insert(serial, node);
    }
}

IOWarriorListNodeStruct *IOWarriorController::deviceWithSerial(const QString &serial) const
{
    if (serial.isEmpty())
        return nullptr;
    return mAttachedDevices.value(serial, nullptr);
}

std::int32_t IOWarriorController::readValueFromIOWarrior(IOWarriorListNodeStruct *node,
                                                         SwitchStatusRecord &record)
{
    if (!node) {
        record.result = ENODEV;
        return -1;
    }
    std::uint8_t report[8] = {};
    SwitchReports::composeQueryRequest(record.request, record.queryCode, record.queryArgument);
    std::memcpy(report, record.request, sizeof record.request);
    record.result = IOWarriorWriteToInterface(node->hidInterface, 8, report);
    if (record.result != 0)
        return -1;
    pauseOneMillisecond();

    SwitchReports::composeQueryTransfer(record.request);
    std::memcpy(report, record.request, sizeof record.request);
    record.result = IOWarriorWriteToInterface(node->hidInterface, 8, report);
    if (record.result != 0)
        return -1;
    pauseOneMillisecond();

    // Bytes the switch does not fill keep what the record already held.
    std::uint8_t reply[8] = {};
    std::memcpy(reply, record.reply, sizeof record.reply);
    record.result = IOWarriorReadFromInterface(node->hidInterface, SwitchReports::kQueryReplyReportID,
                                               8, reply);
    if (record.result != 0)
        return -1;
    std::memcpy(record.reply, reply, sizeof record.reply);
    pauseOneMillisecond();
    return 0;
}
