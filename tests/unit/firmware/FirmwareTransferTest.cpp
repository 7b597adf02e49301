// The firmware transfer against a simulated switch on virtual time: the exact reports, the
// exact pauses between them, the outcome alerts, and the faults it must survive.
#include "switch/FirmwareTransfer.h"

#include "SRecordTestImages.h"
#include "VirtualTransferClock.h"
#include "switch/DefaultsStore.h"
#include "switch/DeviceGate.h"
#include "switch/FirmwareTransferObserver.h"
#include "usb/IOWarriorController.h"
#include "usb/IOWarriorLib.h"
#include "usb/sim/SimHidPlatform.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <cerrno>
#include <gtest/gtest.h>

using namespace SRecordTestImages;
using Kind = FirmwareOutcome::Kind;
using Wire = std::vector<std::string>;

namespace {

const std::string kSerial = "00001001";
const std::string kStart = "09 01 08 00 00 00 00 00";
const std::string kRestart = "09 01 FE 00 00 00 00 00";
const std::string kStatusQuery = "09 81 FF 00 00 00 00 00";
const QString kNoAnswer = QStringLiteral("Firmware Upgrade failed: the switch did not answer");

std::string hex(const std::array<std::uint8_t, 8> &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), 8).toHex(' ').toUpper().toStdString();
}

// The payload characters of a chunk report.
std::string chunkText(const std::array<std::uint8_t, 8> &r)
{
    const int n = r[1] == 0xC6 ? 6 : r[1] - 0x80;
    return std::string(reinterpret_cast<const char *>(&r[2]), std::size_t(n));
}

struct RecordingObserver : FirmwareTransferObserver {
    void setProgressMaximum(int maximum) override { maximums.push_back(maximum); }
    void setProgressValue(int value) override { values.push_back(value); }
    void showFirmwareVersion(const QString &version) override { versions << version; }
    void showOutcome(const FirmwareOutcome &outcome) override { alerts.push_back(outcome); }

    std::vector<int> maximums;
    std::vector<int> values;
    QStringList versions;
    std::vector<FirmwareOutcome> alerts;
};

class FirmwareTransferTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        sw = sim.plug(kSerial, 1, 1, 4);
        sw->setVersionAfterRestart(1, 5);
        IOWarriorSetPlatform(&sim);
        ASSERT_EQ(IOWarriorInit(), 0);
        registry.findAttachedDevices();
        QCoreApplication::processEvents(); // the plug notification, before any test hooks in
        ASSERT_NE(node(), nullptr);
        defaults.setObjectForKey(QStringLiteral("Selected Switch"), QString::fromStdString(kSerial));
        transfer.setClock(&clock);
        transfer.setObserver(&observer);
        sw->setReportHook([this](const tarvex::SimReport &) {
            times.push_back(clock.micros());
            if (onReport)
                onReport(sw->log().size());
        });
        clearLog();
    }

    void TearDown() override
    {
        IOWarriorSetDeviceCallback(nullptr, nullptr);
        IOWarriorClearInterfaceList();
        IOWarriorSetPlatform(nullptr);
    }

    IOWarriorListNodeStruct *node() { return registry.deviceWithSerial(QString::fromStdString(kSerial)); }

    void clearLog()
    {
        sw->clearLog();
        times.clear();
        clock.clearSleeps();
    }

    // Reports to the control interface, as hex strings.
    Wire wire() const
    {
        Wire out;
        for (const auto &r : sw->log())
            out.push_back(hex(r.bytes));
        return out;
    }

    // The one alert the observer got must be the failure, never "Firmware Upgrade finished".
    void expectNoAnswerAlert()
    {
        ASSERT_EQ(observer.alerts.size(), 1u);
        EXPECT_EQ(observer.alerts[0].title(), QStringLiteral("Firmware Upgrade"));
        EXPECT_EQ(observer.alerts[0].text(), kNoAnswer);
        EXPECT_EQ(observer.values.back(), 0);
    }

    QTemporaryDir dir;
    tarvex::SimHidPlatform sim;
    std::shared_ptr<tarvex::SimulatedSwitch> sw;
    IOWarriorController registry;
    DefaultsStore defaults{dir.filePath(QStringLiteral("defaults.json"))};
    VirtualTransferClock clock;
    RecordingObserver observer;
    FirmwareTransfer transfer{registry, defaults};
    std::vector<long long> times; // virtual time of each logged report
    std::function<void(std::size_t)> onReport;
};

} // namespace

