// The switch's command reports and the decoding of its status answers. The report bytes
// that carry no meaning are sent as zero so that the wire traffic is reproducible.
#include "switch/SwitchProtocol.h"

#include "switch/SwitchLock.h"
#include "usb/IOWarriorController.h"
#include "usb/SwitchReports.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace SwitchProtocol {

namespace {

QString serialOf(const IOWarriorListNodeStruct *node)
{
    return QString::fromUtf8(node->serialNumber ? node->serialNumber : "0");
}

} // namespace

int selectPort(IOWarriorListNodeStruct *node, int machinePort, int usbPort)
{
    // A missing switch must not look like a sent command.
    if (node == nullptr || node->hidInterface == nullptr)
        return ENODEV;
    const SwitchLock lock(serialOf(node), SwitchLock::Purpose::Exchange);
    if (!lock.isHeld())
        return lock.status();
    const SwitchReports::Report report = SwitchReports::portSelect(machinePort, usbPort);
    return IOWarriorWriteToInterface(node->hidInterface, int(report.size()), report.data());
}

std::optional<SwitchStatusRecord> query(IOWarriorController &registry,
                                        IOWarriorListNodeStruct *node, std::int32_t code,
                                        int *status)
{
    if (status != nullptr)
        *status = 0;
    if (node == nullptr) {
        if (status != nullptr)
            *status = ENODEV;
        return std::nullopt;
    }
    const SwitchLock lock(serialOf(node), SwitchLock::Purpose::Exchange);
    if (!lock.isHeld()) {
        if (status != nullptr)
            *status = lock.status();
        return std::nullopt;
    }
    // A fresh zeroed record per query: a failed exchange can then never pass off the
    // answer of an earlier one as its own.
    SwitchStatusRecord record;
    record.queryCode = code;
    if (registry.readValueFromIOWarrior(node, record) != 0) {
        if (status != nullptr)
            *status = record.result != 0 ? record.result : EIO;
        return std::nullopt;
    }
    return record;
}

std::uint32_t switchIDFromRecord(const SwitchStatusRecord &record)
{
    // The switch answers a signed byte; widening through int32 keeps the sign, so an
    // identifier byte of 0xFF reads as 4294967295 and never as a known model.
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int8_t>(record.reply[4])));
}

QString firmwareVersionFromRecord(const SwitchStatusRecord &record)
{
    return QString::asprintf("%d.%d", int(static_cast<std::int8_t>(record.reply[4])),
                             int(static_cast<std::int8_t>(record.reply[5])));
}

bool isBusyStatus(int status)
{
    return SwitchLock::isBusyStatus(status);
}

QString statusText(int status)
{
    if (SwitchLock::isBusyStatus(status))
        return SwitchLock::busyText(status);
    return QString::fromLocal8Bit(std::strerror(status));
}

std::optional<int> activePortFromRecord(const SwitchStatusRecord &record)
{
    const int port = record.reply[4];
    if (port < 0 || port > 3)
        return std::nullopt;
    return port;
}

} // namespace SwitchProtocol

QString GetSwitchName(std::int32_t identifier)
{
    switch (identifier) {
    case 1:
        return QStringLiteral("Tarvex Pro DVI SL");
    case 2:
        return QStringLiteral("Tarvex mini");
    case 3:
        return QStringLiteral("Tarvex Pro DVI DL");
    default:
        return QCoreApplication::translate("Translation", "Unknown");
    }
}

int SwitchPortCount(std::int32_t identifier)
{
    return identifier == 2 ? 2 : 4;
}
