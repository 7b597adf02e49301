// The firmware window's behaviour with real widgets (offscreen): exact alert texts for the
// answers of the check, nothing written on "No", on "Yes" a progress bar that moves with the
// lines, holds during the outcome alert and rests at 0 afterwards; and menu picks that wait
// for a running transfer instead of querying between its records.
#include "FirmwareWindowController.h"

#include "LocalHttpServer.h"
#include "SRecordTestImages.h"
#include "SwitchPopUp.h"
#include "TestSupport.h"
#include "VirtualTransferClock.h"
#include "switch/FirmwareTransfer.h"
#include "switch/net/FirmwareUpdateCheck.h"
#include "usb/IOWarriorController.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTranslator>

using Alerts = QList<QStringList>; // title, message, default button, alternate button

class FirmwareWindowControllerTest : public QObject
{
    Q_OBJECT

private:
    AppHarness h;
    std::shared_ptr<tarvex::SimulatedSwitch> mSwitch;
    std::unique_ptr<LocalHttpServer> mServer;
    std::unique_ptr<IOWarriorController> mRegistry;
    QLabel mVersion;
    QProgressBar mProgress;
    QPushButton mCheckButton;
    std::unique_ptr<FirmwareWindowController> mController;
    VirtualTransferClock mClock;
    QList<int> mValues, mValueDuringAlert;

    static QByteArray image(int records) { return SRecordTestImages::image(records).toLatin1(); }
    Alerts alerts() const { return h.alerts.alerts; }
    // Runs the check (and the transfer it may lead to) with the answer `body`.
    void check(int status, const QByteArray &body)
    {
        mServer->respond(status, body);
        QSignalSpy done(mController.get(), &FirmwareWindowController::selectFileFinished);
        mController->selectFile();
        QVERIFY(!mCheckButton.isEnabled() || done.count() == 1); // one check at a time
        if (done.isEmpty())
            QVERIFY(done.wait(10000));
        QCOMPARE(done.count(), 1);
        QVERIFY(mCheckButton.isEnabled());
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
        mController = std::make_unique<FirmwareWindowController>(*mRegistry, DefaultsStore::standard(), &mVersion,
                                                                 &mProgress, &mCheckButton);
        mController->transfer().setClock(&mClock);
        mValues.clear();
        mValueDuringAlert.clear();
        connect(&mProgress, &QProgressBar::valueChanged, mController.get(), [this](int v) { mValues << v; });
        h.alerts.whileOpen = [this] { mValueDuringAlert << mProgress.value(); };
        mSwitch->clearLog();
    }
    void cleanup()
    {
        mController.reset();
        mRegistry.reset();
        h.tearDown();
    }

    void checkAnswersEndInTheirAlerts_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("message");
        QTest::newRow("up to date") << 200 << QByteArray("NULL\r\n") << "00001001" << "Firmware is up-to-date";
        QTest::newRow("not found") << 404 << QByteArray("NULL") << "00001001" << "Couldn't open Firmware file!";
        QTest::newRow("garbage") << 200 << QByteArray("\xff\x00\x17", 3) << "00001001" << "Couldn't open Firmware file!";
        QTest::newRow("no switch") << 200 << QByteArray("NULL") << "00009999" << "Not connected";
    }
    void checkAnswersEndInTheirAlerts()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, selected);
        QFETCH(QString, message);
        storeDefault(QStringLiteral("Selected Switch"), selected);
        check(status, body);
        QCOMPARE(alerts(), (Alerts{{QStringLiteral("Tarvex CC"), message, QStringLiteral("OK"), QString()}}));
        QVERIFY(!wroteFirmware());
        QCOMPARE(mServer->targets().isEmpty(), selected == QLatin1String("00009999")); // nobody asked
    }

    void offerDeclinedWritesNothingAcceptedMovesTheBar()
    {
        h.alerts.answers = {0};
        check(200, image(4));
        QCOMPARE(alerts(), (Alerts{{QStringLiteral("Tarvex CC"), QStringLiteral("New Firmware available"),
                                    QStringLiteral("Yes"), QStringLiteral("No")}}));
        QVERIFY(!wroteFirmware());
        h.alerts.alerts.clear();
        mValueDuringAlert.clear();
        check(200, image(5)); // 8 lines after the version line
        QCOMPARE(alerts().value(1), (QStringList{QStringLiteral("Firmware Upgrade"),
                                                 QStringLiteral("Firmware Upgrade finished"), QStringLiteral("OK"), QString()}));
        QCOMPARE(mValueDuringAlert.value(1), 8); // full while the outcome is shown
        QCOMPARE(mValues, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 0}));
        QCOMPARE(mVersion.text(), QStringLiteral("1.5"));
        QCOMPARE(mSwitch->restartCount(), 1);
    }

    // The offered version shows without the answer's carriage return.
    void germanAlertsShowTheVersionAndTheNewTexts()
    {
        QTranslator german;
        QVERIFY(german.load(QStringLiteral(":/i18n/tarvexcc_de.qm")));
        QCoreApplication::installTranslator(&german);
        h.alerts.whileOpen = [this] {
            if (h.alerts.alerts.size() == 1)
                mSwitch->setReadNeverAnswers(true); // after the check's own queries
        };
        check(200, image(3).replace("1.5\n", "1.5\r\n"));
        QCoreApplication::removeTranslator(&german);
        QCOMPARE(alerts().value(0).value(1), QStringLiteral("Neue Firmware 1.5 verfügbar. Jetzt aktualisieren?"));
        QCOMPARE(alerts().value(1), (QStringList{QStringLiteral("Firmware-Aktualisierung"),
                                                 QStringLiteral("Firmware-Aktualisierung fehlgeschlagen: Der Umschalter hat nicht geantwortet"),
                                                 QStringLiteral("OK"), QString()}));
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
        const int miniIndex = h.app->mSwitchList->indexOfItemWithRepresentedObject(QStringLiteral("00001002"));
        int intruders = 0; // reports other than firmware ones before the restart
        mSwitch->setReportHook([&](const tarvex::SimReport &r) {
            const bool firmwareReport = r.bytes[0] == 0x09 && (r.bytes[1] == 0x01 || r.bytes[1] >= 0x80);
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
        QCOMPARE(transfer.upgradeAndWait(QString::fromLatin1(image(6))).kind(), FirmwareOutcome::Kind::Finished);
        QCOMPARE(intruders, 0);
        QCOMPARE(DefaultsStore::standard().stringForKey(QStringLiteral("Selected Switch")), QStringLiteral("00001002"));
        QCOMPARE(h.modelLine(), QStringLiteral("Tarvex mini"));
        QVERIFY(h.app->firmware().window()->isVisible());
        QCOMPARE(h.app->firmware().versionField()->text(), QStringLiteral("1.4")); // the mini's, asked after the end
        mSwitch->setReportHook(nullptr);
        mini->setReportHook(nullptr);
    }
};

int main(int argc, char **argv)
{
    privateConfigHome();
    QApplication app(argc, argv);
    FirmwareWindowControllerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FirmwareWindowControllerTest.moc"
