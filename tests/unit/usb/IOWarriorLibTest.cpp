// The IOWarrior layer against the simulated bus: discovery and interface kinds, the lazy
// rebuild, open on demand, transfers and their diagnostics, hot-plug callbacks.
#include "UsbTestSupport.h"

#include "usb/HidPlatform.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

using tarvex::SimHidPlatform;

namespace {

std::vector<std::string> gEvents;
void recordAdded(void *refCon) { gEvents.push_back(std::string("added:") + static_cast<const char *>(refCon)); }
void recordRemoved(void *refCon) { gEvents.push_back(std::string("removed:") + static_cast<const char *>(refCon)); }
void recordGeneral(void *refCon) { gEvents.push_back(std::string("general:") + static_cast<const char *>(refCon)); }

const Bytes kPortSelect{0x09, 0x03, 0x0B, 0x01, 0x01, 0, 0, 0};

} // namespace

using IOWarriorLibTest = UsbLayerTest;

TEST_F(IOWarriorLibTest, KindsFollowProductAndOrdinalParityAcrossChips)
{
    sim.plug("A");
    sim.plugChip(0x1214, 0x1511, std::string("B"));
    sim.plugChip(0x1214, 0x1500, std::string("C"));
    sim.plugChip(0x1214, 0x1503, std::string("D"));
    sim.plug("E");
    ASSERT_EQ(IOWarriorCountInterfaces(), 10);
    EXPECT_EQ(kinds(), (std::vector<int>{2, 3, 6, 7, 0, 1, 4, 5, 2, 3}));
    const auto list = nodes();
    EXPECT_STREQ(list[0]->serialNumber, "A");
    EXPECT_STREQ(list[1]->serialNumber, "A");
    EXPECT_STREQ(list[9]->serialNumber, "E");
    for (auto *node : list)
        EXPECT_FALSE(node->isOpen);
}

TEST_F(IOWarriorLibTest, ForeignProductsAndVendorsGiveNoNodeAndNoOrdinal)
{
    sim.plugChip(0x1214, 0x1234, std::string("other-product"));
    sim.plugChip(0x046D, 0x03EB, std::string("other-vendor"));
    sim.plug("S");
    ASSERT_EQ(IOWarriorCountInterfaces(), 2);
    EXPECT_EQ(kinds(), (std::vector<int>{2, 3}));
    EXPECT_STREQ(nodes()[1]->serialNumber, "S");
}

TEST_F(IOWarriorLibTest, FailedInterfaceShiftsParityOfLaterInterfacesAndSaysSo)
{
    sim.plug("A");
    sim.plug("B");
    sim.failCreateInterface("A", 0);
    StderrCapture err;
    ASSERT_EQ(IOWarriorCountInterfaces(), 3);
    EXPECT_EQ(err.text(), "Couldn't query HID class device interface from plugInInterface\n");
    EXPECT_EQ(kinds(), (std::vector<int>{2, 3, 2}));
    EXPECT_STREQ(nodes()[0]->serialNumber, "A");
}

TEST_F(IOWarriorLibTest, MissingSerialBecomesZero)
{
    sim.plugChip(0x1214, 0x03EB, std::nullopt);
    ASSERT_EQ(IOWarriorCountInterfaces(), 2);
    EXPECT_STREQ(nodes()[1]->serialNumber, "0");
}

TEST_F(IOWarriorLibTest, ListStartsDirtyAndOnlyADirtyCountEnumerates)
{
    sim.plug("A");
    EXPECT_EQ(gIOWarriorListDirty, 1);
    EXPECT_EQ(sim.enumerationCount(), 0);
    EXPECT_EQ(IOWarriorIsPresent(), 1);
    EXPECT_EQ(gIOWarriorListDirty, 0);
    EXPECT_EQ(sim.enumerationCount(), 1);
    EXPECT_EQ(IOWarriorCountInterfaces(), 2);
    EXPECT_EQ(IOWarriorInterfaceListNodeAtIndex(1)->interfaceKind, 3);
    EXPECT_EQ(sim.enumerationCount(), 1);
}

TEST_F(IOWarriorLibTest, EmptyBusAndIndexBounds)
{
    EXPECT_EQ(IOWarriorIsPresent(), 0);
    EXPECT_EQ(IOWarriorCountInterfaces(), 0);
    EXPECT_EQ(IOWarriorInterfaceListNodeAtIndex(0), nullptr);

    sim.plug("A");
    deliverNotifications();
    ASSERT_EQ(IOWarriorCountInterfaces(), 2);
    EXPECT_EQ(IOWarriorInterfaceListNodeAtIndex(-5), gIOWarriorList);
    EXPECT_EQ(IOWarriorInterfaceListNodeAtIndex(1), gIOWarriorList->next);
    EXPECT_EQ(IOWarriorInterfaceListNodeAtIndex(2), nullptr);
    EXPECT_EQ(IOWarriorListNodeForInterface(gIOWarriorList->next->hidInterface), gIOWarriorList->next);
    EXPECT_EQ(IOWarriorListNodeForInterface(nullptr), nullptr);
}

