// The IOWarrior layer: a process-wide list of the HID interfaces of attached IOWarrior
// chips, rebuilt lazily after plug and unplug events, and synchronous report transfer
// with diagnostics on stderr (and a report trace in "tarvex.hid"). Plain functions and
// g-globals; main thread only.
#pragma once

#include <cstdint>

namespace tarvex {
class HidDevice;
class HidPlatform;
}

using IOWarriorHIDDeviceInterface = tarvex::HidDevice;

// One HID interface of an attached chip. The list owns the node, its interface and its
// serial text; a node is valid until the next count that finds the list dirty.
struct IOWarriorListNodeStruct {
    IOWarriorHIDDeviceInterface *hidInterface;
    IOWarriorListNodeStruct *next;
    char *serialNumber; // "0" when the device reports none
    std::int32_t interfaceKind;
    bool isOpen;
};

using IOWarriorDeviceCallback = void (*)(void *refCon);

constexpr std::uint16_t kIOWarriorVendorID = 0x1214;
constexpr std::uint16_t kIOWarriorProductIDs[4] = {0x1500, 0x03EB, 0x1503, 0x1511};

// Picks the platform the layer talks to (not owned). Must be called before IOWarriorInit;
// the programs pass the Linux backend or, with --simulate, the simulator.
void IOWarriorSetPlatform(tarvex::HidPlatform *platform);
tarvex::HidPlatform *IOWarriorPlatform();

int IOWarriorInit();
int IOWarriorIsPresent();
int IOWarriorCountInterfaces();
IOWarriorListNodeStruct *IOWarriorInterfaceListNodeAtIndex(int index);
IOWarriorListNodeStruct *IOWarriorListNodeForInterface(IOWarriorHIDDeviceInterface *interface);
void IOWarriorRebuildInterfaceList();
void IOWarriorDiscoverInterfaces();
void IOWarriorClearInterfaceList();
void IOWarriorAddInterfaceToList(IOWarriorHIDDeviceInterface *interface, std::int32_t kind,
                                 const char *serial);

void IOWarriorSetDeviceCallback(IOWarriorDeviceCallback callback, void *refCon);
void IOWarriorSetDeviceAddedCallback(IOWarriorDeviceCallback callback, void *refCon);
void IOWarriorSetDeviceRemovedCallback(IOWarriorDeviceCallback callback, void *refCon);

int IOWarriorWriteToInterface(IOWarriorHIDDeviceInterface *interface, int length,
                              const void *data);
int IOWarriorReadFromInterface(IOWarriorHIDDeviceInterface *interface, int reportID, int length,
                               void *buffer);
int IOWarriorOpenInterfaceIfNecessary(IOWarriorHIDDeviceInterface *interface);
// Waits at most `timeoutMs` until no earlier transfer of the interface is still running
// (a read that timed out may keep the device busy until the kernel gives up on it).
// 0 when the interface is free, ETIMEDOUT when it is still busy, ENODEV for an interface
// that belongs to no node.
int IOWarriorWaitUntilIdle(IOWarriorHIDDeviceInterface *interface, int timeoutMs);

// The time-outs every write and read gets: 50 and 100 ms unless changed. A test bed on a
// busy machine raises them; for the programs it starts, IOWarriorInit takes them from
// TARVEX_HID_TIMEOUTS_MS ("write,read").
void IOWarriorSetTimeouts(int writeTimeoutMs, int readTimeoutMs);
constexpr int kIOWarriorWriteTimeoutMs = 50;
constexpr int kIOWarriorReadTimeoutMs = 100;

void PrintNotificationMessage(const char *text);
void PrintErrMsg(const char *text);
void PrintErrMsgIfIOErr(int status, const char *text);

// Process-wide state, as the layer's functions keep it.
extern IOWarriorListNodeStruct *gIOWarriorList;
extern std::int16_t gIOWarriorListDirty;
extern IOWarriorDeviceCallback gIOWarriorCallBackPtr;
extern void *gIOWarriorCallBackRefCon;
extern IOWarriorDeviceCallback gIOWarriorAddedCallBackPtr;
extern void *gIOWarriorAddedCallBackRefCon;
extern IOWarriorDeviceCallback gIOWarriorRemovedCallBackPtr;
extern void *gIOWarriorRemovedCallBackRefCon;