TEST_F(FirmwareTransferTest, DataRecordOf42CharactersTravelsInSevenChunksWithItsPauses)
{
    const QString line = dataRecord(0x1230);
    ASSERT_EQ(line.size(), 42);
    // Without the start command the simulated switch answers 5: the result is byte 3 of
    // what the switch answered, not of what was asked.
    EXPECT_EQ(transfer.writeSRecordToIOWarrior(node(), line, 0xF1), 5);
    transfer.restart(nullptr);

    const auto &log = sw->log();
    ASSERT_EQ(log.size(), 11u);
    EXPECT_EQ(hex(log[0].bytes), "09 C2 F1 2A 00 00 00 00");
    std::string sent;
    for (int i = 1; i <= 7; ++i) {
        EXPECT_EQ(log[i].bytes[1], i < 7 ? 0xC6 : 0x86);
        sent += chunkText(log[i].bytes);
    }
    EXPECT_EQ(sent, line.toStdString());
    const Wire w = wire();
    EXPECT_EQ(Wire(w.begin() + 8, w.end()), (Wire{kStatusQuery, kStart, kRestart}));

    // 0.1 ms after the header, 1 ms after each chunk, 2 ms before and after the read, none
    // between the start command and the restart.
    const std::vector<long long> gaps{100, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 4000, 0};
    for (std::size_t i = 0; i < gaps.size(); ++i)
        EXPECT_EQ(times[i + 1] - times[i], gaps[i]) << "before report " << i + 1;
    const std::vector<long long> sleeps{100, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 2000, 2000};
    EXPECT_EQ(clock.sleeps(), sleeps); // the 4 ms around the read are two separate 2 ms
}

TEST_F(FirmwareTransferTest, ShortRecordsAndTheirHeaders)
{
    const struct {
        QString line;
        int command;
        Wire reports;
    } cases[] = {
        {QStringLiteral("S1234AB"), 0xF1, {"09 C2 F1 07 00 00 00 00", "09 C6 53 31 32 33 34 41", "09 81 42 00 00 00 00 00"}},
        {QStringLiteral("S104AAAA01CC"), 0xF1, {"09 C2 F1 0C 00 00 00 00", "09 C6 53 31 30 34 41 41", "09 86 41 41 30 31 43 43"}},
        // The header record's header announces itself with 0xC3 and one more byte, a 0.
        {QStringLiteral("S0030000FC"), 0xF0, {"09 C3 F0 0A 00 00 00 00", "09 C6 53 30 30 33 30 30", "09 84 30 30 46 43 00 00"}},
        {QStringLiteral("S9030000FC"), 0xF2, {"09 C2 F2 0A 00 00 00 00", "09 C6 53 39 30 33 30 30", "09 84 30 30 46 43 00 00"}},
    };
    for (const auto &c : cases) {
        clearLog();
        transfer.writeSRecordToIOWarrior(node(), c.line, c.command);
        Wire expected = c.reports;
        expected.push_back(kStatusQuery);
        EXPECT_EQ(wire(), expected) << c.line.toStdString();
    }
}

TEST_F(FirmwareTransferTest, LongRecordAnnouncesItsLengthModulo256AndIsSentWhole)
{
    QByteArray data(145, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = char(i * 13);
    const QString line = record('1', 0x4000, data);
    ASSERT_EQ(line.size(), 300);

    EXPECT_EQ(transfer.upgradeAndWait(QStringLiteral("1.5\n") + line + QStringLiteral("\n") + endRecord()).kind(),
              Kind::Finished);
    const auto &log = sw->log();
    ASSERT_GT(log.size(), 52u);
    EXPECT_EQ(hex(log[1].bytes), "09 C2 F1 2C 00 00 00 00"); // 300 % 256 = 44
    std::string sent;
    for (std::size_t i = 2; i < 52; ++i)
        sent += chunkText(log[i].bytes);
    EXPECT_EQ(sent, line.toStdString());
    EXPECT_EQ(log[51].bytes[1], 0x86);
}

TEST_F(FirmwareTransferTest, WholeImageIsStartedSentRestartedAndReportedFinished)
{
    const QString text = image(3, QStringLiteral("1.5"), QStringLiteral("\r\n"));
    EXPECT_EQ(transfer.upgradeAndWait(text).kind(), Kind::Finished);
    const Wire w = wire();
    ASSERT_GE(w.size(), 4u);
    EXPECT_EQ(w.front(), kStart);
    // Every line travelled whole, its carriage return included.
    const QStringList lines = text.split(QLatin1Char('\n'));
    ASSERT_EQ(sw->receivedRecords().size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(sw->receivedRecords()[std::size_t(i)], lines[i + 1].toStdString());
    // The restart, then two seconds later the version query.
    const auto restartAt = std::find(w.begin(), w.end(), kRestart);
    ASSERT_NE(restartAt, w.end());
    ASSERT_EQ(*(restartAt - 1), kStart);
    const std::size_t r = std::size_t(restartAt - w.begin());
    ASSERT_GT(w.size(), r + 1);
    EXPECT_EQ(w[r + 1].substr(0, 11), "09 02 00 00");
    EXPECT_EQ(times[r + 1] - times[r], 2'000'000);
    EXPECT_EQ(sw->restartCount(), 1);

    // Progress: 0, maximum = lines after the version line (the final empty one counts), one
    // step per line, then back to 0 after the alert.
    EXPECT_EQ(observer.maximums, std::vector<int>{6});
    EXPECT_EQ(observer.values, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 0}));
    EXPECT_EQ(observer.versions, QStringList{QStringLiteral("1.5")});
    ASSERT_EQ(observer.alerts.size(), 1u);
    EXPECT_TRUE(observer.alerts[0].isInformational());
    EXPECT_EQ(observer.alerts[0].text(), QStringLiteral("Firmware Upgrade finished"));
    EXPECT_EQ(clock.begins(), 1);
    EXPECT_EQ(clock.ends(), 1);
}

