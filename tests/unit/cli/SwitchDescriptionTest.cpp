// What tarvexctl shows for a switch: a failed exchange must never look like an answer, in
// text or JSON, whichever of the three queries failed, and a switch another program holds
// is said to be busy rather than silent.
#include "cli/SwitchDescription.h"

#include "LockHolder.h"
#include "usb/IOWarriorController.h"
#include "usb/sim/SimHidPlatform.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <cerrno>
#include <gtest/gtest.h>

TEST(SwitchDescription, FailedExchangeIsNeverShownWithValues)
{
    tarvex::SimHidPlatform sim;
    const auto sw = sim.plug("00003001", 1, 1, 4);
    IOWarriorSetPlatform(&sim);
    ASSERT_EQ(IOWarriorInit(), 0);
    IOWarriorController registry;
    registry.findAttachedDevices();
    const QString busy = "the switch is busy: a firmware upgrade is running in another program";
    const struct {
        int failingRead; // -1: none, another program holds the switch
        int failure;
        QString text;
    } cases[] = {{0, EIO, "did not answer"}, {1, EIO, "did not answer"}, {2, EIO, "did not answer"},
                 {-1, SwitchLock::kBusyWithFirmwareStatus, busy}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.failingRead);
        // Let the earlier queries through, then fail one: no partial record may pass as an answer.
        int reads = 0;
        sw->setReportHook([&](const tarvex::SimReport &r) {
            if (r.bytes[1] == 0x06 && reads++ == c.failingRead)
                sw->failNextRead(EIO);
        });
        std::optional<LockHolder> other;
        if (c.failingRead < 0)
            other.emplace("00003001", SwitchLock::Purpose::FirmwareTransfer);
        const SwitchDescription d = SwitchDescription::query(registry, "00003001", registry.deviceWithSerial("00003001"));
        EXPECT_EQ(d.failure, c.failure);
        EXPECT_TRUE(d.textLine(8, 0).endsWith(c.text)) << d.textLine(8, 0).toStdString();
        const QJsonObject o = d.toJson();
        EXPECT_TRUE(o.value("error").toString().contains(c.text));
        EXPECT_TRUE(o.value("port").isNull());
        for (const char *key : {"model", "switchID", "firmware"})
            EXPECT_TRUE(c.failingRead > 0 || o.value(key).isNull()) << key;
    }
    sw->setReportHook({});
    IOWarriorClearInterfaceList();
    IOWarriorSetPlatform(nullptr);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
