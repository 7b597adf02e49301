// The firmware window with real widgets (offscreen): it names the switch it writes; each end
// of a check says why in the window alone (failures in the error style; a window closed
// meanwhile comes back) and leaves the bar hidden; the offer compares the versions, and
// Return declines it; during a transfer the bar shows and moves with the lines, the window
// says not to unplug and cannot be closed; menu picks wait for a running transfer.
#include "FirmwareWindowController.h"

#include "LocalHttpServer.h"
#include "SRecordTestImages.h"
#include "SwitchPopUp.h"
#include "TestSupport.h"
#include "VirtualTransferClock.h"
#include "switch/FirmwareTransfer.h"
#include "switch/net/FirmwareUpdateCheck.h"
#include "usb/IOWarriorController.h"

#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>


namespace {
const QString kSwitch = QStringLiteral("Tarvex Pro DVI SL 00001001");
const QString kUnplug = QStringLiteral(" Do not unplug the switch while it is written.");
const QString kWriting = QStringLiteral("Writing firmware — do not unplug the switch");
} // namespace

class FirmwareWindowControllerTest : public QObject
{
    Q_OBJECT

private:
    AppHarness h;
    std::shared_ptr<tarvex::SimulatedSwitch> mSwitch;
    std::unique_ptr<LocalHttpServer> mServer;
    std::unique_ptr<IOWarriorController> mRegistry;
    std::unique_ptr<FirmwareWindowController> mController;
    VirtualTransferClock mClock;
    QList<int> mValues;

    QProgressBar *bar() const { return mController->window()->findChild<QProgressBar *>(); }
    bool enabled(const char *button) const
    {
        return mController->window()->findChild<QPushButton *>(QLatin1String(button))->isEnabled();
    }
    // The status line and the buttons that can be pressed.
    QString state() const
    {
        return mController->statusLine() + (enabled("mCheckBtn") ? " +check" : "")
            + (enabled("mCloseBtn") ? " +close" : "");
    }
    // Runs the check (and the transfer it may lead to) with the answer `body` (none: status -1);
    // `answer` answers an offer.
    void check(int status, const QByteArray &body, const std::function<void()> &answer = {})
    {
        if (status < 0)
            mServer->neverAnswer();
        else
            mServer->respond(status, body);
        QSignalSpy done(mController.get(), &FirmwareWindowController::selectFileFinished);
        mController->selectFile();
        if (answer) {
            QTRY_VERIFY_WITH_TIMEOUT(mController->isOffering(), 10000);
            QVERIFY(!enabled("mCheckBtn") && enabled("mCloseBtn"));
            answer();
        }
        if (done.isEmpty())
            QVERIFY(done.wait(10000));
        QCOMPARE(done.count(), 1);
        // Every end leaves the window usable and shown, and the bar out of sight; no box.
        QVERIFY(enabled("mCheckBtn") && enabled("mCloseBtn") && mController->window()->isVisible());
        QVERIFY(bar()->isHidden() && bar()->maximum() > 0);
        QVERIFY(h.alerts.alerts.isEmpty());
    }
    bool wroteFirmware() const
    {
        for (const auto &r : mSwitch->log())
            if (r.bytes[0] == 0x09 && (r.bytes[1] & 0xC0) == 0xC0)
                return true;
        return false;
    }

private slots:
    void initTestCase() { h.install(); }
    void init()
    {
        h.setUp();
        mServer = std::make_unique<LocalHttpServer>();
        mSwitch = h.sim->plug("00001001", 1, 1, 4);
        mSwitch->setVersionAfterRestart(1, 5);
        QCOMPARE(IOWarriorInit(), 0);
        mRegistry = std::make_unique<IOWarriorController>();
        mRegistry->findAttachedDevices();
        storeDefault(QStringLiteral("Selected Switch"), QStringLiteral("00001001"));
        storeDefault(FirmwareUpdateCheck::checkURLKey(), mServer->baseURL());
        mController =
            std::make_unique<FirmwareWindowController>(*mRegistry, DefaultsStore::standard());
        mController->transfer().setClock(&mClock);
        mController->showSelectedSwitch();
        mController->window()->show();
        mValues.clear();
        connect(bar(), &QProgressBar::valueChanged, this, [this](int v) { mValues << v; });
        mSwitch->clearLog();
    }
    void cleanup()
    {
        mController.reset();
        mRegistry.reset();
        h.tearDown();
    }