TEST_F(FirmwareTransferTest, SkippedLinesAreNotSentButAdvanceTheProgress)
{
    const QString text = QStringLiteral("1.5\n") + headerRecord() + QStringLiteral("\nS5030001FB\n\n")
        + dataRecord(0) + QStringLiteral("\nS804000000FB\nS2garbage\nS3x\nS7x\ns1x\n") + endRecord();
    EXPECT_EQ(transfer.upgradeAndWait(text).kind(), Kind::Finished);
    EXPECT_EQ(sw->receivedRecords().size(), 3u);
    EXPECT_EQ(observer.maximums, std::vector<int>{10});
    EXPECT_EQ(observer.values, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0}));
}

TEST_F(FirmwareTransferTest, VersionLineAloneStartsAndRestartsOnly)
{
    EXPECT_EQ(transfer.upgradeAndWait(QStringLiteral("1.5")).kind(), Kind::Finished);
    const Wire w = wire();
    ASSERT_GE(w.size(), 3u);
    EXPECT_EQ(Wire(w.begin(), w.begin() + 3), (Wire{kStart, kStart, kRestart}));
    EXPECT_EQ(observer.maximums, std::vector<int>{0});
    EXPECT_EQ(observer.alerts.size(), 1u);
}

TEST_F(FirmwareTransferTest, RefusalWithThreeAtTheFifthRecordStopsRestartsAndAlerts)
{
    sw->refuseRecord(4, 3);
    const FirmwareOutcome outcome = transfer.upgradeAndWait(image(8));
    EXPECT_EQ(outcome.kind(), Kind::Refused);
    EXPECT_EQ(outcome.recordStatus(), 3);
    EXPECT_EQ(sw->receivedRecords().size(), 5u); // nothing after the refused record
    EXPECT_EQ(sw->restartCount(), 1);
    ASSERT_EQ(observer.alerts.size(), 1u);
    EXPECT_EQ(observer.alerts[0].text(), QStringLiteral("Firmware Upgrade Error 3"));
    // The refused line still counted; the bar goes back to 0 after the alert.
    EXPECT_EQ(observer.values, (std::vector<int>{0, 1, 2, 3, 4, 5, 0}));
    EXPECT_EQ(observer.versions, QStringList{QStringLiteral("1.4")}); // not adopted
}

TEST_F(FirmwareTransferTest, UnlistedRefusalIsSilentAndLeavesTheProgress)
{
    sw->refuseRecord(2, 1);
    EXPECT_EQ(transfer.upgradeAndWait(image(8)).kind(), Kind::RefusedSilently);
    EXPECT_EQ(sw->restartCount(), 1);
    EXPECT_TRUE(observer.alerts.empty());
    EXPECT_EQ(observer.values.back(), 3);
    EXPECT_EQ(observer.versions.size(), 1);
}

