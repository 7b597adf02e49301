// The IOWarrior layer: the process-wide list of IOWarrior HID interfaces, its lazy rebuild
// after hot-plug events, synchronous report transfer with open-on-demand, and the one-line
// diagnostics on stderr. All device access goes through the HidPlatform chosen at start.
#include "usb/IOWarriorLib.h"

#include "usb/HidLog.h"
#include "usb/HidPlatform.h"

#include <QByteArray>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

IOWarriorListNodeStruct *gIOWarriorList = nullptr;
std::int16_t gIOWarriorListDirty = 1;
IOWarriorDeviceCallback gIOWarriorCallBackPtr = nullptr;
void *gIOWarriorCallBackRefCon = nullptr;
IOWarriorDeviceCallback gIOWarriorAddedCallBackPtr = nullptr;
void *gIOWarriorAddedCallBackRefCon = nullptr;
IOWarriorDeviceCallback gIOWarriorRemovedCallBackPtr = nullptr;
void *gIOWarriorRemovedCallBackRefCon = nullptr;

namespace {

tarvex::HidPlatform *gPlatform = nullptr;

int gWriteTimeoutMs = kIOWarriorWriteTimeoutMs;
int gReadTimeoutMs = kIOWarriorReadTimeoutMs;

// TARVEX_HID_TIMEOUTS_MS="write,read", when set: a test bed's way to give a program it
// starts time-outs that a busy machine cannot miss.
void takeTimeoutsFromEnvironment()
{
    const QByteArray value = qgetenv("TARVEX_HID_TIMEOUTS_MS");
    if (value.isEmpty())
        return;
    const QList<QByteArray> parts = value.split(',');
    bool writeOk = false, readOk = false;
    const int write = parts.size() == 2 ? parts[0].trimmed().toInt(&writeOk) : 0;
    const int read = parts.size() == 2 ? parts[1].trimmed().toInt(&readOk) : 0;
    if (!writeOk || !readOk || write <= 0 || read <= 0) {
        qCWarning(tarvexHid, "TARVEX_HID_TIMEOUTS_MS=\"%s\" is not \"write,read\" in milliseconds; "
                             "keeping %d,%d", value.constData(), gWriteTimeoutMs, gReadTimeoutMs);
        return;
    }
    IOWarriorSetTimeouts(write, read);
}

// The trace of one report, "<serial> if=<interface> write|read <hex bytes>[ failed: why]",
// built only when someone switched the category's debug level on.
void traceReport(IOWarriorHIDDeviceInterface *interface, const char *what, const void *bytes,
                 int length, int status)
{
    if (!tarvexHid().isDebugEnabled())
        return;
    const IOWarriorListNodeStruct *node = IOWarriorListNodeForInterface(interface);
    QByteArray text = QByteArray(static_cast<const char *>(bytes), bytes ? qMax(length, 0) : 0).toHex(' ').toUpper();
    if (status != 0)
        text += (text.isEmpty() ? "failed: " : " failed: ") + QByteArray(std::strerror(status));
    qCDebug(tarvexHid, "%s if=%d %s %s", node && node->serialNumber ? node->serialNumber : "?",
            node ? node->interfaceKind & 1 : -1, what, text.constData());
}

// Kind offset of a recognised product, or -1 for anything else.
int productKindOffset(std::uint16_t productId)
{
    for (int i = 0; i < 4; ++i) {
        if (kIOWarriorProductIDs[i] == productId)
            return 2 * i;
    }
    return -1;
}

// One call per platform notification, however many devices it concerned: the list is only
// marked dirty here, the next count rebuilds it.
void IOWarriorDeviceChanged(bool added)
{
    PrintNotificationMessage(added ? "Discovered IOWarrior device\n" : "IOWarrior device removed\n");
    gIOWarriorListDirty = 1;
    if (gIOWarriorCallBackPtr)
        gIOWarriorCallBackPtr(gIOWarriorCallBackRefCon);
    if (added) {
        if (gIOWarriorAddedCallBackPtr)
            gIOWarriorAddedCallBackPtr(gIOWarriorAddedCallBackRefCon);
    } else {
        if (gIOWarriorRemovedCallBackPtr)
            gIOWarriorRemovedCallBackPtr(gIOWarriorRemovedCallBackRefCon);
    }
}

} // namespace