TEST_F(IOWarriorLibTest, PlugMarksDirtyButListStaysUntilTheNextCount)
{
    auto a = sim.plug("A");
    ASSERT_EQ(IOWarriorCountInterfaces(), 2);
    IOWarriorListNodeStruct *control = IOWarriorInterfaceListNodeAtIndex(1);
    ASSERT_EQ(IOWarriorWriteToInterface(control->hidInterface, 8, kPortSelect.data()), 0);
    ASSERT_TRUE(control->isOpen);

    sim.plug("B");
    deliverNotifications();
    EXPECT_EQ(gIOWarriorListDirty, 1);
    // Nothing rebuilt yet: the old node is still the list's and still usable.
    EXPECT_EQ(nodes().size(), 2u);
    EXPECT_EQ(IOWarriorInterfaceListNodeAtIndex(1), control);
    EXPECT_EQ(IOWarriorWriteToInterface(control->hidInterface, 8, kPortSelect.data()), 0);
    EXPECT_EQ(a->openCount(1), 1);

    ASSERT_EQ(IOWarriorCountInterfaces(), 4);
    for (auto *node : nodes())
        EXPECT_FALSE(node->isOpen);
    // The switch that stayed attached is opened afresh through its new node.
    EXPECT_EQ(IOWarriorWriteToInterface(IOWarriorInterfaceListNodeAtIndex(1)->hidInterface, 8,
                                        kPortSelect.data()), 0);
    EXPECT_EQ(a->openCount(1), 2);
}

TEST_F(IOWarriorLibTest, FirstWriteOpensLaterWritesDoNot)
{
    auto a = sim.plug("A");
    ASSERT_EQ(IOWarriorCountInterfaces(), 2);
    auto *iface = IOWarriorInterfaceListNodeAtIndex(1)->hidInterface;
    EXPECT_EQ(IOWarriorWriteToInterface(iface, 8, kPortSelect.data()), 0);
    EXPECT_EQ(IOWarriorWriteToInterface(iface, 8, kPortSelect.data()), 0);
    EXPECT_EQ(a->openCount(1), 1);
    EXPECT_EQ(a->openCount(0), 0);
    ASSERT_EQ(a->log().size(), 2u);
    EXPECT_EQ(a->log()[0].bytes, kPortSelect);
    EXPECT_EQ(a->log()[0].interfaceIndex, 1);
}

TEST_F(IOWarriorLibTest, FailedOpenSendsNothingSaysWhyAndIsRetried)
{
    auto a = sim.plug("A");
    ASSERT_EQ(IOWarriorCountInterfaces(), 2);
    auto *node = IOWarriorInterfaceListNodeAtIndex(1);
    a->failOpen(EACCES);
    StderrCapture err;
    EXPECT_EQ(IOWarriorWriteToInterface(node->hidInterface, 8, kPortSelect.data()), EACCES);
    EXPECT_EQ(err.text(), "Could not open hid device interface - Permission denied(d,13)\n");
    EXPECT_TRUE(a->log().empty());
    EXPECT_FALSE(node->isOpen);

    a->failOpen(0);
    EXPECT_EQ(IOWarriorWriteToInterface(node->hidInterface, 8, kPortSelect.data()), 0);
    EXPECT_EQ(a->openCount(1), 2);
    EXPECT_TRUE(node->isOpen);
    EXPECT_EQ(a->log().size(), 1u);
}

TEST_F(IOWarriorLibTest, TransferFailuresPrintOneLineAndReturnTheStatus)
{
    auto a = sim.plug("A");
    ASSERT_EQ(IOWarriorCountInterfaces(), 2);
    auto *iface = IOWarriorInterfaceListNodeAtIndex(1)->hidInterface;
    a->failNextWrite(EIO);
    a->failNextRead(ETIMEDOUT);
    Bytes buffer{};
    buffer.fill(0xEE);
    StderrCapture err;
    EXPECT_EQ(IOWarriorWriteToInterface(iface, 8, kPortSelect.data()), EIO);
    EXPECT_EQ(IOWarriorReadFromInterface(iface, 9, 8, buffer.data()), ETIMEDOUT);
    EXPECT_EQ(err.text(),
              "Could not write setReport on hid device interface - Input/output error(5,5)\n"
              "Could not call getReport on hid device interface - Connection timed out(6e,110)\n");
    Bytes untouched{};
    untouched.fill(0xEE);
    EXPECT_EQ(buffer, untouched);
    EXPECT_TRUE(a->log().empty());
}