TEST_F(FirmwareTransferTest, FailedWriteInsideARecordEndsTheTransferAsFailed)
{
    // The third chunk of the second data record is lost: start, S0 (header, 4 chunks,
    // query), S1 #1 (9 reports), then S1 #2's header and two chunks.
    const std::size_t failAt = 1 + 6 + 9 + 3;
    onReport = [&](std::size_t logged) {
        if (logged == failAt)
            sw->failNextWrite(EIO);
    };
    EXPECT_EQ(transfer.upgradeAndWait(image(4)).kind(), Kind::NoAnswer);
    // Nothing more of the record after the lost report; straight on to the restart.
    const Wire w = wire();
    ASSERT_GT(w.size(), failAt + 1);
    EXPECT_EQ(Wire(w.begin() + long(failAt), w.begin() + long(failAt) + 2), (Wire{kStart, kRestart}));
    EXPECT_EQ(sw->restartCount(), 1);
    EXPECT_EQ(observer.versions, QStringList{QStringLiteral("1.4")}); // refreshed
    expectNoAnswerAlert();
}

TEST_F(FirmwareTransferTest, StatusReadThatNeverAnswersIsNotTakenAsAccepted)
{
    sw->setReadNeverAnswers(true);
    EXPECT_EQ(transfer.upgradeAndWait(image(4)).kind(), Kind::NoAnswer);
    EXPECT_EQ(sw->receivedRecords().size(), 1u); // stopped after the first record
    EXPECT_EQ(sw->restartCount(), 1);
    EXPECT_EQ(observer.versions, QStringList{QString()}); // asked, but no answer to show
    expectNoAnswerAlert();
}

TEST_F(FirmwareTransferTest, DamagedImageIsRefusedBeforeTheFirstReport)
{
    QString text = image(4);
    text.replace(text.indexOf(QLatin1String("\nS1")) + 10, 1, QLatin1Char('Z'));
    bool finished = false;
    QObject::connect(&transfer, &FirmwareTransfer::finished,
                     [&](const FirmwareOutcome &o) { finished = o.kind() == Kind::Damaged; });
    EXPECT_FALSE(transfer.upgrade(text));
    EXPECT_TRUE(finished);
    EXPECT_TRUE(sw->log().empty());
    EXPECT_FALSE(DeviceGate::instance().isBusy());
    EXPECT_TRUE(observer.values.empty());
    ASSERT_EQ(observer.alerts.size(), 1u);
    EXPECT_EQ(observer.alerts[0].title(), QStringLiteral("Firmware Upgrade"));
    EXPECT_EQ(observer.alerts[0].text(),
              QStringLiteral("The firmware image is damaged. Nothing was written to the switch."));
    EXPECT_TRUE(observer.alerts[0].detail().startsWith(QLatin1String("line 3:")));

    // Data records without the closing end record are refused the same way.
    QString truncated = image(4);
    truncated.truncate(truncated.lastIndexOf(QLatin1String("S9")));
    EXPECT_EQ(transfer.upgradeAndWait(truncated).kind(), Kind::Damaged);
    EXPECT_TRUE(sw->log().empty());
}

TEST_F(FirmwareTransferTest, EventLoopTurnsWhileOtherDeviceWorkWaitsForTheEnd)
{
    int ticksWhileBusy = 0;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] { ticksWhileBusy += DeviceGate::instance().isBusy(); });
    ticker.start();

    std::size_t logWhenPortCommandRan = 0;
    bool gateBusyThen = true;
    int startedAgain = -1;
    onReport = [&](std::size_t logged) {
        if (logged == 30) {
            // A port command and a second upgrade arrive mid-transfer.
            DeviceGate::instance().runOrDefer([&] {
                logWhenPortCommandRan = sw->log().size();
                gateBusyThen = DeviceGate::instance().isBusy();
            });
            QTimer::singleShot(0, [&] { startedAgain = transfer.upgrade(image(1)) ? 1 : 0; });
        }
    };
    int finishedSignals = 0;
    QObject::connect(&transfer, &FirmwareTransfer::finished, [&] { ++finishedSignals; });
    EXPECT_EQ(transfer.upgradeAndWait(image(20)).kind(), Kind::Finished);
    ticker.stop();

    EXPECT_EQ(finishedSignals, 1); // the refused second upgrade did not end the first
    EXPECT_EQ(startedAgain, 0);
    EXPECT_GE(ticksWhileBusy, 20); // at least once between any two records
    EXPECT_EQ(logWhenPortCommandRan, sw->log().size()); // only after the last report
    EXPECT_FALSE(gateBusyThen);
    EXPECT_FALSE(transfer.isRunning());
}

