// The tray application against simulated switches: start-up and shut-down, the switch list
// and menu state, hot-plug refreshes that leave the event loop free, resume, the login entry
// and the preferences' period, and help.
#include "AutostartEntry.h"
#include "HelpWindowController.h"
#include "PreferencesWindowController.h"
#include "SwitchPopUp.h"
#include "TarvexCCApp.h"
#include "TestSupport.h"
#include "switch/PortRotation.h"
#include "usb/IOWarriorController.h"

#include <QCheckBox>
#include <QSpinBox>
#include <QTextBrowser>

class ApplicationControllerTest : public QObject
{
    Q_OBJECT

private:
    AppHarness h;

    Flags marks() const
    {
        const QImage active = QIcon(QStringLiteral(":/images/Active.png")).pixmap(16).toImage();
        Flags marked;
        for (int tag = 1; tag <= 4; ++tag)
            marked.append(h.app->itemWithTag(tag)->icon().pixmap(16).toImage() == active);
        return marked;
    }
    SwitchPopUp &list() const { return *h.app->mSwitchList; }

private slots:
    void initTestCase() { h.install(); }
    void init() { h.setUp(); }
    void cleanup() { h.tearDown(); }

    void quitsSilentlyWhenUsbAccessFails()
    {
        auto sw = h.sim->plug("00001001", 1);
        h.sim->setStartFails(true);
        h.app = std::make_unique<ApplicationController>();
        QSignalSpy terminating(h.app.get(), &ApplicationController::terminationRequested);
        h.app->applicationDidFinishLaunching();
        QCOMPARE(terminating.count(), 1);
        QVERIFY(!h.app->statusMenu().statusItem() && !gIOWarriorAddedCallBackPtr && h.alerts.alerts.isEmpty());
        h.app->applicationWillTerminate(); // touches nothing after such a start
        QVERIFY(sw->log().empty());
    }

    void menuFollowsTheSelectedModelAndBuildsNoWindow_data()
    {
        QTest::addColumn<int>("identifier"); // -1: the stored switch is not attached
        QTest::addColumn<QString>("model");
        QTest::addColumn<Flags>("enabled");
        QTest::newRow("none") << -1 << "Not connected" << Flags(5, false);
        QTest::newRow("mini") << 2 << "Tarvex mini" << Flags{true, true, false, false, true};
        QTest::newRow("DL") << 3 << "Tarvex Pro DVI DL" << Flags(5, true);
        for (int unknown : {0, 7, 0xFF})
            QTest::newRow(qPrintable(QString::number(unknown))) << unknown << "Unknown" << Flags(5, true);
    }
    void menuFollowsTheSelectedModelAndBuildsNoWindow()
    {
        QFETCH(int, identifier);
        QFETCH(QString, model);
        QFETCH(Flags, enabled);
        if (identifier >= 0)
            h.sim->plug("0000B007", std::uint8_t(identifier));
        h.launch("0000B007");
        QCOMPARE(h.modelLine(), model);
        QVERIFY(!h.app->itemWithTag(StatusMenu::TagModelLine)->isEnabled());
        QCOMPARE(h.enabledTags(), enabled);
        QCOMPARE(list().itemAtIndex(0).title, QStringLiteral("Select"));
        QVERIFY(list().itemAtIndex(1).separator);
        QCOMPARE(list().itemAtIndex(2).title, identifier < 0 ? QString() : model + QStringLiteral(" (0000B007)"));
        QCOMPARE(h.app->portRotation().portCount(), identifier < 0 ? 0u : identifier == 2 ? 2u : 4u);
        for (QWidget *widget : QApplication::topLevelWidgets()) // windows are made when first opened
            QVERIFY(!widget->objectName().endsWith(QLatin1String("Window")));
    }

    void choosingASwitchStoresItAndSelectChangesOnlyTheMarks()
    {
        auto mini = h.sim->plug("00001002", 2);
        h.sim->plug("00001001", 1);
        h.launch("00001001");
        QCOMPARE(list().itemAtIndex(3).title, QStringLiteral("Tarvex mini (00001002)"));
        QVERIFY(list().actionAtIndex(2)->isChecked() && list().itemAtIndex(3).tag == 2);
        mini->setActivePort(1);
        list().actionAtIndex(3)->trigger(); // the user picks the mini
        QCOMPARE(DefaultsStore::standard().stringForKey(QStringLiteral("Selected Switch")), QStringLiteral("00001002"));
        QCOMPARE(h.modelLine(), QStringLiteral("Tarvex mini"));
        QCOMPARE(marks(), (Flags{false, true, false, false}));
        mini->setActivePort(0);
        list().actionAtIndex(0)->trigger(); // "Select": only the marks are refreshed
        QCOMPARE(DefaultsStore::standard().stringForKey(QStringLiteral("Selected Switch")), QStringLiteral("00001002"));
        QCOMPARE(h.enabledTags(), (Flags{true, true, false, false, true}));
        QCOMPARE(marks(), (Flags{true, false, false, false}));
        // An unanswered query marks nothing rather than claiming port 1; a command moves no mark.
        mini->failNextRead(EIO);
        h.app->setStatusIcon();
        h.app->switchToPort2(nullptr);
        QCOMPARE(marks(), Flags(4, false));
    }

