// The IOWarrior layer against the simulated bus: discovery and interface kinds, the lazy
// rebuild, open on demand, transfers with their diagnostics and trace, hot-plug callbacks.
#include "UsbTestSupport.h"

#include "usb/HidLog.h"

#include <QLoggingCategory>

#include <cerrno>

namespace {

std::vector<std::string> gLines; // callbacks called, or trace lines logged
void recordEvent(void *refCon) { gLines.push_back(static_cast<const char *>(refCon)); }
char kAdded[] = "added", kRemoved[] = "removed", kGeneral[] = "general";

const Bytes kPortSelect{0x09, 0x03, 0x0B, 0x01, 0x01, 0, 0, 0};
int write(IOWarriorHIDDeviceInterface *iface) { return IOWarriorWriteToInterface(iface, 8, kPortSelect.data()); }

std::vector<IOWarriorListNodeStruct *> nodes()
{
    std::vector<IOWarriorListNodeStruct *> result;
    for (IOWarriorListNodeStruct *node = gIOWarriorList; node; node = node->next)
        result.push_back(node);
    return result;
}

} // namespace

using IOWarriorLibTest = UsbLayerTest;

TEST_F(IOWarriorLibTest, KindsFollowProductAndOrdinalParityOnlyIOWarriorsGetNodes)
{
    sim.plug("A");
    sim.plugChip(0x1214, 0x1511, std::string("B"));
    sim.plugChip(0x1214, 0x1234, std::string("other product"));
    sim.plugChip(0x046D, 0x03EB, std::string("other vendor"));
    sim.plugChip(0x1214, 0x1500, std::nullopt);
    sim.plugChip(0x1214, 0x1503, std::string("D"));
    sim.plug("E");
    sim.failCreateInterface("D", 0); // shifts the parity of every later interface
    EXPECT_EQ(stderrOf([] { ASSERT_EQ(IOWarriorCountInterfaces(), 9); }),
              "Couldn't query HID class device interface from plugInInterface\n");
    std::vector<int> kinds;
    std::string serials;
    for (auto *node : nodes()) {
        kinds.push_back(node->interfaceKind);
        serials += node->serialNumber;
        EXPECT_FALSE(node->isOpen);
    }
    EXPECT_EQ(kinds, (std::vector<int>{2, 3, 6, 7, 0, 1, 4, 3, 2}));
    EXPECT_EQ(serials, "AABB00DEE");
}

TEST_F(IOWarriorLibTest, OnlyADirtyCountRebuildsTransfersOpenOnDemandAndRetryARefusedOpen)
{
    EXPECT_EQ(IOWarriorIsPresent(), 0);
    auto a = sim.plug("A");
    QCoreApplication::processEvents();
    EXPECT_EQ(gIOWarriorListDirty, 1);
    IOWarriorHIDDeviceInterface *control = interfaceAt(1);
    const int enumerations = sim.enumerationCount();
    EXPECT_EQ(IOWarriorCountInterfaces(), 2);
    EXPECT_EQ(sim.enumerationCount(), enumerations);
    EXPECT_EQ(IOWarriorInterfaceListNodeAtIndex(-5), gIOWarriorList);
    EXPECT_EQ(IOWarriorInterfaceListNodeAtIndex(2), nullptr);
    EXPECT_EQ(IOWarriorListNodeForInterface(nullptr), nullptr);

    a->failOpen(EACCES);
    EXPECT_EQ(stderrOf([&] { EXPECT_EQ(write(control), EACCES); }),
              "Could not open hid device interface - Permission denied(d,13)\n");
    EXPECT_TRUE(a->log().empty());
    EXPECT_EQ(control->lastOpenError(), EACCES);
    a->failOpen(0);
    EXPECT_EQ(write(control), 0);
    EXPECT_EQ(control->lastOpenError(), 0);
    sim.plug("B");
    QCoreApplication::processEvents();
    EXPECT_EQ(write(control), 0); // nothing rebuilt yet: the old node is still the list's and open
    EXPECT_EQ(a->openCount(1), 2); // the refused try and one real open
    ASSERT_EQ(IOWarriorCountInterfaces(), 4);
    EXPECT_FALSE(nodes()[1]->isOpen);
    EXPECT_EQ(write(interfaceAt(1)), 0); // opened afresh through its new node
    EXPECT_EQ(a->openCount(1), 3);
    EXPECT_EQ(a->openCount(0), 0);
    ASSERT_EQ(a->log().size(), 3u);
    EXPECT_EQ(a->log()[0].bytes, kPortSelect);
    EXPECT_EQ(a->log()[0].interfaceIndex, 1);
}