    void checkEndsSayWhy_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("message"); // the status line's
        QTest::newRow("up to date") << 200 << QByteArray("NULL\r\n") << "00001001"
                                    << "Firmware is up-to-date";
        QTest::newRow("not found") << 404 << QByteArray("NULL") << "00001001"
                                   << "The firmware check failed: the server answered 404 Not "
                                      "Found.";
        QTest::newRow("never answered") << -1 << QByteArray() << "00001001"
                                        << "The firmware check failed: no answer within 0.05 s.";
        QTest::newRow("no switch") << 200 << QByteArray("NULL") << "00009999" << "Not connected";
    }
    void checkEndsSayWhy()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, selected);
        QFETCH(QString, message);
        storeDefault(QStringLiteral("Selected Switch"), selected);
        if (status < 0)
            mController->updateCheck().setTimeoutMs(50); // fires only because nothing ever answers
        mController->window()->close(); // the user does not wait: the window comes back
        check(status, body);
        QCOMPARE(mController->statusLine(), message);
        QCOMPARE(mController->showsFailure(), status != 200 || selected != "00001001");
        QVERIFY(!wroteFirmware());
        // Without the switch nobody is asked. (A request that is never answered may not even
        // have reached the server when the time-out fires: no clock race here.)
        if (status >= 0)
            QCOMPARE(mServer->targets().isEmpty(), selected == QLatin1String("00009999"));
    }

    void offerComparesTheVersions()
    {
        const QString write = QStringLiteral(" Write it now?") + kUnplug;
        const QList<std::tuple<QString, QString, QString>> rows{
            {"1.4", "1.5", "Firmware 1.4 → 1.5 for " + kSwitch + "." + write},
            {"1.5", "1.5", "1.5 is already installed on " + kSwitch + ": write it again?" + kUnplug},
            {"1.6", "1.5", "1.5 is older than the installed 1.6: write it to " + kSwitch + " anyway?" + kUnplug},
            {"", "1.5", "Firmware 1.5 is available for " + kSwitch + "." + write},
            {"1.4", "", "New firmware is available for " + kSwitch + "." + write}};
        for (const auto &[installed, offered, text] : rows)
            QCOMPARE(FirmwareWindowController::offerText(installed, offered, kSwitch), text);
    }

    void returnDeclinesTheOfferOnlyWriteWrites()
    {
        QCOMPARE(mController->switchLine(), kSwitch + ", firmware 1.4");
        check(200, SRecordTestImages::image(4).toLatin1(), [this] {
            QCOMPARE(mController->statusLine(), FirmwareWindowController::offerText("1.4", "1.5", kSwitch));
            // Even with the focus on Write: Return is no way to write firmware.
            QTest::keyClick(mController->window()->findChild<QPushButton *>("mWriteBtn"), Qt::Key_Return);
        });
        QCOMPARE(mController->statusLine(), QStringLiteral("Nothing was written."));
        QVERIFY(!wroteFirmware());
        QString whileWriting; // while the records travel: the warning and the bar, neither Check nor Close
        mSwitch->setReportHook([&](const tarvex::SimReport &r) {
            if (r.bytes[1] == 0xC2 && whileWriting.isEmpty())
                whileWriting = state() + (bar()->isVisible() ? " +bar" : "");
        });
        check(200, SRecordTestImages::image(5).toLatin1(), [this] {
            QTest::mouseClick(mController->window()->findChild<QPushButton *>("mWriteBtn"), Qt::LeftButton);
        });
        mSwitch->setReportHook(nullptr);
        QCOMPARE(whileWriting, kWriting + " +bar");
        QCOMPARE(mValues, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 0}));
        QCOMPARE(mController->statusLine(), "Firmware Upgrade finished: " + kSwitch + " runs firmware 1.5.");
        QVERIFY(!mController->showsFailure());
        QCOMPARE(mController->switchLine(), kSwitch + ", firmware 1.5");
        QCOMPARE(mSwitch->restartCount(), 1);
    }

    // Picking another switch and opening the firmware window from the menu while a transfer
    // runs: neither switch hears a query until the transfer has ended; then both picks apply.
    void menuPicksWaitForARunningTransfer()
    {
        auto mini = h.sim->plug("00001002", 2);
        mController.reset();
        mRegistry.reset();
        IOWarriorClearInterfaceList();
        h.launch();
        FirmwareTransfer &transfer = h.app->firmware().transfer();
        transfer.setClock(&mClock);
        const int miniIndex =
            h.app->mSwitchList->indexOfItemWithRepresentedObject(QStringLiteral("00001002"));
        int intruders = 0; // reports other than firmware ones before the restart
        mSwitch->setReportHook([&](const tarvex::SimReport &r) {
            const bool firmwareReport =
                r.bytes[0] == 0x09 && (r.bytes[1] == 0x01 || r.bytes[1] >= 0x80);
            intruders += transfer.isRunning() && mSwitch->restartCount() == 0 && !firmwareReport;
            if (mSwitch->log().size() == 20) {
                QTimer::singleShot(0, h.app.get(), [&] {
                    h.app->mSwitchList->actionAtIndex(miniIndex)->trigger();
                    h.app->upgradeFirmware(nullptr);
                });
            }
        });
        mini->setReportHook([&](const tarvex::SimReport &) { intruders += transfer.isRunning(); });
        mSwitch->clearLog();
        QCOMPARE(transfer.upgradeAndWait(SRecordTestImages::image(6)).kind(),
                 FirmwareOutcome::Kind::Finished);
        QCOMPARE(intruders, 0);
        QCOMPARE(DefaultsStore::standard().stringForKey(QStringLiteral("Selected Switch")),
                 QStringLiteral("00001002"));
        QCOMPARE(h.modelLine(), QStringLiteral("Tarvex mini"));
        QVERIFY(h.app->firmware().window()->isVisible());
        // Asked only after the end.
        QCOMPARE(h.app->firmware().switchLine(), "Tarvex mini 00001002, firmware 1.4");
        mSwitch->setReportHook(nullptr);
        mini->setReportHook(nullptr);
    }
};

TARVEX_GUI_TEST_MAIN(FirmwareWindowControllerTest, QApplication)

#include "FirmwareWindowControllerTest.moc"
