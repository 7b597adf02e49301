// The firmware transfer against a simulated switch on virtual time: the exact reports, the
// exact pauses between them, the outcome alerts, and the faults it must survive.
#include "switch/FirmwareTransfer.h"

#include "LockHolder.h"
#include "SRecordTestImages.h"
#include "SwitchBus.h"
#include "VirtualTransferClock.h"
#include "switch/DeviceGate.h"
#include "switch/FirmwareTransferObserver.h"

#include <QTimer>
#include <cerrno>

using namespace SRecordTestImages;
using Kind = FirmwareOutcome::Kind;
using Wire = SwitchBus::Wire;

namespace {

const char *kSerial = "00001001";
const std::string kStart = "09 01 08 00 00 00 00 00", kRestart = "09 01 FE 00 00 00 00 00";
const std::string kStatusQuery = "09 81 FF 00 00 00 00 00", kVersionQuery = "09 02 00 00 00 00 00 00";
const QString kNoAnswer = "Firmware Upgrade failed: the switch did not answer";

// The payload characters of a chunk report.
std::string chunkText(const std::array<std::uint8_t, 8> &r)
{
    return std::string(reinterpret_cast<const char *>(&r[2]), std::size_t(r[1] == 0xC6 ? 6 : r[1] - 0x80));
}

struct RecordingObserver : FirmwareTransferObserver {
    void setProgressMaximum(int maximum) override { maximums.push_back(maximum); }
    void setProgressValue(int value) override { values.push_back(value); }
    void showFirmwareVersion(const QString &version) override { versions << version; }
    void showOutcome(const FirmwareOutcome &outcome) override { alerts << outcome.text(); }
    std::vector<int> maximums, values;
    QStringList versions, alerts;
};

class FirmwareTransferTest : public SwitchBus
{
public:
    void SetUp() override
    {
        now = [this] { return clock.micros(); };
        SwitchBus::SetUp();
        transfer.setClock(&clock);
        transfer.setObserver(&observer);
    }
    FirmwareOutcome upgrade(const QString &text)
    {
        observer = RecordingObserver();
        return transfer.upgradeAndWait(text);
    }

    VirtualTransferClock clock;
    RecordingObserver observer;
    FirmwareTransfer transfer{registry, defaults};
};

} // namespace

TEST_F(FirmwareTransferTest, RecordsTravelInChunksWithTheirPauses)
{
    const struct {
        QString line;
        int command;
        std::string header;
    } cases[] = {
        {dataRecord(0x1230), 0xF1, "09 C2 F1 2A 00 00 00 00"}, // 42 characters: 6 full chunks and one of 6
        {"S1234AB", 0xF1, "09 C2 F1 07 00 00 00 00"}, // a last chunk 0x81, like the query's byte 1
        {"S104AAAA01CC", 0xF1, "09 C2 F1 0C 00 00 00 00"},
        {"S0030000FC", 0xF0, "09 C3 F0 0A 00 00 00 00"}, // the header record's: 0xC3 and one more byte, a 0
        {"S9030000FC", 0xF2, "09 C2 F2 0A 00 00 00 00"},
        {record('1', 0x4000, QByteArray(145, 'Z')), 0xF1, "09 C2 F1 2C 00 00 00 00"}, // 300 % 256 = 44
    };
    for (const auto &c : cases) {
        sw->clearLog();
        times.clear();
        clock.sleeps.clear();
        // Without the start command the simulated switch answers 5: the result is byte 3 of
        // what the switch answered, not of what was asked.
        EXPECT_EQ(transfer.writeSRecordToIOWarrior(node(), c.line, c.command), 5);
        const Wire w = wire();
        const auto chunks = std::size_t(c.line.size() + 5) / 6, last = std::size_t(c.line.size()) - 6 * (chunks - 1);
        ASSERT_EQ(w.size(), chunks + 2);
        EXPECT_EQ(w.front(), c.header);
        EXPECT_EQ(w.back(), kStatusQuery);
        std::string sent;
        for (std::size_t i = 1; i <= chunks; ++i) {
            const auto &r = sw->log()[i].bytes;
            EXPECT_EQ(r[1], i < chunks ? 0xC6 : 0x80 + last);
            EXPECT_TRUE(std::all_of(r.begin() + 2 + std::ptrdiff_t(i < chunks ? 6 : last), r.end(), [](auto b) { return b == 0; }));
            sent += chunkText(r);
        }
        EXPECT_EQ(sent, c.line.toStdString());
        if (&c == cases) { // 0.1 ms after the header, 1 ms after each chunk, 2 ms before the read
            EXPECT_EQ(clock.sleeps, (std::vector<long long>{100, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 2000}));
            for (std::size_t i = 1; i < times.size(); ++i)
                EXPECT_EQ(times[i] - times[i - 1], i == 1 ? 100 : 1000);
        }
    }
}

