// What tarvexctl shows for a switch: a failed exchange must never look like an answer, in
// text or JSON, whichever of the three queries failed, and a switch another program holds
// is said to be busy, one we may not open to lack permission, rather than silent.
#include "cli/SwitchDescription.h"

#include "LockHolder.h"
#include "SwitchBus.h"

#include <QJsonObject>
#include <cerrno>

TEST_F(SwitchBus, FailedExchangeIsNeverDescribedWithValues)
{
    const QString busy = "the switch is busy: a firmware upgrade is running in another program";
    const struct {
        int failingRead; // -1: none, another program holds the switch; -2: none, not ours to open
        int failure;
        QString text;
    } cases[] = {{0, EIO, "did not answer"}, {1, EIO, "did not answer"}, {2, EIO, "did not answer"},
                 {-1, SwitchLock::kBusyWithFirmwareStatus, busy}, {-2, EACCES, "no permission to open the switch"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.failingRead);
        if (c.failingRead == -2) { // plugged in, not ours to open
            sim.unplug("00001001");
            sw = sim.plug("00001001", 1, 1, 4);
            sw->failOpen(EACCES);
            QCoreApplication::processEvents();
            registry.findAttachedDevices();
        }
        // Let the earlier queries through, then fail one: no partial record may pass as an answer.
        int reads = 0;
        onReport = [&](std::size_t) {
            if (sw->log().back().bytes[1] == 0x06 && reads++ == c.failingRead)
                sw->failNextRead(EIO);
        };
        std::optional<LockHolder> other;
        if (c.failingRead == -1)
            other.emplace("00001001", SwitchLock::Purpose::FirmwareTransfer);
        const SwitchDescription d = SwitchDescription::query(registry, "00001001", node());
        EXPECT_EQ(d.failure, c.failure);
        EXPECT_TRUE(d.textLine(8, 0).endsWith(c.text)) << d.textLine(8, 0).toStdString();
        const QJsonObject o = d.toJson();
        EXPECT_TRUE(o.value("error").toString().contains(c.text));
        EXPECT_TRUE(o.value("port").isNull());
        for (const char *key : {"model", "switch_id", "firmware"})
            EXPECT_TRUE(c.failingRead > 0 || o.value(key).isNull()) << key;
    }
}
