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

namespace {

const std::string kSerial = "00001001";

std::string hex(const std::array<std::uint8_t, 8> &bytes)
{
    std::string out;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", bytes[i]);
        out += buf;
    }
    return out;
}

// The payload characters of a chunk report.
std::string chunkText(const std::array<std::uint8_t, 8> &r)
{
    const int n = r[1] == 0xC6 ? 6 : r[1] - 0x80;
    return std::string(reinterpret_cast<const char *>(&r[2]), std::size_t(n));
}

class RecordingObserver : public FirmwareTransferObserver
{
public:
    void setProgressMaximum(int maximum) override
    {
        maximums.push_back(maximum);
        events.push_back("max " + std::to_string(maximum));
    }
    void setProgressValue(int value) override
    {
        values.push_back(value);
        events.push_back("value " + std::to_string(value));
    }
    void showFirmwareVersion(const QString &version) override
    {
        versions << version;
        events.push_back("version " + version.toStdString());
    }
    void showOutcome(const FirmwareOutcome &outcome) override
    {
        alerts.push_back(outcome);
        events.push_back("alert " + outcome.text().toStdString());
    }

    std::vector<int> maximums;
    std::vector<int> values;
    QStringList versions;
    std::vector<FirmwareOutcome> alerts;
    std::vector<std::string> events;
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
    std::vector<std::string> wire() const
    {
        std::vector<std::string> out;
        for (const auto &r : sw->log())
            out.push_back(hex(r.bytes));
        return out;
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

const std::string kStart = "09 01 08 00 00 00 00 00";
const std::string kRestart = "09 01 FE 00 00 00 00 00";
const std::string kStatusQuery = "09 81 FF 00 00 00 00 00";

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
    for (int i = 1; i <= 6; ++i) {
        EXPECT_EQ(log[i].bytes[1], 0xC6);
        sent += chunkText(log[i].bytes);
    }
    EXPECT_EQ(log[7].bytes[1], 0x86);
    sent += chunkText(log[7].bytes);
    EXPECT_EQ(sent, line.toStdString());
    EXPECT_EQ(hex(log[8].bytes), kStatusQuery);
    EXPECT_EQ(hex(log[9].bytes), kStart);
    EXPECT_EQ(hex(log[10].bytes), kRestart);

    // 0.1 ms after the header, 1 ms after each chunk, 2 ms before and after the read, none
    // between the start command and the restart.
    const std::vector<long long> gaps{100, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 4000, 0};
    for (std::size_t i = 0; i < gaps.size(); ++i)
        EXPECT_EQ(times[i + 1] - times[i], gaps[i]) << "before report " << i + 1;
    const std::vector<long long> sleeps{100, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 2000, 2000};
    EXPECT_EQ(clock.sleeps(), sleeps); // the 4 ms around the read are two separate 2 ms
}

TEST_F(FirmwareTransferTest, ShortRecordsEndWithAPartialChunk)
{
    transfer.writeSRecordToIOWarrior(node(), QStringLiteral("S1234AB"), 0xF1);
    EXPECT_EQ(wire(), (std::vector<std::string>{"09 C2 F1 07 00 00 00 00", "09 C6 53 31 32 33 34 41",
                                                "09 81 42 00 00 00 00 00", kStatusQuery}));
    clearLog();
    transfer.writeSRecordToIOWarrior(node(), QStringLiteral("S104AAAA01CC"), 0xF1);
    EXPECT_EQ(wire(), (std::vector<std::string>{"09 C2 F1 0C 00 00 00 00", "09 C6 53 31 30 34 41 41",
                                                "09 86 41 41 30 31 43 43", kStatusQuery}));
}

TEST_F(FirmwareTransferTest, HeaderRecordAnnouncesItselfWithAnExtraZeroByte)
{
    const QString s0 = headerRecord();
    transfer.writeSRecordToIOWarrior(node(), s0, 0xF0);
    ASSERT_FALSE(sw->log().empty());
    EXPECT_EQ(hex(sw->log()[0].bytes),
              "09 C3 F0 " + hex({std::uint8_t(s0.size()), 0, 0, 0, 0, 0, 0, 0}).substr(0, 2)
                  + " 00 00 00 00");
    clearLog();
    transfer.writeSRecordToIOWarrior(node(), endRecord(), 0xF2);
    EXPECT_EQ(hex(sw->log()[0].bytes), "09 C2 F2 0A 00 00 00 00");
}

TEST_F(FirmwareTransferTest, LongRecordAnnouncesItsLengthModulo256AndIsSentWhole)
{
    QByteArray data(145, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = char(i * 13);
    const QString line = record('1', 0x4000, data);
    ASSERT_EQ(line.size(), 300);
    const QString text = QStringLiteral("1.5\n") + line + QStringLiteral("\n") + endRecord();

    const FirmwareOutcome outcome = transfer.upgradeAndWait(text);
    EXPECT_EQ(outcome.kind(), Kind::Finished) << outcome.text().toStdString();
    const auto &log = sw->log();
    ASSERT_GT(log.size(), 2u);
    EXPECT_EQ(hex(log[1].bytes), "09 C2 F1 2C 00 00 00 00"); // 300 % 256 = 44
    std::string sent;
    for (std::size_t i = 2; i < 52; ++i)
        sent += chunkText(log[i].bytes);
    EXPECT_EQ(sent, line.toStdString());
    EXPECT_EQ(log[51].bytes[1], 0x86);
    ASSERT_FALSE(sw->receivedRecords().empty());
    EXPECT_EQ(sw->receivedRecords()[0], line.toStdString());
}

TEST_F(FirmwareTransferTest, WholeImageIsStartedSentRestartedAndReportedFinished)
{
    const QString text = image(3, QStringLiteral("1.5"), QStringLiteral("\r\n"));
    const FirmwareOutcome outcome = transfer.upgradeAndWait(text);

    EXPECT_EQ(outcome.kind(), Kind::Finished);
    const auto w = wire();
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
    // step per line, the alert, then back to 0.
    EXPECT_EQ(observer.maximums, std::vector<int>{6});
    EXPECT_EQ(observer.values, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 0}));
    EXPECT_EQ(observer.versions, QStringList{QStringLiteral("1.5")});
    ASSERT_EQ(observer.alerts.size(), 1u);
    EXPECT_TRUE(observer.alerts[0].isInformational());
    EXPECT_EQ(observer.alerts[0].text(), QStringLiteral("Firmware Upgrade finished"));
    EXPECT_EQ(observer.events.back(), "value 0");
    EXPECT_EQ(clock.begins(), 1);
    EXPECT_EQ(clock.ends(), 1);
}