TEST_F(IOWarriorLibTest, FailedTransfersPrintOneLineReturnTheStatusAndTouchNothing)
{
    auto a = sim.plug("A");
    IOWarriorHIDDeviceInterface *iface = interfaceAt(1);
    EXPECT_EQ(IOWarriorWaitUntilIdle(iface, 0), 0);
    a->failNextWrite(EIO);
    a->failNextRead(ETIMEDOUT);
    Bytes buffer;
    buffer.fill(0xEE);
    EXPECT_EQ(stderrOf([&] {
                  EXPECT_EQ(write(iface), EIO);
                  EXPECT_EQ(IOWarriorReadFromInterface(iface, 9, 8, buffer.data()), ETIMEDOUT);
                  EXPECT_EQ(write(nullptr), ENODEV);
                  sim.unplug("A");
                  EXPECT_EQ(write(iface), ENODEV);
                  PrintErrMsgIfIOErr(0, "never printed");
                  PrintNotificationMessage("found IOWarrior HID device\n"); // silent by design
                  PrintErrMsgIfIOErr(static_cast<int>(0xE00002BCu), "big"); // hex, then the low 24 bits
              }),
              "Could not write setReport on hid device interface - Input/output error(5,5)\n"
              "Could not call getReport on hid device interface - Connection timed out(6e,110)\n"
              "Could not open hid device interface - No such device(13,19)\n"
              "Could not write setReport on hid device interface - No such device(13,19)\n"
              "big - Unknown error -536870212(e00002bc,700)\n");
    EXPECT_EQ(buffer, (Bytes{0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
    EXPECT_TRUE(a->log().empty());
    EXPECT_EQ(IOWarriorWaitUntilIdle(nullptr, 0), ENODEV);
}

TEST_F(IOWarriorLibTest, TraceIsOffUnlessAskedForAndThenShowsEveryReportInHex)
{
    EXPECT_FALSE(tarvexHid().isDebugEnabled());
    EXPECT_TRUE(tarvexHid().isWarningEnabled());
    auto a = sim.plug("000012AB", 3);
    IOWarriorHIDDeviceInterface *iface = interfaceAt(1);
    QLoggingCategory::setFilterRules(QStringLiteral("tarvex.hid.debug=true"));
    gLines.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
        gLines.push_back(text.toStdString());
    });
    Bytes reply{};
    stderrOf([&] {
        write(iface);
        a->setReplyLength(3);
        IOWarriorReadFromInterface(iface, 9, 8, reply.data());
        a->failNextWrite(EIO);
        a->failNextRead(ETIMEDOUT);
        write(iface);
        IOWarriorReadFromInterface(iface, 9, 8, reply.data());
    });
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    EXPECT_EQ(gLines, (std::vector<std::string>{"000012AB if=1 write 09 03 0B 01 01 00 00 00", "000012AB if=1 read 09 00 00",
                                                "000012AB if=1 write 09 03 0B 01 01 00 00 00 failed: Input/output error",
                                                "000012AB if=1 read failed: Connection timed out"}));
}

TEST_F(IOWarriorLibTest, OneCallbackPerChipEventThroughTheEventLoopInitDropsOnlyTheGeneralOne)
{
    gLines.clear();
    IOWarriorSetDeviceCallback(recordEvent, kGeneral);
    IOWarriorSetDeviceAddedCallback(recordEvent, kAdded);
    IOWarriorSetDeviceRemovedCallback(recordEvent, kRemoved);
    sim.plug("A");
    sim.plugChip(0x1214, 0x1234, std::string("not ours"));
    EXPECT_TRUE(gLines.empty()); // nothing runs inside plug(): it arrives from the loop
    QCoreApplication::processEvents();
    sim.unplug("A");
    QCoreApplication::processEvents();
    EXPECT_EQ(gLines, (std::vector<std::string>{"general", "added", "general", "removed"}));

    sim.plug("B");
    ASSERT_EQ(IOWarriorCountInterfaces(), 2);
    gLines.clear();
    ASSERT_EQ(IOWarriorInit(), 0); // frees the list rather than forgetting it
    EXPECT_EQ(gIOWarriorList, nullptr);
    EXPECT_EQ(gIOWarriorListDirty, 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(gLines, (std::vector<std::string>{"added"}));
    sim.setStartFails(true);
    EXPECT_EQ(IOWarriorInit(), -1);
    IOWarriorSetPlatform(nullptr);
    EXPECT_EQ(IOWarriorInit(), -1);
}
