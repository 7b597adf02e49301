// The firmware window's behaviour with real widgets (offscreen): exact alert texts for the
// answers of the check, nothing written on "No", on "Yes" a progress bar that moves with the
// lines, holds during the outcome alert and rests at 0 afterwards; and menu picks that wait
// for a running transfer instead of querying between its records.
#include "FirmwareWindowController.h"

#include "AlertPresenter.h"
#include "ApplicationController.h"
#include "LocalHttpServer.h"
#include "SRecordTestImages.h"
#include "SwitchPopUp.h"
#include "VirtualTransferClock.h"
#include "switch/DefaultsStore.h"
#include "switch/FirmwareTransfer.h"
#include "switch/net/FirmwareUpdateCheck.h"
#include "usb/IOWarriorController.h"
#include "usb/IOWarriorLib.h"
#include "usb/sim/SimHidPlatform.h"

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// Version line, header, `n` data records, end record, final line feed: n + 3 lines after
// the version line.
QByteArray image(int n)
{
    return SRecordTestImages::image(n).toLatin1();
}

class RecordingPresenter : public AlertPresenter
{
public:
    struct Alert {
        QString title, message, defaultButton, alternateButton;
        int progressValue;
    };
    QList<Alert> alerts;
    QList<int> answers;
    QProgressBar *progress = nullptr;
    std::function<void()> whileOpen;

    int runAlert(const QString &title, const QString &message, const QString &defaultButton,
                 const QString &alternateButton) override
    {
        alerts.append({title, message, defaultButton, alternateButton, progress ? progress->value() : -1});
        if (whileOpen)
            whileOpen();
        return answers.isEmpty() ? 1 : answers.takeFirst();
    }
};

} // namespace

class FirmwareWindowControllerTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir mConfigHome;
    std::unique_ptr<QTemporaryDir> mDir;
    std::unique_ptr<LocalHttpServer> mServer;
    std::unique_ptr<tarvex::SimHidPlatform> mSim;
    std::shared_ptr<tarvex::SimulatedSwitch> mSwitch;
    std::unique_ptr<IOWarriorController> mRegistry;
    std::unique_ptr<DefaultsStore> mDefaults;
    std::unique_ptr<QLabel> mVersion;
    std::unique_ptr<QProgressBar> mProgress;
    std::unique_ptr<QPushButton> mCheckButton;
    std::unique_ptr<FirmwareWindowController> mController;
    VirtualTransferClock mClock;
    RecordingPresenter mAlerts;
    QList<int> mValues;

    void runCheck()
    {
        QSignalSpy done(mController.get(), &FirmwareWindowController::selectFileFinished);
        mController->selectFile();
        QVERIFY(!mCheckButton->isEnabled() || done.count() == 1);
        if (done.isEmpty())
            QVERIFY(done.wait(10000));
        QCOMPARE(done.count(), 1);
        QVERIFY(mCheckButton->isEnabled());
    }
    bool wroteFirmware() const
    {
        for (const auto &r : mSwitch->log())
            if (r.bytes[0] == 0x09 && (r.bytes[1] & 0xC0) == 0xC0)
                return true;
        return false;
    }

