// The IOWarrior layer against the simulated bus: discovery and interface kinds, the lazy
// rebuild, open on demand, transfers and their diagnostics, hot-plug callbacks.
#include "UsbTestSupport.h"

#include "usb/HidPlatform.h"

#include <cerrno>

namespace {

std::vector<std::string> gEvents;
void recordEvent(void *refCon) { gEvents.push_back(static_cast<const char *>(refCon)); }
char kAdded[] = "added", kRemoved[] = "removed", kGeneral[] = "general";

const Bytes kPortSelect{0x09, 0x03, 0x0B, 0x01, 0x01, 0, 0, 0};

int write(IOWarriorHIDDeviceInterface *iface)
{
    return IOWarriorWriteToInterface(iface, 8, kPortSelect.data());
}

} // namespace

using IOWarriorLibTest = UsbLayerTest;

TEST_F(IOWarriorLibTest, KindsFollowProductAndOrdinalParityOtherChipsGetNoNode)
{
    sim.plug("A");
    sim.plugChip(0x1214, 0x1511, std::string("B"));
    sim.plugChip(0x1214, 0x1234, std::string("other product"));
    sim.plugChip(0x046D, 0x03EB, std::string("other vendor"));
    sim.plugChip(0x1214, 0x1500, std::nullopt);
    sim.plugChip(0x1214, 0x1503, std::string("D"));
    sim.plug("E");
    ASSERT_EQ(IOWarriorCountInterfaces(), 10);
    std::vector<int> kinds;
    std::vector<std::string> serials;
    for (auto *node : nodes()) {
        kinds.push_back(node->interfaceKind);
        serials.emplace_back(node->serialNumber);
        EXPECT_FALSE(node->isOpen);
    }
    EXPECT_EQ(kinds, (std::vector<int>{2, 3, 6, 7, 0, 1, 4, 5, 2, 3}));
    EXPECT_EQ(serials, (std::vector<std::string>{"A", "A", "B", "B", "0", "0", "D", "D", "E", "E"}));
}

TEST_F(IOWarriorLibTest, FailedInterfaceShiftsParityOfLaterInterfacesAndSaysSo)
{
    sim.plug("A");
    sim.plug("B");
    sim.failCreateInterface("A", 0);
    EXPECT_EQ(stderrOf([] { ASSERT_EQ(IOWarriorCountInterfaces(), 3); }),
              "Couldn't query HID class device interface from plugInInterface\n");
    EXPECT_EQ(nodes()[0]->interfaceKind, 2);
    EXPECT_STREQ(nodes()[0]->serialNumber, "A");
    EXPECT_EQ(nodes()[2]->interfaceKind, 2);
}

TEST_F(IOWarriorLibTest, OnlyADirtyCountEnumeratesAndIndexesStayInBounds)
{
    EXPECT_EQ(IOWarriorIsPresent(), 0);
    EXPECT_EQ(IOWarriorInterfaceListNodeAtIndex(0), nullptr);
    sim.plug("A");
    deliverNotifications();
    EXPECT_EQ(gIOWarriorListDirty, 1);
    EXPECT_EQ(sim.enumerationCount(), 1);
    EXPECT_EQ(IOWarriorIsPresent(), 1);
    EXPECT_EQ(gIOWarriorListDirty, 0);
    ASSERT_EQ(IOWarriorCountInterfaces(), 2);
    EXPECT_EQ(sim.enumerationCount(), 2);
    EXPECT_EQ(IOWarriorInterfaceListNodeAtIndex(-5), gIOWarriorList);
    EXPECT_EQ(IOWarriorInterfaceListNodeAtIndex(2), nullptr);
    EXPECT_EQ(IOWarriorListNodeForInterface(gIOWarriorList->next->hidInterface), gIOWarriorList->next);
    EXPECT_EQ(IOWarriorListNodeForInterface(nullptr), nullptr);
}

TEST_F(IOWarriorLibTest, PlugMarksDirtyButNodesStayUntilTheNextCountRenewsThem)
{
    auto a = sim.plug("A");
    IOWarriorHIDDeviceInterface *control = interfaceAt(1);
    ASSERT_EQ(write(control), 0);

    sim.plug("B");
    deliverNotifications();
    EXPECT_EQ(gIOWarriorListDirty, 1);
    // Nothing rebuilt yet: the old node is still the list's and still usable.
    EXPECT_EQ(nodes().size(), 2u);
    EXPECT_EQ(write(control), 0);
    EXPECT_EQ(a->openCount(1), 1);

    ASSERT_EQ(IOWarriorCountInterfaces(), 4);
    for (auto *node : nodes())
        EXPECT_FALSE(node->isOpen);
    // The switch that stayed attached is opened afresh through its new node.
    EXPECT_EQ(write(interfaceAt(1)), 0);
    EXPECT_EQ(a->openCount(1), 2);
}