void IOWarriorSetPlatform(tarvex::HidPlatform *platform)
{
    gPlatform = platform;
}

tarvex::HidPlatform *IOWarriorPlatform()
{
    return gPlatform;
}

int IOWarriorInit()
{
    // Freeing rather than forgetting a list left from an earlier init keeps a re-init (tests,
    // a restarted backend) from leaking every node and handle.
    IOWarriorClearInterfaceList();
    gIOWarriorListDirty = 1;
    gIOWarriorCallBackPtr = nullptr;
    takeTimeoutsFromEnvironment();
    if (!gPlatform)
        return -1;
    if (gPlatform->start(&IOWarriorDeviceChanged) != 0)
        return -1;
    return 0;
}

int IOWarriorIsPresent()
{
    return IOWarriorCountInterfaces() > 0 ? 1 : 0;
}

int IOWarriorCountInterfaces()
{
    if (gIOWarriorListDirty)
        IOWarriorRebuildInterfaceList();
    int count = 0;
    for (IOWarriorListNodeStruct *node = gIOWarriorList; node; node = node->next)
        ++count;
    return count;
}

IOWarriorListNodeStruct *IOWarriorInterfaceListNodeAtIndex(int index)
{
    IOWarriorListNodeStruct *node = gIOWarriorList;
    for (int i = 0; i < index && node; ++i)
        node = node->next;
    return node;
}

IOWarriorListNodeStruct *IOWarriorListNodeForInterface(IOWarriorHIDDeviceInterface *interface)
{
    for (IOWarriorListNodeStruct *node = gIOWarriorList; node; node = node->next) {
        if (node->hidInterface == interface)
            return node;
    }
    return nullptr;
}

void IOWarriorRebuildInterfaceList()
{
    IOWarriorClearInterfaceList();
    IOWarriorDiscoverInterfaces();
    gIOWarriorListDirty = 0;
}

void IOWarriorDiscoverInterfaces()
{
    if (gPlatform) {
        // The ordinal runs across all accepted interfaces of this pass, so that a chip's
        // second interface (its control interface on a switch) comes out odd.
        int ordinal = 0;
        for (const tarvex::HidInterfaceInfo &info : gPlatform->enumerate()) {
            const int offset = info.vendorId == kIOWarriorVendorID ? productKindOffset(info.productId) : -1;
            if (offset < 0) {
                PrintNotificationMessage("HID device found, not IOWarrior\n");
                continue;
            }
            PrintNotificationMessage("found IOWarrior HID device\n");
            PrintNotificationMessage("Creating interface for device\n");
            std::unique_ptr<tarvex::HidDevice> device = gPlatform->createInterface(info);
            if (!device) {
                PrintErrMsg("Couldn't query HID class device interface from plugInInterface");
                continue;
            }
            const std::int32_t kind = offset + (ordinal % 2);
            const char *serial = info.serial ? info.serial->c_str() : "0";
            IOWarriorAddInterfaceToList(device.release(), kind, serial);
            ++ordinal;
        }
    }
    gIOWarriorListDirty = 0;
}

void IOWarriorAddInterfaceToList(IOWarriorHIDDeviceInterface *interface, std::int32_t kind,
                                 const char *serial)
{
    auto *node = static_cast<IOWarriorListNodeStruct *>(std::malloc(sizeof(IOWarriorListNodeStruct)));
    if (!node) {
        // Out of memory: the interface cannot be kept, so it must not leak either.
        delete interface;
        PrintErrMsg("Out of memory while adding an IOWarrior interface");
        return;
    }
    node->hidInterface = interface;
    node->next = nullptr;
    node->serialNumber = serial ? strdup(serial) : nullptr;
    node->interfaceKind = kind;
    node->isOpen = false;
    if (!gIOWarriorList) {
        gIOWarriorList = node;
        return;
    }
    IOWarriorListNodeStruct *tail = gIOWarriorList;
    while (tail->next)
        tail = tail->next;
    tail->next = node;
}