    // The waits after a plug run on timers (the real 300 ms here): a 50 ms timer started as
    // the first begins fires while they hold the gate (timers fire in the order they fall
    // due), and a command that arrives meanwhile runs after the refresh.
    void hotPlugLeavesTheLoopFreeAndQueuesWhatArrives()
    {
        auto stays = h.sim->plug("00001001", 1);
        h.launch("00001001");
        bool probeOnTime = false;
        ApplicationController::setHotplugPause([&](unsigned us, std::function<void()> resume) {
            if (h.pauses.isEmpty())
                QTimer::singleShot(50, this, [&] { probeOnTime = DeviceGate::instance().isBusy(); });
            h.pauses.append(us);
            QTimer::singleShot(int(us / 1000), std::move(resume));
        });
        h.app->rotate(nullptr);
        h.sim->plug("00001002", 3);
        while (!DeviceGate::instance().isBusy())
            QCoreApplication::processEvents();
        stays->clearLog();
        h.app->switchToPort2(nullptr);
        QVERIFY(stays->log().empty());
        h.settle();
        h.install();
        QVERIFY(probeOnTime);
        QCOMPARE(h.pauses, (QList<unsigned>{300000, 300000, 300000}));
        QCOMPARE(list().numberOfItems(), 4);
        QCOMPARE(stays->log().front().bytes, (Bytes{0x08, 0x01, 0x03, 0, 0, 0, 0, 0})); // the refresh's set-up
        QCOMPARE(portSelects(stays->log()), (Selects{{1, 1}}));                       // then the command
        h.app->rotate(nullptr);
        h.pauses.clear();
        stays->clearLog();
        h.sim->unplug("00001002");
        h.settle();
        QVERIFY(!h.app->rotationRunning()); // any removal stops it, without a report, and waits for nothing
        QVERIFY(portSelects(stays->log()).isEmpty() && h.pauses.isEmpty());
        QCOMPARE(list().numberOfItems(), 3);
    }

    void resumeRebuildsTheListAndQuitReleasesEverything()
    {
        auto sw = h.sim->plug("00001001", 1);
        h.launch("00001001");
        sw->clearLog();
        const int enumerations = h.sim->enumerationCount();
        h.app->resumeFromSleep();
        QCOMPARE(h.sim->enumerationCount(), enumerations + 1); // fresh nodes, not the stale ones
        QCOMPARE(sw->log().front().bytes, (Bytes{0x08, 0x01, 0x03, 0, 0, 0, 0, 0}));
        h.app->rotate(nullptr);
        sw->clearLog();
        h.app->applicationWillTerminate();
        QVERIFY(!h.app->rotationRunning() && !h.app->statusMenu().statusItem());
        QCOMPARE(IOWarriorController::sharedApplication(), nullptr);
        h.sim->plug("00001002", 1); // hot-plug, resume and commands after the end find nothing
        h.settle();
        h.app->resumeFromSleep();
        h.app->switchToPort1(nullptr);
        QVERIFY(sw->log().empty());
    }

    void missingPermissionIsExplainedOnce()
    {
        h.sim->plug("00001001", 1)->failOpen(EACCES);
        h.launch("00001001");
        QCOMPARE(list().itemAtIndex(2).title, QStringLiteral("(no permission) (00001001)"));
        QCOMPARE(h.modelLine(), QStringLiteral("(no permission)"));
        QCOMPARE(h.enabledTags(), Flags(5, false));
        h.app->updateAttachedDevices();
        QCOMPARE(h.alerts.alerts.size(), 1);
        QVERIFY(h.alerts.alerts[0][1].contains(QStringLiteral("install-udev-rule")));
        QVERIFY(h.alerts.alerts[0][1].contains(QStringLiteral("sim:")));
    }

    void preferencesShowThePeriodAndTheLoginEntryAndStoreThem()
    {
        const QString dir = privateConfigHome().filePath(QStringLiteral("autostart"));
        QDir(dir).removeRecursively();
        h.app = std::make_unique<ApplicationController>();
        storeDefault(PortRotation::timeIntervalKey(), 1e308);
        AutostartEntry(QCoreApplication::applicationFilePath()).install();
        h.app->configureHotkeys(nullptr);
        PreferencesWindowController &prefs = h.app->preferences();
        QCOMPARE(prefs.timeInterval()->value(), 86400);
        prefs.timeInterval()->setValue(12);
        QCOMPARE(DefaultsStore::standard().objectForKey(PortRotation::timeIntervalKey()), QJsonValue(12));
        QCheckBox &box = *prefs.launchAtLoginBox();
        QVERIFY(box.isChecked());
        box.setTristate(true);
        box.setCheckState(Qt::PartiallyChecked); // a mixed state changes nothing
        h.app->launchAtLogin(&box);
        QVERIFY(AutostartEntry(QCoreApplication::applicationFilePath()).isInstalled());
        // A file where the directory should be: reported, and not shown as done.
        QDir(dir).removeRecursively();
        QFile file(dir);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QAction *item = h.app->statusMenu().launchAtLoginItem();
        item->setChecked(true);
        h.app->launchAtLogin(item);
        QCOMPARE(h.alerts.alerts.size(), 1);
        QVERIFY(h.alerts.alerts[0][1].startsWith(QStringLiteral("Launch at Login could not be changed")));
        QVERIFY(!item->isChecked() && !box.isChecked());
        QFile::remove(dir);
    }

    void helpReloadsIntoOneCopy()
    {
        h.app = std::make_unique<ApplicationController>();
        h.app->showHelp(nullptr);
        QTextBrowser *view = h.app->help().textView();
        const QString once = view->toPlainText();
        QVERIFY(h.app->help().window()->isVisible() && once.contains(QStringLiteral("install-udev-rule")));
        view->append(QStringLiteral("scribble"));
        h.app->showHelp(nullptr);
        QCOMPARE(view->toPlainText(), once);
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
