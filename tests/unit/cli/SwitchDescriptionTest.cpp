// What tarvexctl shows for a switch: a failed exchange must never look like an answer, in
// text or JSON, whichever of the three queries failed.
#include "cli/SwitchDescription.h"

#include "usb/IOWarriorController.h"
#include "usb/sim/SimHidPlatform.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <cerrno>
#include <gtest/gtest.h>
#include <memory>

namespace {

class DescribedSwitch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sw = sim.plug(kSerial, 1, 1, 4);
        IOWarriorSetPlatform(&sim);
        ASSERT_EQ(IOWarriorInit(), 0);
        registry = std::make_unique<IOWarriorController>();
        registry->findAttachedDevices();
    }
    void TearDown() override
    {
        registry.reset();
        IOWarriorClearInterfaceList();
        IOWarriorSetPlatform(nullptr);
    }
    SwitchDescription describe(const QString &shownSerial = QString::fromStdString(kSerial))
    {
        return SwitchDescription::query(*registry, shownSerial,
                                        registry->deviceWithSerial(QString::fromStdString(kSerial)));
    }

    static inline const std::string kSerial = "00003001";
    tarvex::SimHidPlatform sim;
    std::shared_ptr<tarvex::SimulatedSwitch> sw;
    std::unique_ptr<IOWarriorController> registry;
};

} // namespace

TEST_F(DescribedSwitch, SilentSwitchIsNeverShownWithValues)
{
    for (int failingRead = 0; failingRead < 3; ++failingRead) {
        // Let the earlier queries through, then fail one: no partial record may pass as an answer.
        int reads = 0;
        sw->setReportHook([&](const tarvex::SimReport &r) {
            if (r.bytes[1] == 0x06 && reads++ == failingRead)
                sw->failNextRead(EIO);
        });
        const SwitchDescription d = describe();
        EXPECT_FALSE(d.answered()) << failingRead;
        EXPECT_EQ(d.failure, EIO);
        EXPECT_TRUE(d.textLine(8, 0).endsWith("the switch did not answer"));
        const QJsonObject o = d.toJson();
        EXPECT_TRUE(o.value("error").toString().contains("did not answer"));
        EXPECT_TRUE(o.value("port").isNull());
        for (const char *key : {"model", "switchID", "firmware"})
            EXPECT_TRUE(failingRead > 0 || o.value(key).isNull()) << key;
        sw->setReportHook({});
    }
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
