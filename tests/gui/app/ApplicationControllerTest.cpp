// The application controller against simulated switches: shared instance, start-up and
// shut-down, the switch list and menu state, port commands, rotation and hot-plug.
#include "ApplicationController.h"
#include "SwitchPopUp.h"
#include "TarvexCCApp.h"
#include "TarvexVersion.h"
#include "TestSupport.h"
#include "switch/DefaultsStore.h"
#include "usb/IOWarriorController.h"
#include "usb/sim/SimHidPlatform.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QSpinBox>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QtTest>

#include <cerrno>
#include <memory>

using tarvex::SimHidPlatform;
using tarvex::SimulatedSwitch;

class ApplicationControllerTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimHidPlatform> mSim;
    std::unique_ptr<ApplicationController> mApp;
    ScriptedAlertPresenter mAlerts;
    QList<unsigned> mPauses;

    void launch()
    {
        mApp = std::make_unique<ApplicationController>();
        mApp->applicationDidFinishLaunching();
        QVERIFY(mApp->hasLaunched());
    }
    static void select(const QString &serial)
    {
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Selected Switch"), serial);
    }
    bool marked(int tag) const
    {
        const QImage active = QIcon(QStringLiteral(":/images/Active.png")).pixmap(16).toImage();
        return mApp->itemWithTag(tag)->icon().pixmap(16).toImage() == active;
    }
    QList<bool> marks() const { return {marked(1), marked(2), marked(3), marked(4)}; }
    QList<bool> enabledTags() const
    {
        QList<bool> states;
        for (int tag = 1; tag <= 5; ++tag)
            states.append(mApp->itemWithTag(tag)->isEnabled());
        return states;
    }
    QString modelLine() const { return mApp->itemWithTag(10)->text(); }