TEST_F(FirmwareTransferTest, SkippedLinesAreNotSentButAdvanceTheProgress)
{
    const QString text = QStringLiteral("1.5\n") + headerRecord() + QStringLiteral("\nS5030001FB\n\n")
        + dataRecord(0) + QStringLiteral("\nS804000000FB\nS2garbage\n") + endRecord();
    const FirmwareOutcome outcome = transfer.upgradeAndWait(text);
    EXPECT_EQ(outcome.kind(), Kind::Finished);
    EXPECT_EQ(sw->receivedRecords().size(), 3u);
    EXPECT_EQ(observer.maximums, std::vector<int>{7});
    EXPECT_EQ(observer.values, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 0}));
}

TEST_F(FirmwareTransferTest, VersionLineAloneStartsAndRestartsOnly)
{
    const FirmwareOutcome outcome = transfer.upgradeAndWait(QStringLiteral("1.5"));
    EXPECT_EQ(outcome.kind(), Kind::Finished);
    const auto w = wire();
    ASSERT_GE(w.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(w.begin(), w.begin() + 3),
              (std::vector<std::string>{kStart, kStart, kRestart}));
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
    EXPECT_EQ(observer.alerts[0].title(), QStringLiteral("Firmware Upgrade"));
    EXPECT_EQ(observer.alerts[0].text(), QStringLiteral("Firmware Upgrade Error 3"));
    EXPECT_FALSE(observer.alerts[0].isInformational());
    // The refused line still counted; the bar goes back to 0 after the alert.
    EXPECT_EQ(observer.values, (std::vector<int>{0, 1, 2, 3, 4, 5, 0}));
    EXPECT_EQ(observer.versions, QStringList{QStringLiteral("1.4")}); // not adopted
}

TEST_F(FirmwareTransferTest, UnlistedRefusalIsSilentAndLeavesTheProgress)
{
    sw->refuseRecord(2, 1);
    const FirmwareOutcome outcome = transfer.upgradeAndWait(image(8));
    EXPECT_EQ(outcome.kind(), Kind::RefusedSilently);
    EXPECT_FALSE(outcome.succeeded());
    EXPECT_EQ(sw->restartCount(), 1);
    EXPECT_TRUE(observer.alerts.empty());
    EXPECT_EQ(observer.values.back(), 3);
    EXPECT_EQ(observer.versions.size(), 1);
}

