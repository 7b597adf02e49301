// The firmware window with real widgets (offscreen): it names the switch it writes; each end
// of a check says why in the window and in its alert and leaves the bar at rest; the offer
// names version and switch and warns; during a transfer the window says not to unplug and
// cannot be closed; the bar moves with the lines; menu picks wait for a running transfer.
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

using Alerts = QList<QStringList>; // title, message, default button, alternate button

namespace {
const QString kOffer =
    QStringLiteral("Firmware 1.5 is available for Tarvex Pro DVI SL 00001001. Write it now? "
                   "Do not unplug the switch while it is written.");
const QString kWriting = QStringLiteral("Writing firmware — do not unplug the switch");
QStringList alert(const QString &title, const QString &message, const QString &yes = "OK",
                  const QString &no = QString())
{
    return {title, message, yes, no};
}
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
    QStringList mSeenDuringAlerts; // state() while each alert is open, and whether close() closed

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
    Alerts alerts() const { return h.alerts.alerts; }
    // Runs the check (and the transfer it may lead to) with the answer `body` (none: status -1).
    void check(int status, const QByteArray &body)
    {
        if (status < 0)
            mServer->neverAnswer();
        else
            mServer->respond(status, body);
        QSignalSpy done(mController.get(), &FirmwareWindowController::selectFileFinished);
        mController->selectFile();
        if (done.isEmpty())
            QVERIFY(done.wait(10000));
        QCOMPARE(done.count(), 1);
        // Every end leaves the window usable and the bar at rest, never busy.
        QVERIFY(enabled("mCheckBtn") && enabled("mCloseBtn"));
        QVERIFY(bar()->maximum() > 0);
        QCOMPARE(bar()->value(), 0);
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
        mSeenDuringAlerts.clear();
        connect(bar(), &QProgressBar::valueChanged, this, [this](int v) { mValues << v; });
        h.alerts.whileOpen = [this] {
            mController->window()->close();
            mSeenDuringAlerts << state() + (mController->window()->isVisible() ? " +open" : "");
            mController->window()->show();
        };
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
        QTest::addColumn<QString>("message"); // the alert's and then the status line's
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
        check(status, body);
        QCOMPARE(alerts(), Alerts{alert("Tarvex CC", message)});
        QCOMPARE(mSeenDuringAlerts, QStringList{message + " +close"}); // said before the alert
        QCOMPARE(mController->statusLine(), message);
        QVERIFY(!wroteFirmware());
        // Without the switch nobody is asked. (A request that is never answered may not even
        // have reached the server when the time-out fires: no clock race here.)
        if (status >= 0)
            QCOMPARE(mServer->targets().isEmpty(), selected == QLatin1String("00009999"));
    }

    void offerNamesVersionAndSwitchTransferWarnsAndHoldsTheWindow()
    {
        QCOMPARE(mController->switchLine(), "Tarvex Pro DVI SL 00001001, firmware 1.4");
        h.alerts.answers = {0};
        check(200, SRecordTestImages::image(4).toLatin1());
        QCOMPARE(alerts(), Alerts{alert("Tarvex CC", kOffer, "Yes", "No")});
        QVERIFY(!wroteFirmware());
        h.alerts.alerts.clear();
        mSeenDuringAlerts.clear();
        QString whileWriting; // while the records travel: the warning, and neither Check nor Close
        mSwitch->setReportHook([&](const tarvex::SimReport &r) {
            if (r.bytes[1] == 0xC2 && whileWriting.isEmpty())
                whileWriting = state();
        });
        check(200, SRecordTestImages::image(5).toLatin1()); // 8 lines after the version line
        mSwitch->setReportHook(nullptr);
        QCOMPARE(whileWriting, kWriting);
        const QString finished = QStringLiteral("Firmware Upgrade finished");
        QCOMPARE(alerts().value(1), alert("Firmware Upgrade", finished));
        // Asked while the window could still be closed; the outcome shown while it cannot.
        QCOMPARE(mSeenDuringAlerts, (QStringList{kOffer + " +close", finished + " +open"}));
        QCOMPARE(mValues, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 0}));
        QCOMPARE(mController->statusLine(), finished);
        QCOMPARE(mController->switchLine(), "Tarvex Pro DVI SL 00001001, firmware 1.5");
        QCOMPARE(mSwitch->restartCount(), 1);
    }

    // Picking another switch and opening the firmware window from the menu while a transfer
    // runs: neither switch hears a query until the transfer has ended; then both picks apply.
    void menuPicksWaitForARunningTransfer()
    {
        auto mini = h.sim->plug("00001002", 2);
        h.alerts.whileOpen = nullptr;
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