void IOWarriorClearInterfaceList()
{
    IOWarriorListNodeStruct *node = gIOWarriorList;
    while (node) {
        IOWarriorListNodeStruct *next = node->next;
        delete node->hidInterface;
        std::free(node->serialNumber);
        std::free(node);
        node = next;
    }
    gIOWarriorList = nullptr;
}

void IOWarriorSetDeviceCallback(IOWarriorDeviceCallback callback, void *refCon)
{
    gIOWarriorCallBackPtr = callback;
    gIOWarriorCallBackRefCon = refCon;
}

void IOWarriorSetDeviceAddedCallback(IOWarriorDeviceCallback callback, void *refCon)
{
    gIOWarriorAddedCallBackPtr = callback;
    gIOWarriorAddedCallBackRefCon = refCon;
}

void IOWarriorSetDeviceRemovedCallback(IOWarriorDeviceCallback callback, void *refCon)
{
    gIOWarriorRemovedCallBackPtr = callback;
    gIOWarriorRemovedCallBackRefCon = refCon;
}

int IOWarriorOpenInterfaceIfNecessary(IOWarriorHIDDeviceInterface *interface)
{
    IOWarriorListNodeStruct *node = IOWarriorListNodeForInterface(interface);
    // An interface that no node owns may already be freed: never touch it.
    if (!node || !interface)
        return ENODEV;
    if (node->isOpen)
        return 0;
    const int status = interface->open();
    if (status == 0)
        node->isOpen = true;
    return status;
}

int IOWarriorWriteToInterface(IOWarriorHIDDeviceInterface *interface, int length, const void *data)
{
    int status = IOWarriorOpenInterfaceIfNecessary(interface);
    if (status != 0) {
        PrintErrMsgIfIOErr(status, "Could not open hid device interface");
        return status;
    }
    status = interface->setReport(static_cast<const std::uint8_t *>(data), length, gWriteTimeoutMs);
    traceReport(interface, "write", data, length, status);
    if (status != 0) {
        PrintErrMsgIfIOErr(status, "Could not write setReport on hid device interface");
        return status;
    }
    return 0;
}

int IOWarriorReadFromInterface(IOWarriorHIDDeviceInterface *interface, int reportID, int length,
                               void *buffer)
{
    int status = IOWarriorOpenInterfaceIfNecessary(interface);
    if (status != 0) {
        PrintErrMsgIfIOErr(status, "Could not open hid device interface");
        return status;
    }
    int stored = length; // of no interest to callers, only to the trace
    status = interface->getReport(static_cast<std::uint8_t>(reportID),
                                  static_cast<std::uint8_t *>(buffer), &stored, gReadTimeoutMs);
    traceReport(interface, "read", buffer, status == 0 ? stored : 0, status);
    if (status != 0) {
        PrintErrMsgIfIOErr(status, "Could not call getReport on hid device interface");
        return status;
    }
    return 0;
}

int IOWarriorWaitUntilIdle(IOWarriorHIDDeviceInterface *interface, int timeoutMs)
{
    // An interface that no node owns may already be freed: never touch it.
    if (!interface || !IOWarriorListNodeForInterface(interface))
        return ENODEV;
    const int status = interface->waitUntilIdle(timeoutMs);
    if (status != 0)
        qCWarning(tarvexHid, "%s still busy after %d ms", interface->path().c_str(), timeoutMs);
    return status;
}

void IOWarriorSetTimeouts(int writeTimeoutMs, int readTimeoutMs)
{
    gWriteTimeoutMs = writeTimeoutMs > 0 ? writeTimeoutMs : kIOWarriorWriteTimeoutMs;
    gReadTimeoutMs = readTimeoutMs > 0 ? readTimeoutMs : kIOWarriorReadTimeoutMs;
}

void PrintNotificationMessage(const char *text)
{
    (void)text; // progress notes are deliberately silent
}

void PrintErrMsg(const char *text)
{
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
}

void PrintErrMsgIfIOErr(int status, const char *text)
{
    if (status == 0)
        return;
    std::fprintf(stderr, "%s - %s(%x,%d)\n", text, std::strerror(status),
                 static_cast<unsigned>(status), status & 0xFFFFFF);
    std::fflush(stderr);
}
