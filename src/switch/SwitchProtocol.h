// What the application says to a switch and how it reads the answers: the port select,
// the three status queries, model names and port counts. Shared by tarvexcc and tarvexctl.
#pragma once

#include "usb/IOWarriorLib.h"
#include "usb/SwitchStatusRecord.h"

#include <QString>
#include <cstdint>
#include <optional>

class IOWarriorController;

namespace SwitchProtocol {

enum QueryCode : std::int32_t {
    QueryFirmwareVersion = 0,
    QueryActivePort = 2,
    QuerySwitchID = 3,
};

// Writes 09 03 0B machinePort usbPort 00 00 00 (0-based ports). Returns the transfer status
// (ENODEV, with nothing sent, for a null node; a busy status, with nothing sent, while
// another program holds the switch: see SwitchLock).
int selectPort(IOWarriorListNodeStruct *node, int machinePort, int usbPort);

// Runs one status exchange through the registry; nullopt when any transfer failed
// (no partial record is handed out). The record starts zeroed. `status`, when given,
// receives 0 or the failing transfer's status (ENODEV for a null node, a busy status while
// another program holds the switch).
std::optional<SwitchStatusRecord> query(IOWarriorController &registry,
                                        IOWarriorListNodeStruct *node, std::int32_t code,
                                        int *status = nullptr);

// Whether a status from selectPort() or query() means another program holds the switch.
bool isBusyStatus(int status);
// The user's text for a failed status: the translated busy texts ("the switch is busy: a
// firmware upgrade is running in another program"), else the system's text for the errno.
QString statusText(int status);

// Reply byte 4 of query 3 as a signed byte, sign-extended (0xFF -> 4294967295).
std::uint32_t switchIDFromRecord(const SwitchStatusRecord &record);
// "%d.%d" of reply bytes 4 and 5 as signed bytes (0x01 0xFF -> "1.-1").
QString firmwareVersionFromRecord(const SwitchStatusRecord &record);
// Reply byte 4 of query 2 when it is a port 0-3, else nullopt.
std::optional<int> activePortFromRecord(const SwitchStatusRecord &record);

} // namespace SwitchProtocol

// "Tarvex Pro DVI SL", "Tarvex mini", "Tarvex Pro DVI DL", else "Unknown" (translated).
QString GetSwitchName(std::int32_t identifier);
// 2 for identifier 2 ("Tarvex mini"), 4 for every other identifier.
int SwitchPortCount(std::int32_t identifier);