TEST_F(IOWarriorLibTest, ShortReplyKeepsTheTailOfTheBuffer)
{
    auto a = sim.plug("A", 3);
    ASSERT_EQ(IOWarriorCountInterfaces(), 2);
    auto *iface = IOWarriorInterfaceListNodeAtIndex(1)->hidInterface;
    const Bytes request{0x09, 0x02, 0x03, 0, 0, 0, 0, 0};
    const Bytes transfer{0x09, 0x06, 0x07, 0, 0, 0, 0, 0};
    ASSERT_EQ(IOWarriorWriteToInterface(iface, 8, request.data()), 0);
    ASSERT_EQ(IOWarriorWriteToInterface(iface, 8, transfer.data()), 0);
    a->setReplyLength(4);
    Bytes buffer{};
    buffer.fill(0xAB);
    EXPECT_EQ(IOWarriorReadFromInterface(iface, 9, 8, buffer.data()), 0);
    EXPECT_EQ(buffer, (Bytes{0x09, 0x06, 0x03, 0x00, 0xAB, 0xAB, 0xAB, 0xAB}));
    a->setReplyLength(8);
    EXPECT_EQ(IOWarriorReadFromInterface(iface, 9, 8, buffer.data()), 0);
    EXPECT_EQ(buffer[4], 3);
}

TEST_F(IOWarriorLibTest, UnknownInterfaceAndUnpluggedChipFailAsNoDevice)
{
    sim.plug("A");
    ASSERT_EQ(IOWarriorCountInterfaces(), 2);
    auto *iface = IOWarriorInterfaceListNodeAtIndex(1)->hidInterface;
    {
        StderrCapture err;
        EXPECT_EQ(IOWarriorWriteToInterface(nullptr, 8, kPortSelect.data()), ENODEV);
        EXPECT_EQ(err.text(), "Could not open hid device interface - No such device(13,19)\n");
    }
    ASSERT_EQ(IOWarriorWriteToInterface(iface, 8, kPortSelect.data()), 0);
    sim.unplug("A");
    StderrCapture err;
    EXPECT_EQ(IOWarriorWriteToInterface(iface, 8, kPortSelect.data()), ENODEV);
    EXPECT_EQ(err.text(), "Could not write setReport on hid device interface - No such device(13,19)\n");
}

TEST(IOWarriorDiagnostics, FormatsStatusAndStaysQuietOnSuccess)
{
    StderrCapture err;
    PrintErrMsgIfIOErr(0, "never printed");
    PrintNotificationMessage("found IOWarrior HID device\n");
    PrintErrMsg("plain line");
    PrintErrMsgIfIOErr(static_cast<int>(0xE00002BCu), "big");
    const std::string text = err.text();
    ASSERT_EQ(text.rfind("plain line\nbig - ", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 15), "(e00002bc,700)\n");
}

TEST_F(IOWarriorLibTest, OneCallbackPerChipEventThroughTheEventLoop)
{
    static const char added[] = "a";
    static const char removed[] = "r";
    static const char general[] = "g";
    gEvents.clear();
    IOWarriorSetDeviceAddedCallback(recordAdded, const_cast<char *>(added));
    IOWarriorSetDeviceRemovedCallback(recordRemoved, const_cast<char *>(removed));
    sim.plug("A");
    sim.plug("B");
    sim.plugChip(0x1214, 0x1234, std::string("not ours"));
    EXPECT_TRUE(gEvents.empty()); // nothing runs inside plug(): it arrives from the loop
    deliverNotifications();
    EXPECT_EQ(gEvents, (std::vector<std::string>{"added:a", "added:a"}));

    IOWarriorSetDeviceCallback(recordGeneral, const_cast<char *>(general));
    gEvents.clear();
    sim.unplug("A");
    deliverNotifications();
    EXPECT_EQ(gEvents, (std::vector<std::string>{"general:g", "removed:r"}));
}

TEST_F(IOWarriorLibTest, InitClearsGeneralCallbackKeepsOthersAndFailsWithoutPlatform)
{
    gEvents.clear();
    IOWarriorSetDeviceCallback(recordGeneral, nullptr);
    static const char added[] = "a";
    IOWarriorSetDeviceAddedCallback(recordAdded, const_cast<char *>(added));
    sim.plug("A");
    ASSERT_EQ(IOWarriorCountInterfaces(), 2);
    ASSERT_EQ(IOWarriorInit(), 0);
    EXPECT_EQ(gIOWarriorCallBackPtr, nullptr);
    EXPECT_EQ(gIOWarriorList, nullptr);
    EXPECT_EQ(gIOWarriorListDirty, 1);
    deliverNotifications();
    EXPECT_EQ(gEvents, (std::vector<std::string>{"added:a"}));

    sim.setStartFails(true);
    EXPECT_EQ(IOWarriorInit(), -1);
    IOWarriorSetPlatform(nullptr);
    EXPECT_EQ(IOWarriorInit(), -1);
}

TEST_F(IOWarriorLibTest, HandleRemembersWhyItsLastOpenFailed)
{
    auto a = sim.plug("A");
    ASSERT_EQ(IOWarriorCountInterfaces(), 2);
    auto *iface = IOWarriorInterfaceListNodeAtIndex(1)->hidInterface;
    a->failOpen(EACCES);
    StderrCapture err;
    IOWarriorWriteToInterface(iface, 8, kPortSelect.data());
    err.text();
    EXPECT_EQ(iface->lastOpenError(), EACCES);
    a->failOpen(0);
    EXPECT_EQ(IOWarriorWriteToInterface(iface, 8, kPortSelect.data()), 0);
    EXPECT_EQ(iface->lastOpenError(), 0);
}