TEST_F(FirmwareTransferTest, WholeImageIsStartedSentRestartedAndReportedFinished)
{
    // Lines of other kinds and blank ones are not sent but still advance the bar; records
    // travel whole, their carriage return included.
    const QStringList lines{"1.5\r", headerRecord() + "\r", "S5030001FB\r", "", dataRecord(0) + "\r",
                            dataRecord(16) + "\r", "S804000000FB\r", endRecord() + "\r", ""};
    EXPECT_EQ(upgrade(lines.join('\n')).kind(), Kind::Finished);
    const Wire w = wire();
    // The version before, the start, the records, the restart, two seconds, the version after.
    EXPECT_EQ(w[0], kVersionQuery);
    EXPECT_EQ(w[2], kStart);
    EXPECT_EQ(sw->receivedRecords(), (std::vector<std::string>{lines[1].toStdString(), lines[4].toStdString(),
                                                               lines[5].toStdString(), lines[7].toStdString()}));
    const auto r = std::size_t(std::find(w.begin(), w.end(), kRestart) - w.begin());
    ASSERT_EQ(r + 3, w.size());
    EXPECT_EQ(w[r - 1], kStart);
    EXPECT_EQ(w[r + 1], kVersionQuery);
    // 2 ms before and after the last read, no pause between start command and restart.
    EXPECT_EQ(times[r - 1] - times[r - 2], 4000);
    EXPECT_EQ(times[r] - times[r - 1], 0);
    EXPECT_EQ(times[r + 1] - times[r], 2'000'000);
    EXPECT_EQ(sw->restartCount(), 1);
    EXPECT_EQ(observer.maximums, std::vector<int>{8});
    EXPECT_EQ(observer.values, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 0}));
    EXPECT_EQ(observer.versions, QStringList{"1.5"});
    EXPECT_EQ(observer.alerts, QStringList{"Firmware Upgrade finished"});
}