TEST_F(FirmwareTransferTest, FailedWriteInsideARecordEndsTheTransferAsFailed)
{
    // The third chunk of the second data record is lost.
    const QString text = image(4);
    std::size_t failAt = 0;
    onReport = [&](std::size_t logged) {
        // start, S0 (header, 4 chunks, query) = 7, S1 #1 = 9, then S1 #2 header + 2 chunks.
        if (logged == 1 + 6 + 9 + 3) {
            failAt = logged;
            sw->failNextWrite(EIO);
        }
    };
    const FirmwareOutcome outcome = transfer.upgradeAndWait(text);
    ASSERT_NE(failAt, 0u);
    EXPECT_EQ(outcome.kind(), Kind::NoAnswer);
    // Nothing more of the record after the lost report; straight on to the restart.
    const auto w = wire();
    ASSERT_GT(w.size(), failAt + 1);
    EXPECT_EQ(w[failAt], kStart);
    EXPECT_EQ(w[failAt + 1], kRestart);
    EXPECT_EQ(sw->restartCount(), 1);
    EXPECT_EQ(observer.versions, QStringList{QStringLiteral("1.4")}); // refreshed
    ASSERT_EQ(observer.alerts.size(), 1u);
    EXPECT_EQ(observer.alerts[0].title(), QStringLiteral("Firmware Upgrade"));
    EXPECT_EQ(observer.alerts[0].text(), QStringLiteral("Firmware Upgrade failed: the switch did not answer"));
    EXPECT_EQ(observer.values.back(), 0);
}

TEST_F(FirmwareTransferTest, StatusReadThatNeverAnswersIsNotTakenAsAccepted)
{
    sw->setReadNeverAnswers(true);
    const FirmwareOutcome outcome = transfer.upgradeAndWait(image(4));
    EXPECT_EQ(outcome.kind(), Kind::NoAnswer);
    EXPECT_EQ(sw->receivedRecords().size(), 1u); // stopped after the first record
    EXPECT_EQ(sw->restartCount(), 1);
    EXPECT_EQ(observer.versions, QStringList{QString()}); // asked, but no answer to show
    ASSERT_EQ(observer.alerts.size(), 1u);
    EXPECT_EQ(observer.alerts[0].text(), QStringLiteral("Firmware Upgrade failed: the switch did not answer"));
}

TEST_F(FirmwareTransferTest, UnplugInTheMiddleOfARecordFailsCleanlyAndTheRefreshWaits)
{
    struct Refresh {
        FirmwareTransferTest *test;
        int runs = 0;
        bool ranDuringTransfer = false;
        std::size_t logAtRun = 0;
    } refresh{this};
    IOWarriorSetDeviceCallback(
        [](void *ref) {
            auto *r = static_cast<Refresh *>(ref);
            DeviceGate::instance().runOrDefer([r] {
                ++r->runs;
                r->ranDuringTransfer = r->ranDuringTransfer || r->test->transfer.isRunning();
                r->logAtRun = r->test->sw->log().size();
                r->test->registry.findAttachedDevices();
            });
        },
        &refresh);
    std::size_t unpluggedAt = 0;
    onReport = [&](std::size_t logged) {
        if (logged == 1 + 6 + 9 + 9 + 4 && !unpluggedAt) {
            unpluggedAt = logged;
            sim.unplug(kSerial);
        }
    };
    const FirmwareOutcome outcome = transfer.upgradeAndWait(image(6));
    ASSERT_NE(unpluggedAt, 0u);
    EXPECT_EQ(outcome.kind(), Kind::NoAnswer);
    EXPECT_EQ(sw->log().size(), unpluggedAt); // nothing reached a switch that is gone
    EXPECT_EQ(observer.versions, QStringList{QString()});
    ASSERT_EQ(observer.alerts.size(), 1u);
    EXPECT_EQ(observer.alerts[0].text(), QStringLiteral("Firmware Upgrade failed: the switch did not answer"));

    QCoreApplication::processEvents();
    EXPECT_EQ(refresh.runs, 1);
    EXPECT_FALSE(refresh.ranDuringTransfer);
    EXPECT_EQ(node(), nullptr); // the refresh, once let through, saw the switch gone
    EXPECT_FALSE(DeviceGate::instance().isBusy());
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
    int ticks = 0;
    int ticksWhileBusy = 0;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        ++ticks;
        if (DeviceGate::instance().isBusy())
            ++ticksWhileBusy;
    });
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
    const FirmwareOutcome outcome = transfer.upgradeAndWait(image(20));
    ticker.stop();

    EXPECT_EQ(outcome.kind(), Kind::Finished);
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
    const FirmwareOutcome outcome = transfer.upgradeAndWait(image(3));
    EXPECT_EQ(outcome.kind(), Kind::Finished);
    EXPECT_EQ(sw->restartCount(), 1);
    EXPECT_EQ(observer.versions, QStringList{QStringLiteral("1.5")}); // asked of the written one
    EXPECT_TRUE(other->log().empty());
}

TEST_F(FirmwareTransferTest, NoSelectedSwitchSendsNothingAndShowsNothing)
{
    defaults.setObjectForKey(QStringLiteral("Selected Switch"), QStringLiteral("99999999"));
    const FirmwareOutcome outcome = transfer.upgradeAndWait(image(2));
    EXPECT_EQ(outcome.kind(), Kind::NotConnected);
    EXPECT_TRUE(sw->log().empty());
    EXPECT_TRUE(observer.events.empty());
    transfer.restart(nullptr);
    EXPECT_TRUE(sw->log().empty());
}