private slots:
    void initTestCase()
    {
        // The application controller keeps its settings where this test says.
        qputenv("XDG_CONFIG_HOME", mConfigHome.path().toUtf8());
    }

    void init()
    {
        mDir = std::make_unique<QTemporaryDir>();
        mServer = std::make_unique<LocalHttpServer>();
        mSim = std::make_unique<tarvex::SimHidPlatform>();
        mSwitch = mSim->plug("00001001", 1, 1, 4);
        mSwitch->setVersionAfterRestart(1, 5);
        IOWarriorSetPlatform(mSim.get());
        QCOMPARE(IOWarriorInit(), 0);
        mRegistry = std::make_unique<IOWarriorController>();
        mRegistry->findAttachedDevices();
        QCoreApplication::processEvents();
        mDefaults = std::make_unique<DefaultsStore>(mDir->filePath(QStringLiteral("defaults.json")));
        mDefaults->setObjectForKey(QStringLiteral("Selected Switch"), QStringLiteral("00001001"));
        mDefaults->setObjectForKey(FirmwareUpdateCheck::checkURLKey(), mServer->baseURL());
        mVersion = std::make_unique<QLabel>(QStringLiteral("1.4"));
        mProgress = std::make_unique<QProgressBar>();
        mCheckButton = std::make_unique<QPushButton>();
        mController = std::make_unique<FirmwareWindowController>(*mRegistry, *mDefaults, mVersion.get(),
                                                                 mProgress.get(), mCheckButton.get());
        mController->transfer().setClock(&mClock);
        mValues.clear();
        connect(mProgress.get(), &QProgressBar::valueChanged, this, [this](int v) { mValues << v; });
        mAlerts = RecordingPresenter();
        mAlerts.progress = mProgress.get();
        AlertPresenter::install(&mAlerts);
        mSwitch->clearLog();
    }

    void cleanup()
    {
        AlertPresenter::install(nullptr);
        mController.reset();
        IOWarriorClearInterfaceList();
        IOWarriorSetPlatform(nullptr);
        mRegistry.reset();
        mSim.reset();
    }

    void checkAnswersEndInTheirAlerts_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message");
        QTest::newRow("up to date") << 200 << QByteArray("NULL\r\n") << QStringLiteral("Firmware is up-to-date");
        QTest::newRow("not found") << 404 << QByteArray("NULL") << QStringLiteral("Couldn't open Firmware file!");
        QTest::newRow("garbage") << 200 << QByteArray("\xff\x00\x17", 3) << QStringLiteral("Couldn't open Firmware file!");
    }
    void checkAnswersEndInTheirAlerts()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        mServer->respond(status, body);
        runCheck();
        QCOMPARE(mAlerts.alerts.size(), 1);
        QCOMPARE(mAlerts.alerts[0].title, QStringLiteral("Tarvex CC"));
        QCOMPARE(mAlerts.alerts[0].message, message);
        QCOMPARE(mAlerts.alerts[0].defaultButton, QStringLiteral("OK"));
        QVERIFY(mAlerts.alerts[0].alternateButton.isEmpty());
        QVERIFY(!wroteFirmware());
    }

    void noSwitchSaysNotConnectedAndAsksNobody()
    {
        mDefaults->setObjectForKey(QStringLiteral("Selected Switch"), QStringLiteral("00009999"));
        mServer->respond(200, "NULL");
        runCheck();
        QCOMPARE(mAlerts.alerts.size(), 1);
        QCOMPARE(mAlerts.alerts[0].message, QStringLiteral("Not connected"));
        QVERIFY(mServer->targets().isEmpty());
    }

    void offerDeclinedWritesNothing()
    {
        mServer->respond(200, image(4));
        mAlerts.answers = {0};
        runCheck();
        QCOMPARE(mAlerts.alerts.size(), 1);
        QCOMPARE(mAlerts.alerts[0].title, QStringLiteral("Tarvex CC"));
        QCOMPARE(mAlerts.alerts[0].message, QStringLiteral("New Firmware available"));
        QCOMPARE(mAlerts.alerts[0].defaultButton, QStringLiteral("Yes"));
        QCOMPARE(mAlerts.alerts[0].alternateButton, QStringLiteral("No"));
        QVERIFY(!wroteFirmware());
        QCOMPARE(mSwitch->restartCount(), 0);
    }

    void offerAcceptedMovesTheBarShowsTheOutcomeAndResets()
    {
        mServer->respond(200, image(5)); // 8 lines after the version line
        runCheck();
        QCOMPARE(mAlerts.alerts.size(), 2);
        QCOMPARE(mAlerts.alerts[1].title, QStringLiteral("Firmware Upgrade"));
        QCOMPARE(mAlerts.alerts[1].message, QStringLiteral("Firmware Upgrade finished"));
        QCOMPARE(mAlerts.alerts[1].defaultButton, QStringLiteral("OK"));
        QCOMPARE(mAlerts.alerts[1].progressValue, 8); // full while the alert is up
        QCOMPARE(mProgress->maximum(), 8);
        QCOMPARE(mValues, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 0}));
        QCOMPARE(mVersion->text(), QStringLiteral("1.5"));
        QCOMPARE(mSwitch->restartCount(), 1);
    }

    void germanAlertsShowTheVersionAndTheNewTexts()
    {
        QTranslator german;
        QVERIFY(german.load(QStringLiteral(":/i18n/tarvexcc_de.qm")));
        QCoreApplication::installTranslator(&german);
        mServer->respond(200, image(3).replace("1.5\n", "1.5\r\n"));
        mAlerts.whileOpen = [this] {
            if (mAlerts.alerts.size() == 1)
                mSwitch->setReadNeverAnswers(true); // after the check's own queries
        };
        runCheck();
        QCoreApplication::removeTranslator(&german);
        QCOMPARE(mAlerts.alerts.size(), 2);
        QCOMPARE(mAlerts.alerts[0].message, QStringLiteral("Neue Firmware 1.5 verfügbar. Jetzt aktualisieren?"));
        QCOMPARE(mAlerts.alerts[1].title, QStringLiteral("Firmware-Aktualisierung"));
        QCOMPARE(mAlerts.alerts[1].message,
                 QStringLiteral("Firmware-Aktualisierung fehlgeschlagen: Der Umschalter hat nicht geantwortet"));
        QCOMPARE(mAlerts.alerts[1].defaultButton, QStringLiteral("OK"));
        QCOMPARE(mSwitch->restartCount(), 1);
    }

    // Picking another switch and opening the firmware window from the menu while a transfer
    // runs: neither switch hears a query until the transfer has ended; then both picks apply.
    void menuPicksWaitForARunningTransfer()
    {
        auto mini = mSim->plug("00001002", 2);
        mController.reset();
        mRegistry.reset();
        IOWarriorClearInterfaceList();
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Selected Switch"), QStringLiteral("00001001"));
        ApplicationController app;
        app.applicationDidFinishLaunching();
        QVERIFY(app.hasLaunched());
        FirmwareTransfer &transfer = app.mFirmwareController->transfer();
        transfer.setClock(&mClock);
        const int miniIndex = app.mSwitchList->indexOfItemWithRepresentedObject(QStringLiteral("00001002"));
        QVERIFY(miniIndex > 0);

        int intruders = 0; // reports other than firmware ones before the restart
        mSwitch->setReportHook([&](const tarvex::SimReport &r) {
            const bool firmwareReport = r.bytes[0] == 0x09 && (r.bytes[1] == 0x01 || r.bytes[1] >= 0x80);
            intruders += transfer.isRunning() && mSwitch->restartCount() == 0 && !firmwareReport;
            if (mSwitch->log().size() == 20) {
                QTimer::singleShot(0, &app, [&] {
                    app.mSwitchList->actionAtIndex(miniIndex)->trigger();
                    app.upgradeFirmware(nullptr);
                });
            }
        });
        mini->setReportHook([&](const tarvex::SimReport &) { intruders += transfer.isRunning(); });
        mSwitch->clearLog();
        QCOMPARE(transfer.upgradeAndWait(QString::fromLatin1(image(6))).kind(), FirmwareOutcome::Kind::Finished);
        QCOMPARE(intruders, 0);
        QCOMPARE(DefaultsStore::standard().stringForKey(QStringLiteral("Selected Switch")),
                 QStringLiteral("00001002"));
        QCOMPARE(app.itemWithTag(ApplicationController::TagModelLine)->text(), QStringLiteral("Tarvex mini"));
        QVERIFY(app.mFirmwareUpgrdWnd->isVisible());
        QCOMPARE(app.mVersion->text(), QStringLiteral("1.4")); // the mini's, asked after the end
        mSwitch->setReportHook(nullptr);
        mini->setReportHook(nullptr);
    }
};

QTEST_MAIN(FirmwareWindowControllerTest)
#include "FirmwareWindowControllerTest.moc"