// Every way a transfer can go wrong once it has begun: the switch is still restarted and the
// user hears the truth, never "Firmware Upgrade finished".
TEST_F(FirmwareTransferTest, FailuresAfterTheStartAreReportedAsWhatTheyAre)
{
    // image(4): version query 2, start 1, S0 6 (header, 4 chunks, query), S1 9 each, S9 4.
    const std::size_t chunkOfSecondData = 2 + 1 + 6 + 9 + 3, restartReport = 2 + 1 + 6 + 36 + 4 + 1;
    const struct {
        const char *what;
        std::function<void()> arrange;
        Kind kind;
        QString alert; // empty: none, and the bar stays where it stopped
        std::size_t records;
        QString version;
    } cases[] = {
        {"refused with 3", [&] { sw->refuseRecord(4, 3); }, Kind::Refused, "Firmware Upgrade Error 3", 5, "1.4"},
        {"refused with 1", [&] { sw->refuseRecord(2, 1); }, Kind::RefusedSilently, "", 3, "1.4"},
        {"refused with -1", [&] { sw->refuseRecord(2, 0xFF); }, Kind::RefusedSilently, "", 3, "1.4"},
        {"chunk lost", [&] { onReport = [&](std::size_t n) { if (n == chunkOfSecondData) sw->failNextWrite(EIO); }; },
         Kind::NoAnswer, kNoAnswer, 3, "1.4"},
        {"status never read", [&] { sw->setReadNeverAnswers(true); }, Kind::NoAnswer, kNoAnswer, 1, ""},
        // Every record taken, but without the restart the switch still waits for records.
        {"restart lost", [&] { onReport = [&](std::size_t n) { if (n == restartReport) sw->failNextWrite(EIO); }; },
         Kind::NoAnswer, kNoAnswer, 6, "1.4"},
        {"old version kept", [&] { sw->setVersionAfterRestart(1, 4); }, Kind::Unchanged,
         "Firmware Upgrade failed: the switch still reports firmware 1.4 after the upgrade", 6, "1.4"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        plug();
        c.arrange();
        const FirmwareOutcome outcome = upgrade(image(4));
        EXPECT_EQ(outcome.kind(), c.kind);
        EXPECT_FALSE(outcome.succeeded());
        EXPECT_EQ(outcome.restartDelivered(), std::string(c.what) != "restart lost");
        EXPECT_EQ(sw->receivedRecords().size(), c.records); // nothing after the failing record
        EXPECT_EQ(observer.versions, QStringList{c.version}); // asked after the restart
        EXPECT_EQ(observer.alerts, c.alert.isEmpty() ? QStringList() : QStringList{c.alert});
        EXPECT_EQ(observer.values.back() == 0, !c.alert.isEmpty());
        if (std::string(c.what) == "chunk lost") { // nothing more of the record: on to the restart
            EXPECT_EQ(wire()[chunkOfSecondData], kStart);
        }
    }
    // A read-back that merely differs from the offered text is fine (the switch cannot know
    // the text of the offer), and so is the same version written again.
    sw->setVersionAfterRestart(1, 6);
    EXPECT_EQ(upgrade(image(2, "1.5b")).kind(), Kind::Finished);
    EXPECT_EQ(upgrade(image(2, "1.6")).kind(), Kind::Finished);
}

TEST_F(FirmwareTransferTest, NothingIsSentForABadImageNoSwitchOrAnotherProgramOnTheSwitch)
{
    QString badDigit = image(4);
    badDigit.replace(badDigit.indexOf("\nS1") + 10, 1, "Z");
    const QString damaged = "The firmware image is damaged. Nothing was written to the switch.";
    const struct {
        QString text;
        Kind kind;
        QString alert, detail;
        const char *selected = kSerial;
    } cases[] = {
        {badDigit, Kind::Damaged, damaged, "line 3: character"},
        {"1.5", Kind::Damaged, damaged, "no data record"}, // a version line alone holds no firmware
        {image(2), Kind::NotConnected, "", "", "99999999"},
        {image(2), Kind::Busy, "the switch is busy: a firmware upgrade is running in another program", ""},
    };
    for (const auto &c : cases) {
        defaults.setObjectForKey("Selected Switch", c.selected);
        std::optional<LockHolder> other;
        if (c.kind == Kind::Busy)
            other.emplace(kSerial, SwitchLock::Purpose::FirmwareTransfer);
        const FirmwareOutcome outcome = upgrade(c.text);
        EXPECT_EQ(outcome.kind(), c.kind) << c.text.toStdString();
        EXPECT_EQ(outcome.detail().left(c.detail.size()), c.detail);
        EXPECT_EQ(observer.alerts, c.alert.isEmpty() ? QStringList() : QStringList{c.alert});
        EXPECT_TRUE(sw->log().empty() && observer.values.empty());
        EXPECT_FALSE(DeviceGate::instance().isBusy());
    }
}

TEST_F(FirmwareTransferTest, EventLoopTurnsWhileOtherDeviceWorkWaitsForTheEnd)
{
    int startedAgain = -1, finishedSignals = 0;
    std::size_t logWhenPortCommandRan = 0;
    onReport = [&](std::size_t logged) {
        if (logged != 30)
            return;
        // A port command and a second upgrade arrive mid-transfer.
        DeviceGate::instance().runOrDefer([&] { logWhenPortCommandRan = sw->log().size(); });
        QTimer::singleShot(0, [&] { startedAgain = transfer.upgrade(image(1)); });
    };
    QObject::connect(&transfer, &FirmwareTransfer::finished, [&] { ++finishedSignals; });
    EXPECT_EQ(upgrade(image(20)).kind(), Kind::Finished);
    EXPECT_EQ(finishedSignals, 1); // the refused second upgrade did not end the first
    EXPECT_EQ(startedAgain, 0); // the loop turned mid-transfer, and the second was refused
    EXPECT_EQ(logWhenPortCommandRan, sw->log().size()); // only after the last report

    // The user picks another switch while the loop turns: the restart and the version query
    // still belong to the switch that was written.
    auto other = sim.plug("00001002", 2, 1, 4);
    QCoreApplication::processEvents();
    registry.findAttachedDevices();
    plug();
    other->clearLog();
    onReport = [&](std::size_t logged) {
        if (logged == 10)
            defaults.setObjectForKey("Selected Switch", "00001002");
    };
    EXPECT_EQ(upgrade(image(3)).kind(), Kind::Finished);
    EXPECT_EQ(sw->restartCount(), 1);
    EXPECT_EQ(observer.versions, QStringList{"1.5"});
    EXPECT_TRUE(other->log().empty());
}

// Unplug right after each report of the first (S0), a middle (S1) and the last (S9) record of
// image(3): the transfer ends as failed, nothing more reaches the bus, the hot-plug refresh
// waits for the end, and a replugged switch takes a whole image afterwards.
TEST_F(FirmwareTransferTest, UnplugAtEveryReportFailsCleanly)
{
    struct Refresh {
        FirmwareTransferTest *test;
        int runs = 0;
        bool duringTransfer = false;
    } refresh{this};
    const auto onDeviceChange = [](void *ref) {
        auto *r = static_cast<Refresh *>(ref);
        DeviceGate::instance().runOrDefer([r] {
            ++r->runs;
            r->duringTransfer = r->duringTransfer || r->test->transfer.isRunning();
            r->test->registry.findAttachedDevices();
        });
    };
    // After the version query and the start (3 reports): S0 of 22 characters (header, 4
    // chunks, query), S1 x3 of 42 (header, 7 chunks, query), S9 of 10 (header, 2 chunks, query).
    for (const auto &[before, reports] : {std::pair{3, 6}, std::pair{18, 9}, std::pair{36, 4}}) {
        for (int report = 1; report <= reports; ++report) {
            const std::size_t unplugAt = std::size_t(before + report);
            SCOPED_TRACE(unplugAt);
            plug();
            refresh = {this};
            IOWarriorSetDeviceCallback(onDeviceChange, &refresh);
            onReport = [&](std::size_t logged) {
                if (logged == unplugAt)
                    sim.unplug(kSerial);
            };
            EXPECT_EQ(upgrade(image(3)).kind(), Kind::NoAnswer);
            EXPECT_EQ(sw->log().size(), unplugAt); // nothing reached a switch that is gone
            EXPECT_EQ(observer.versions, QStringList{QString()});
            EXPECT_EQ(observer.alerts, QStringList{kNoAnswer});
            QCoreApplication::processEvents();
            EXPECT_EQ(refresh.runs, 1);
            EXPECT_FALSE(refresh.duringTransfer);
            EXPECT_EQ(node(), nullptr); // the refresh, once let through, saw the switch gone
            IOWarriorSetDeviceCallback(nullptr, nullptr);
        }
    }
    plug(); // still usable: the switch comes back and takes a whole image
    EXPECT_EQ(upgrade(image(3)).kind(), Kind::Finished);
}