TEST_F(IOWarriorLibTest, FirstTransferOpensAFailedOpenSendsNothingAndIsRetried)
{
    auto a = sim.plug("A");
    IOWarriorHIDDeviceInterface *iface = interfaceAt(1);
    a->failOpen(EACCES);
    EXPECT_EQ(stderrOf([&] { EXPECT_EQ(write(iface), EACCES); }),
              "Could not open hid device interface - Permission denied(d,13)\n");
    EXPECT_TRUE(a->log().empty());
    EXPECT_FALSE(nodes()[1]->isOpen);
    EXPECT_EQ(iface->lastOpenError(), EACCES);

    a->failOpen(0);
    EXPECT_EQ(write(iface), 0);
    EXPECT_EQ(write(iface), 0);
    EXPECT_TRUE(nodes()[1]->isOpen);
    EXPECT_EQ(iface->lastOpenError(), 0);
    EXPECT_EQ(a->openCount(1), 2); // the refused try and one real open
    EXPECT_EQ(a->openCount(0), 0);
    ASSERT_EQ(a->log().size(), 2u);
    EXPECT_EQ(a->log()[0].bytes, kPortSelect);
    EXPECT_EQ(a->log()[0].interfaceIndex, 1);
}

TEST_F(IOWarriorLibTest, FailedTransfersPrintOneLineReturnTheStatusAndTouchNothing)
{
    auto a = sim.plug("A");
    IOWarriorHIDDeviceInterface *iface = interfaceAt(1);
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
              }),
              "Could not write setReport on hid device interface - Input/output error(5,5)\n"
              "Could not call getReport on hid device interface - Connection timed out(6e,110)\n"
              "Could not open hid device interface - No such device(13,19)\n"
              "Could not write setReport on hid device interface - No such device(13,19)\n");
    EXPECT_EQ(buffer, (Bytes{0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
    EXPECT_TRUE(a->log().empty());
}

TEST_F(IOWarriorLibTest, ShortReplyKeepsTheTailOfTheBuffer)
{
    auto a = sim.plug("A", 3);
    IOWarriorHIDDeviceInterface *iface = interfaceAt(1);
    const Bytes request{0x09, 0x02, 0x03, 0, 0, 0, 0, 0};
    const Bytes transfer{0x09, 0x06, 0x07, 0, 0, 0, 0, 0};
    ASSERT_EQ(IOWarriorWriteToInterface(iface, 8, request.data()), 0);
    ASSERT_EQ(IOWarriorWriteToInterface(iface, 8, transfer.data()), 0);
    a->setReplyLength(4);
    Bytes buffer;
    buffer.fill(0xAB);
    EXPECT_EQ(IOWarriorReadFromInterface(iface, 9, 8, buffer.data()), 0);
    EXPECT_EQ(buffer, (Bytes{0x09, 0x06, 0x03, 0x00, 0xAB, 0xAB, 0xAB, 0xAB}));
}

TEST(IOWarriorDiagnostics, FormatsStatusAndStaysQuietOnSuccess)
{
    const std::string text = stderrOf([] {
        PrintErrMsgIfIOErr(0, "never printed");
        PrintNotificationMessage("found IOWarrior HID device\n");
        PrintErrMsg("plain line");
        PrintErrMsgIfIOErr(static_cast<int>(0xE00002BCu), "big");
    });
    ASSERT_EQ(text.rfind("plain line\nbig - ", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 15), "(e00002bc,700)\n");
}

TEST_F(IOWarriorLibTest, OneCallbackPerChipEventThroughTheEventLoopInitDropsOnlyTheGeneralOne)
{
    gEvents.clear();
    IOWarriorSetDeviceCallback(recordEvent, kGeneral);
    IOWarriorSetDeviceAddedCallback(recordEvent, kAdded);
    IOWarriorSetDeviceRemovedCallback(recordEvent, kRemoved);
    sim.plug("A");
    sim.plugChip(0x1214, 0x1234, std::string("not ours"));
    EXPECT_TRUE(gEvents.empty()); // nothing runs inside plug(): it arrives from the loop
    deliverNotifications();
    sim.unplug("A");
    deliverNotifications();
    EXPECT_EQ(gEvents, (std::vector<std::string>{"general", "added", "general", "removed"}));

    sim.plug("B");
    ASSERT_EQ(IOWarriorCountInterfaces(), 2);
    gEvents.clear();
    ASSERT_EQ(IOWarriorInit(), 0); // frees the list rather than forgetting it
    EXPECT_EQ(gIOWarriorList, nullptr);
    EXPECT_EQ(gIOWarriorListDirty, 1);
    deliverNotifications();
    EXPECT_EQ(gEvents, (std::vector<std::string>{"added"}));

    sim.setStartFails(true);
    EXPECT_EQ(IOWarriorInit(), -1);
    IOWarriorSetPlatform(nullptr);
    EXPECT_EQ(IOWarriorInit(), -1);
}