TEST_F(FirmwareTransferTest, SelectionChangedMidTransferDoesNotRedirectTheRestart)
{
    auto other = sim.plug("00001002", 2, 1, 4);
    registry.findAttachedDevices();
    QCoreApplication::processEvents();
    clearLog();
    other->clearLog();
    onReport = [&](std::size_t logged) {
        if (logged == 10) // the user picks the other switch while the loop turns
            defaults.setObjectForKey(QStringLiteral("Selected Switch"), QStringLiteral("00001002"));
    };
    EXPECT_EQ(transfer.upgradeAndWait(image(3)).kind(), Kind::Finished);
    EXPECT_EQ(sw->restartCount(), 1);
    EXPECT_EQ(observer.versions, QStringList{QStringLiteral("1.5")}); // asked of the written one
    EXPECT_TRUE(other->log().empty());
}

TEST_F(FirmwareTransferTest, NoSelectedSwitchSendsNothingAndShowsNothing)
{
    defaults.setObjectForKey(QStringLiteral("Selected Switch"), QStringLiteral("99999999"));
    EXPECT_EQ(transfer.upgradeAndWait(image(2)).kind(), Kind::NotConnected);
    transfer.restart(nullptr);
    EXPECT_TRUE(sw->log().empty());
    EXPECT_TRUE(observer.values.empty() && observer.alerts.empty() && observer.versions.isEmpty());
}

// Unplug right after each report of the first (S0), a middle (S1) and the last (S9) record of
// image(3): the transfer ends as failed, nothing more reaches the bus, the hot-plug refresh
// waits for the end, and a replugged switch takes a whole image afterwards.
struct UnplugPoint {
    int record;
    int report;
};

class FirmwareUnplugTest : public FirmwareTransferTest, public ::testing::WithParamInterface<UnplugPoint>
{
};

std::vector<UnplugPoint> unplugPoints()
{
    // image(3): S0 of 22 characters (header, 4 chunks, query), S1 x3 of 42 (header, 7 chunks,
    // query), S9 of 10 (header, 2 chunks, query).
    std::vector<UnplugPoint> points;
    for (const auto &[record, reports] : {std::pair{0, 6}, std::pair{2, 9}, std::pair{4, 4}})
        for (int report = 0; report < reports; ++report)
            points.push_back({record, report});
    return points;
}

TEST_P(FirmwareUnplugTest, UnplugAtEveryReportFailsCleanly)
{
    const int reportsBefore[] = {0, 6, 15, 24, 33};
    const std::size_t unplugAt = 1 + std::size_t(reportsBefore[GetParam().record] + GetParam().report) + 1;
    struct Refresh {
        FirmwareTransferTest *test;
        int runs = 0;
        bool ranDuringTransfer = false;
    } refresh{this};
    IOWarriorSetDeviceCallback(
        [](void *ref) {
            auto *r = static_cast<Refresh *>(ref);
            DeviceGate::instance().runOrDefer([r] {
                ++r->runs;
                r->ranDuringTransfer = r->ranDuringTransfer || r->test->transfer.isRunning();
                r->test->registry.findAttachedDevices();
            });
        },
        &refresh);
    onReport = [&](std::size_t logged) {
        if (logged == unplugAt)
            sim.unplug(kSerial);
    };
    EXPECT_EQ(transfer.upgradeAndWait(image(3)).kind(), Kind::NoAnswer);
    EXPECT_EQ(sw->log().size(), unplugAt); // nothing reached a switch that is gone
    EXPECT_EQ(observer.versions, QStringList{QString()});
    expectNoAnswerAlert();
    QCoreApplication::processEvents();
    EXPECT_EQ(refresh.runs, 1);
    EXPECT_FALSE(refresh.ranDuringTransfer);
    EXPECT_EQ(node(), nullptr); // the refresh, once let through, saw the switch gone
    EXPECT_FALSE(DeviceGate::instance().isBusy());

    // Still usable: the switch comes back and takes a whole image.
    IOWarriorSetDeviceCallback(nullptr, nullptr);
    onReport = nullptr;
    sim.plug(sw);
    QCoreApplication::processEvents();
    registry.findAttachedDevices();
    ASSERT_NE(node(), nullptr);
    EXPECT_EQ(transfer.upgradeAndWait(image(3)).kind(), Kind::Finished);
}

INSTANTIATE_TEST_SUITE_P(FirstMiddleLastRecord, FirmwareUnplugTest, ::testing::ValuesIn(unplugPoints()),
                         [](const ::testing::TestParamInfo<UnplugPoint> &info) {
                             return "record" + std::to_string(info.param.record) + "_report"
                                 + std::to_string(info.param.report);
                         });