private slots:
    void initTestCase()
    {
        privateConfigHome();
        AlertPresenter::install(&mAlerts);
        ApplicationController::setHotplugPause([this](unsigned us) { mPauses.append(us); });
    }

    void init()
    {
        DefaultsStore::standard().removeObjectForKey(QStringLiteral("Selected Switch"));
        DefaultsStore::standard().removeObjectForKey(QStringLiteral("Time Interval"));
        IOWarriorSetDeviceAddedCallback(nullptr, nullptr);
        IOWarriorSetDeviceRemovedCallback(nullptr, nullptr);
        mSim = std::make_unique<SimHidPlatform>();
        IOWarriorSetPlatform(mSim.get());
        mAlerts.alerts.clear();
        mPauses.clear();
    }

    void cleanup()
    {
        mApp.reset();
        IOWarriorClearInterfaceList();
        IOWarriorSetPlatform(nullptr);
        mSim.reset();
    }

    void sharedInstanceIsTheFirstUntilItDies()
    {
        QCOMPARE(ApplicationController::sharedApplication(), nullptr);
        auto *first = new ApplicationController;
        auto *second = new ApplicationController;
        QCOMPARE(ApplicationController::sharedApplication(), first);
        delete second;
        QCOMPARE(ApplicationController::sharedApplication(), first);
        delete first;
        QCOMPARE(ApplicationController::sharedApplication(), nullptr);
    }

    void timeIntervalStartsAt30AndNeverBelowOneSecond()
    {
        ApplicationController app;
        QCOMPARE(DefaultsStore::standard().valueForKey(QStringLiteral("Time Interval")).toDouble(), 30.0);
        QCOMPARE(DefaultsStore::standard().objectForKey(QStringLiteral("Time Interval")).isUndefined(), true);
        QCOMPARE(app.rotationInterval(), 30.0);
        // A hand-edited 0 or a negative period would fire without pause.
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Time Interval"), 0);
        QCOMPARE(app.rotationInterval(), 1.0);
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Time Interval"), -5);
        QCOMPARE(app.rotationInterval(), 1.0);
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Time Interval"), QStringLiteral("fast"));
        QCOMPARE(app.rotationInterval(), 30.0);
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Time Interval"), 2.5);
        QCOMPARE(app.rotationInterval(), 2.5);
    }

    void spinBoxStoresTheIntervalAndRefusesZero()
    {
        launch();
        QCOMPARE(mApp->mTimeInterval->minimum(), 1);
        mApp->mTimeInterval->setValue(0); // clamped by the box
        QCOMPARE(mApp->mTimeInterval->value(), 1);
        mApp->mTimeInterval->setValue(12);
        QCOMPARE(DefaultsStore::standard().objectForKey(QStringLiteral("Time Interval")).toInt(), 12);
        // The rotation reads it at its start.
        mApp->rotate(nullptr);
        QCOMPARE(mApp->mRotationTimer->interval(), 12000);
    }

    void quitsSilentlyWhenUsbAccessFails()
    {
        mSim->plug("00001001", 1);
        mSim->setStartFails(true);
        mApp = std::make_unique<ApplicationController>();
        QSignalSpy terminating(mApp.get(), &ApplicationController::terminationRequested);
        mApp->applicationDidFinishLaunching();
        QCOMPARE(terminating.count(), 1);
        QVERIFY(!mApp->hasLaunched());
        QCOMPARE(mApp->mStatusItem, nullptr);
        QVERIFY(gIOWarriorAddedCallBackPtr == nullptr);
        QVERIFY(gIOWarriorRemovedCallBackPtr == nullptr);
        QVERIFY(mAlerts.alerts.isEmpty());
        QVERIFY(mSim->switchWithSerial("00001001")->log().empty());
        // Shutting down after such a start touches nothing.
        mApp->applicationWillTerminate();
        QVERIFY(mSim->switchWithSerial("00001001")->log().empty());
    }

    void noSwitchShowsNotConnected()
    {
        select(QStringLiteral("00009999"));
        launch();
        QCOMPARE(mApp->mSwitchList->numberOfItems(), 2);
        QCOMPARE(mApp->mSwitchList->itemAtIndex(0).title, QStringLiteral("Select"));
        QVERIFY(mApp->mSwitchList->itemAtIndex(1).separator);
        QCOMPARE(mApp->mSwitchList->indexOfSelectedItem(), 0);
        QCOMPARE(modelLine(), QStringLiteral("Not connected"));
        QCOMPARE(enabledTags(), QList<bool>({false, false, false, false, false}));
        QCOMPARE(marks(), QList<bool>({false, false, false, false}));
        QVERIFY(!mApp->itemWithTag(10)->isEnabled());
        QVERIFY(mApp->mStatusItem != nullptr);
        QVERIFY(gIOWarriorAddedCallBackPtr == &IOWarriorAddedCallback);
        QVERIFY(gIOWarriorRemovedCallBackPtr == &IOWarriorRemovedCallback);
    }

    void miniDisablesPorts3And4()
    {
        mSim->plug("0000A002", 2);
        select(QStringLiteral("0000A002"));
        launch();
        QCOMPARE(modelLine(), QStringLiteral("Tarvex mini"));
        QCOMPARE(enabledTags(), QList<bool>({true, true, false, false, true}));
        QCOMPARE(mApp->mNumPorts, 2u);
        QVERIFY(!mApp->itemWithTag(10)->isEnabled());
    }

    void unknownIdentifiersGetFourPorts_data()
    {
        QTest::addColumn<int>("identifier");
        QTest::newRow("0") << 0;
        QTest::newRow("7") << 7;
        QTest::newRow("0xFF") << 0xFF;
    }
    void unknownIdentifiersGetFourPorts()
    {
        QFETCH(int, identifier);
        mSim->plug("0000B007", std::uint8_t(identifier));
        select(QStringLiteral("0000B007"));
        launch();
        QCOMPARE(modelLine(), QStringLiteral("Unknown"));
        QCOMPARE(mApp->mSwitchList->itemAtIndex(2).title, QStringLiteral("Unknown (0000B007)"));
        QCOMPARE(enabledTags(), QList<bool>({true, true, true, true, true}));
        QCOMPARE(mApp->mNumPorts, 4u);
    }

    void twoSwitchesAreListedAndTheChoiceIsRestored()
    {
        mSim->plug("00001001", 1);
        mSim->plug("00001002", 3);
        select(QStringLiteral("00001002"));
        launch();
        SwitchPopUp *list = mApp->mSwitchList;
        QCOMPARE(list->numberOfItems(), 4);
        QCOMPARE(list->itemAtIndex(2).title, QStringLiteral("Tarvex Pro DVI SL (00001001)"));
        QCOMPARE(list->itemAtIndex(2).tag, 1);
        QCOMPARE(list->itemAtIndex(2).representedObject.toString(), QStringLiteral("00001001"));
        QCOMPARE(list->itemAtIndex(3).title, QStringLiteral("Tarvex Pro DVI DL (00001002)"));
        QCOMPARE(list->itemAtIndex(3).tag, 2);
        QCOMPARE(list->indexOfSelectedItem(), 3);
        QVERIFY(list->actionAtIndex(3)->isChecked());
        QVERIFY(!list->actionAtIndex(2)->isChecked());
        QCOMPARE(modelLine(), QStringLiteral("Tarvex Pro DVI DL"));
        // Each switch got the mode set-up report when the registry was filled.
        QVERIFY(mSim->switchWithSerial("00001001")->modeSetUp());
        QVERIFY(mSim->switchWithSerial("00001002")->modeSetUp());
    }

    void choosingASwitchStoresItAndSelectChangesOnlyTheMarks()
    {
        auto sl = mSim->plug("00001001", 1);
        auto mini = mSim->plug("00001002", 2);
        select(QStringLiteral("00001001"));
        launch();
        QSignalSpy noTermination(mApp.get(), &ApplicationController::terminationRequested);

        mini->setActivePort(1);
        mApp->mSwitchList->actionAtIndex(3)->trigger(); // the user picks the mini
        QCOMPARE(DefaultsStore::standard().stringForKey(QStringLiteral("Selected Switch")),
                 QStringLiteral("00001002"));
        QCOMPARE(modelLine(), QStringLiteral("Tarvex mini"));
        QCOMPARE(enabledTags(), QList<bool>({true, true, false, false, true}));
        QCOMPARE(marks(), QList<bool>({false, true, false, false}));

        // "Select": the choice and the enabled states stay, only the marks are refreshed.
        mini->setActivePort(0);
        mApp->mSwitchList->actionAtIndex(0)->trigger();
        QCOMPARE(DefaultsStore::standard().stringForKey(QStringLiteral("Selected Switch")),
                 QStringLiteral("00001002"));
        QCOMPARE(modelLine(), QStringLiteral("Tarvex mini"));
        QCOMPARE(enabledTags(), QList<bool>({true, true, false, false, true}));
        QCOMPARE(marks(), QList<bool>({true, false, false, false}));
        QCOMPARE(mApp->mSwitchList->indexOfSelectedItem(), 0);
        Q_UNUSED(sl);
    }

    void activePortMarksAndTheirFailure()
    {
        auto sw = mSim->plug("00001001", 1);
        sw->setActivePort(2);
        select(QStringLiteral("00001001"));
        launch();
        QCOMPARE(marks(), QList<bool>({false, false, true, false}));
        // An unanswered query marks nothing rather than claiming port 1.
        sw->failNextRead(EIO);
        mApp->setStatusIcon();
        QCOMPARE(marks(), QList<bool>({false, false, false, false}));
        // A port command does not move the marks; the next refresh does.
        mApp->switchToPort4(nullptr);
        QCOMPARE(marks(), QList<bool>({false, false, false, false}));
        mApp->setStatusIcon();
        QCOMPARE(marks(), QList<bool>({false, false, false, true}));
    }

    void portCommandsSendExactReports()
    {
        auto sw = mSim->plug("00001001", 2); // a mini still takes ports 3 and 4 from hot keys
        select(QStringLiteral("00001001"));
        launch();
        sw->clearLog();
        mApp->switchToPort3(nullptr);
        mApp->switchToPort1(nullptr);
        mApp->switchToPort4(nullptr);
        mApp->switchToPort2(nullptr);
        QCOMPARE(sw->log().size(), size_t(4));
        const std::array<std::uint8_t, 8> expected{0x09, 0x03, 0x0B, 0x02, 0x02, 0, 0, 0};
        QCOMPARE(sw->log()[0].bytes, expected);
        QCOMPARE(portSelects(sw->log()),
                 (QList<QPair<int, int>>{{2, 2}, {0, 0}, {3, 3}, {1, 1}}));
        // Without a selected switch nothing is sent.
        DefaultsStore::standard().removeObjectForKey(QStringLiteral("Selected Switch"));
        sw->clearLog();
        mApp->switchToPort1(nullptr);
        QVERIFY(sw->log().empty());
    }

    void rotationVisitsThePortsAndEndsWithAFinalSelect()
    {
        auto sw = mSim->plug("00001001", 1);
        sw->setActivePort(1);
        select(QStringLiteral("00001001"));
        launch();
        mApp->rotate(nullptr);
        QVERIFY(mApp->rotationRunning());
        QCOMPARE(mApp->mRotationTimer->interval(), 30000);
        QCOMPARE(gActiveMachine, 1);
        QCOMPARE(gActiveUSBPort, 1);
        sw->clearLog();
        for (int step = 0; step < 5; ++step)
            mApp->rotatePorts(mApp->mRotationTimer);
        QCOMPARE(portSelects(sw->log()),
                 (QList<QPair<int, int>>{{2, 1}, {3, 1}, {0, 1}, {1, 1}, {2, 1}}));
        sw->clearLog();
        mApp->rotate(nullptr); // stop: the USB connection follows the shown computer
        QVERIFY(!mApp->rotationRunning());
        QCOMPARE(mApp->mRotationTimer, nullptr);
        QCOMPARE(portSelects(sw->log()), (QList<QPair<int, int>>{{2, 2}}));
    }

    void rotationOnAMiniAlternates()
    {
        auto sw = mSim->plug("00001001", 2);
        select(QStringLiteral("00001001"));
        launch();
        mApp->rotate(nullptr);
        sw->clearLog();
        for (int step = 0; step < 4; ++step)
            mApp->rotatePorts(nullptr);
        QCOMPARE(portSelects(sw->log()), (QList<QPair<int, int>>{{1, 0}, {0, 0}, {1, 0}, {0, 0}}));
    }

    void rotationWithoutAPortCountStaysOnRealPorts()
    {
        // Before any switch was applied the port count is 0; the counter must not run off.
        ApplicationController app;
        gActiveMachine = 2;
        app.rotatePorts(nullptr);
        QCOMPARE(gActiveMachine, 0);
        app.rotatePorts(nullptr);
        QCOMPARE(gActiveMachine, 0);
    }

    void portCommandStopsRotationWithoutItsFinalSelect()
    {
        auto sw = mSim->plug("00001001", 1);
        select(QStringLiteral("00001001"));
        launch();
        mApp->rotate(nullptr);
        mApp->rotatePorts(nullptr);
        sw->clearLog();
        mApp->switchToPort4(nullptr);
        QVERIFY(!mApp->rotationRunning());
        QCOMPARE(portSelects(sw->log()), (QList<QPair<int, int>>{{3, 3}}));
    }

    void removalStopsRotationWithoutAReport()
    {
        auto stays = mSim->plug("00001001", 1);
        mSim->plug("00001002", 1);
        select(QStringLiteral("00001001"));
        launch();
        mApp->rotate(nullptr);
        QCoreApplication::processEvents(); // the plug notifications of the set-up
        mPauses.clear();
        stays->clearLog();
        mSim->unplug("00001002");
        QTRY_VERIFY(!mApp->rotationRunning());
        QVERIFY(portSelects(stays->log()).isEmpty());
        QCOMPARE(mApp->mSwitchList->numberOfItems(), 3);
        QCOMPARE(modelLine(), QStringLiteral("Tarvex Pro DVI SL"));
        QVERIFY(mPauses.isEmpty()); // removal does not wait
    }

    void plugRefreshesAfterItsThreePauses()
    {
        select(QStringLiteral("00001003"));
        launch();
        QCOMPARE(modelLine(), QStringLiteral("Not connected"));
        mSim->plug("00001003", 3);
        QTRY_COMPARE(mApp->mSwitchList->numberOfItems(), 3);
        QCOMPARE(mPauses, (QList<unsigned>{300000, 300000, 300000}));
        QCOMPARE(modelLine(), QStringLiteral("Tarvex Pro DVI DL"));
        QCOMPARE(enabledTags(), QList<bool>({true, true, true, true, true}));
    }

    void quitStopsRotationSilentlyAndReleasesTheRegistry()
    {
        auto sw = mSim->plug("00001001", 1);
        select(QStringLiteral("00001001"));
        launch();
        mApp->rotate(nullptr);
        sw->clearLog();
        mApp->applicationWillTerminate();
        QVERIFY(!mApp->rotationRunning());
        QVERIFY(sw->log().empty());
        QCOMPARE(mApp->mStatusItem, nullptr);
        QVERIFY(!mApp->mIOWarriorController);
        QCOMPARE(IOWarriorController::sharedApplication(), nullptr);
        // A hot-plug event after the end finds nothing to refresh and does not crash.
        mSim->plug("00001002", 1);
        QCoreApplication::processEvents();
        mApp->switchToPort1(nullptr);
        QVERIFY(sw->log().empty());
    }

    void missingPermissionIsExplainedOnce()
    {
        auto sw = mSim->plug("00001001", 1);
        sw->failOpen(EACCES);
        select(QStringLiteral("00001001"));
        launch();
        QCOMPARE(mApp->mSwitchList->itemAtIndex(2).title,
                 QStringLiteral("(no permission) (00001001)"));
        QCOMPARE(modelLine(), QStringLiteral("(no permission)"));
        QCOMPARE(enabledTags(), QList<bool>({false, false, false, false, false}));
        int permissionAlerts = 0;
        for (const auto &alert : mAlerts.alerts) {
            if (alert.message.contains(QStringLiteral("install-udev-rule"))) {
                ++permissionAlerts;
                QVERIFY(alert.message.contains(QStringLiteral("sim:")));
            }
        }
        QCOMPARE(permissionAlerts, 1);
        mApp->updateAttachedDevices();
        int afterRefresh = 0;
        for (const auto &alert : mAlerts.alerts)
            afterRefresh += alert.message.contains(QStringLiteral("install-udev-rule"));
        QCOMPARE(afterRefresh, 1);
        // Once the rule is in place the next refresh shows the model.
        sw->failOpen(0);
        mApp->updateAttachedDevices();
        QCOMPARE(modelLine(), QStringLiteral("Tarvex Pro DVI SL"));
    }

    void firmwareWindowShowsTheSelectedSwitchsVersion()
    {
        auto sw = mSim->plug("00001001", 1, 1, 4);
        launch();
        mApp->upgradeFirmware(nullptr); // nothing selected: nothing happens
        QVERIFY(!mApp->mFirmwareUpgrdWnd->isVisible());
        select(QStringLiteral("00001001"));
        mApp->upgradeFirmware(nullptr);
        QVERIFY(mApp->mFirmwareUpgrdWnd->isVisible());
        QCOMPARE(mApp->mVersion->text(), QStringLiteral("1.4"));
        sw->setFirmwareVersion(1, -1);
        QCOMPARE(mApp->getFirmwareVersion(mApp->selectedNode()), QStringLiteral("1.-1"));
        sw->setIdentifier(0xFF);
        QCOMPARE(mApp->getSwitchID(mApp->selectedNode()), 4294967295u);
        QCOMPARE(mApp->getFirmwareVersion(nullptr), QString());
        QCOMPARE(mApp->getAppVersion(), QStringLiteral(TARVEX_VERSION));
    }

    void closingTheLastWindowKeepsRunning()
    {
        launch();
        QVERIFY(!mApp->applicationShouldTerminateAfterLastWindowClosed());
        QVERIFY(!QApplication::quitOnLastWindowClosed());
    }
};

int main(int argc, char **argv)
{
    privateConfigHome();
    TarvexCCApp app(argc, argv);
    ApplicationControllerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ApplicationControllerTest.moc"
