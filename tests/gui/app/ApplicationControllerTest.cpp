// The tray application against simulated switches: start-up and shut-down, the switch list
// and menu state, hot-plug refreshes that leave the event loop free, resume, the login
// entry, the preferences' period and the help window.
#include "ApplicationController.h"
#include "AutostartEntry.h"
#include "FirmwareWindowController.h"
#include "HelpWindowController.h"
#include "PreferencesWindowController.h"
#include "SwitchPopUp.h"
#include "TarvexCCApp.h"
#include "TestSupport.h"
#include "switch/PortRotation.h"
#include "usb/IOWarriorController.h"

#include <QCheckBox>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QPrinter>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTextBrowser>

#include <cerrno>

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
    static QString autostartDir() { return privateConfigHome().path() + QStringLiteral("/autostart"); }
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private slots:
    void initTestCase() { h.install(); }
    void init()
    {
        DefaultsStore::standard().removeObjectForKey(QStringLiteral("Time Interval"));
        QDir(autostartDir()).removeRecursively();
        QFile::remove(autostartDir());
        h.setUp();
    }
    void cleanup() { h.tearDown(); }

    void sharedInstanceIsTheFirstUntilItDies()
    {
        auto first = std::make_unique<ApplicationController>();
        auto second = std::make_unique<ApplicationController>();
        QCOMPARE(ApplicationController::sharedApplication(), first.get());
        second.reset();
        QCOMPARE(ApplicationController::sharedApplication(), first.get());
        first.reset();
        QCOMPARE(ApplicationController::sharedApplication(), nullptr);
        QVERIFY(!QApplication::quitOnLastWindowClosed());
    }

    void quitsSilentlyWhenUsbAccessFails()
    {
        auto sw = h.sim->plug("00001001", 1);
        h.sim->setStartFails(true);
        h.app = std::make_unique<ApplicationController>();
        QSignalSpy terminating(h.app.get(), &ApplicationController::terminationRequested);
        h.app->applicationDidFinishLaunching();
        QCOMPARE(terminating.count(), 1);
        QVERIFY(!h.app->hasLaunched());
        QCOMPARE(h.app->statusMenu().statusItem(), nullptr);
        QVERIFY(gIOWarriorAddedCallBackPtr == nullptr && h.alerts.alerts.isEmpty());
        h.app->applicationWillTerminate(); // touches nothing after such a start
        QVERIFY(sw->log().empty());
    }

    void menuFollowsTheSelectedModelAndBuildsNoWindow_data()
    {
        QTest::addColumn<int>("identifier"); // -1: the stored switch is not attached
        QTest::addColumn<QString>("model");
        QTest::addColumn<Flags>("enabled");
        QTest::newRow("none") << -1 << "Not connected" << Flags{false, false, false, false, false};
        QTest::newRow("mini") << 2 << "Tarvex mini" << Flags{true, true, false, false, true};
        QTest::newRow("DL") << 3 << "Tarvex Pro DVI DL" << Flags{true, true, true, true, true};
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
        storeDefault(QStringLiteral("Selected Switch"), QStringLiteral("0000B007"));
        h.launch();
        QCOMPARE(h.modelLine(), model);
        QVERIFY(!h.app->itemWithTag(StatusMenu::TagModelLine)->isEnabled());
        QCOMPARE(h.enabledTags(), enabled);
        SwitchPopUp *list = h.app->mSwitchList;
        QCOMPARE(list->itemAtIndex(0).title, QStringLiteral("Select"));
        QVERIFY(list->itemAtIndex(1).separator);
        if (identifier < 0) {
            QCOMPARE(list->numberOfItems(), 2);
            QCOMPARE(marks(), Flags(4, false));
        } else {
            QCOMPARE(list->itemAtIndex(2).title, model + QStringLiteral(" (0000B007)"));
            QCOMPARE(h.app->portRotation().portCount(), identifier == 2 ? 2u : 4u);
        }
        // Windows are made when first opened, never at start-up.
        for (QWidget *widget : QApplication::topLevelWidgets())
            QVERIFY(!widget->objectName().endsWith(QLatin1String("Window")));
    }

    void choosingASwitchStoresItAndSelectChangesOnlyTheMarks()
    {
        auto mini = h.sim->plug("00001002", 2);
        h.launchWith("00001001", 1);
        SwitchPopUp *list = h.app->mSwitchList;
        QCOMPARE(list->numberOfItems(), 4);
        QCOMPARE(list->itemAtIndex(3).title, QStringLiteral("Tarvex mini (00001002)"));
        QCOMPARE(list->itemAtIndex(3).tag, 2);
        QVERIFY(list->actionAtIndex(2)->isChecked() && !list->actionAtIndex(3)->isChecked());
        mini->setActivePort(1);
        list->actionAtIndex(3)->trigger(); // the user picks the mini
        QCOMPARE(DefaultsStore::standard().stringForKey(QStringLiteral("Selected Switch")), QStringLiteral("00001002"));
        QCOMPARE(h.modelLine(), QStringLiteral("Tarvex mini"));
        QCOMPARE(marks(), (Flags{false, true, false, false}));
        // "Select": the choice and the enabled states stay, only the marks are refreshed.
        mini->setActivePort(0);
        list->actionAtIndex(0)->trigger();
        QCOMPARE(DefaultsStore::standard().stringForKey(QStringLiteral("Selected Switch")), QStringLiteral("00001002"));
        QCOMPARE(h.enabledTags(), (Flags{true, true, false, false, true}));
        QCOMPARE(marks(), (Flags{true, false, false, false}));
        // An unanswered query marks nothing rather than claiming port 1; a command moves no mark.
        mini->failNextRead(EIO);
        h.app->setStatusIcon();
        h.app->switchToPort2(nullptr);
        QCOMPARE(marks(), Flags(4, false));
        h.app->setStatusIcon();
        QCOMPARE(marks(), (Flags{false, true, false, false}));
    }

    // The waits after a plug run on timers: a timer posted meanwhile fires before they end,
    // and a command or an unplug that arrives during them runs after the refresh.
    void hotPlugLeavesTheLoopFreeAndQueuesWhatArrives()
    {
        auto stays = h.launchWith("00001001", 1);
        h.app->rotate(nullptr);
        h.sim->plug("00001002", 3);
        while (!DeviceGate::instance().isBusy())
            QCoreApplication::processEvents();
        bool firedDuringWaits = false;
        QTimer::singleShot(0, this, [&] { firedDuringWaits = DeviceGate::instance().isBusy(); });
        stays->clearLog();
        h.app->switchToPort2(nullptr);
        QVERIFY(stays->log().empty());
        h.settle();
        QVERIFY(firedDuringWaits);
        QCOMPARE(h.pauses, (QList<unsigned>{300000, 300000, 300000}));
        QCOMPARE(h.app->mSwitchList->numberOfItems(), 4);
        QCOMPARE(portSelects(stays->log()), (Selects{{1, 1}})); // after the mode set-up
        QCOMPARE(stays->log().front().bytes, (std::array<std::uint8_t, 8>{0x08, 0x01, 0x03, 0, 0, 0, 0, 0}));

        h.app->rotate(nullptr);
        h.pauses.clear();
        stays->clearLog();
        h.sim->unplug("00001002");
        h.settle();
        QVERIFY(!h.app->rotationRunning()); // any removal stops it, without a report
        QVERIFY(portSelects(stays->log()).isEmpty());
        QCOMPARE(h.app->mSwitchList->numberOfItems(), 3);
        QVERIFY(h.pauses.isEmpty()); // removal does not wait
    }

    // With the real 300 ms waits, a 50 ms timer started as the first wait begins fires while
    // the refresh still holds the gate: timers fire in the order they fall due.
    void hotPlugWaitsLeaveAFiftyMillisecondTimerOnTime()
    {
        h.launchWith("00001001", 1);
        bool probeOnTime = false;
        ApplicationController::setHotplugPause([&](unsigned us, std::function<void()> resume) {
            if (us == 300000 && h.pauses.isEmpty())
                QTimer::singleShot(50, this, [&] { probeOnTime = DeviceGate::instance().isBusy(); });
            h.pauses.append(us);
            QTimer::singleShot(int(us / 1000), std::move(resume));
        });
        h.sim->plug("00001002", 2);
        h.settle();
        h.install();
        QVERIFY(probeOnTime);
        QCOMPARE(h.app->mSwitchList->numberOfItems(), 4);
    }

    void resumeRebuildsTheListAndQuitReleasesEverything()
    {
        auto sw = h.launchWith("00001001", 1);
        sw->clearLog();
        const int enumerations = h.sim->enumerationCount();
        h.app->resumeFromSleep();
        QCOMPARE(h.sim->enumerationCount(), enumerations + 1); // fresh nodes, not the stale ones
        QCOMPARE(sw->log().front().bytes, (std::array<std::uint8_t, 8>{0x08, 0x01, 0x03, 0, 0, 0, 0, 0}));
        QCOMPARE(h.modelLine(), QStringLiteral("Tarvex Pro DVI SL"));

        h.app->rotate(nullptr);
        sw->clearLog();
        h.app->applicationWillTerminate();
        QVERIFY(!h.app->rotationRunning());
        QCOMPARE(h.app->statusMenu().statusItem(), nullptr);
        QCOMPARE(IOWarriorController::sharedApplication(), nullptr);
        // Hot-plug, resume and commands after the end find nothing and do not crash.
        h.sim->plug("00001002", 1);
        h.settle();
        h.app->resumeFromSleep();
        h.app->switchToPort1(nullptr);
        QVERIFY(sw->log().empty());
    }

    void missingPermissionIsExplainedOnce()
    {
        auto sw = h.sim->plug("00001001", 1);
        sw->failOpen(EACCES);
        storeDefault(QStringLiteral("Selected Switch"), QStringLiteral("00001001"));
        h.launch();
        QCOMPARE(h.app->mSwitchList->itemAtIndex(2).title, QStringLiteral("(no permission) (00001001)"));
        QCOMPARE(h.modelLine(), QStringLiteral("(no permission)"));
        QCOMPARE(h.enabledTags(), Flags(5, false));
        h.app->updateAttachedDevices();
        QCOMPARE(h.alerts.alerts.size(), 1);
        QVERIFY(h.alerts.alerts[0].message.contains(QStringLiteral("install-udev-rule")));
        QVERIFY(h.alerts.alerts[0].message.contains(QStringLiteral("sim:")));
        sw->failOpen(0); // the rule is in place: the next refresh shows the model
        h.app->updateAttachedDevices();
        QCOMPARE(h.modelLine(), QStringLiteral("Tarvex Pro DVI SL"));
    }

    // Two switches come and go while port commands run and a rotation is stepped; the
    // asan build checks that nothing of the churn leaks or touches freed nodes.
    void plugCyclesWithCommandsAndRotationLeaveMenuAndListConsistent()
    {
        storeDefault(QStringLiteral("Selected Switch"), QStringLiteral("00001001"));
        h.launch();
        for (int cycle = 0; cycle < 200; ++cycle) {
            h.sim->plug("00001001", 1);
            h.sim->plug("00001002", 2);
            if (cycle % 2)
                h.settle(); // on even cycles the commands run before the plug is heard of
            h.app->switchToPort2(nullptr);
            h.app->rotate(nullptr);
            h.app->rotatePorts(nullptr);
            const std::string first = cycle % 3 ? "00001002" : "00001001";
            h.sim->unplug(first);
            h.app->rotatePorts(nullptr); // may hit the switch that just left
            h.settle();
            QVERIFY(!h.app->rotationRunning());
            h.app->switchToPort1(nullptr);
            h.sim->unplug(first == "00001001" ? "00001002" : "00001001");
            if (cycle % 5 == 0)
                h.settle();
        }
        h.settle();
        QCOMPARE(h.app->mSwitchList->numberOfItems(), 2);
        QCOMPARE(h.modelLine(), QStringLiteral("Not connected"));
        auto sl = h.sim->plug("00001001", 1);
        h.settle();
        QCOMPARE(h.app->mSwitchList->indexOfSelectedItem(), 2);
        QCOMPARE(h.enabledTags(), Flags(5, true));
        sl->clearLog();
        h.app->switchToPort3(nullptr);
        QCOMPARE(portSelects(sl->log()), (Selects{{2, 2}}));
    }

    void firmwareWindowShowsTheSelectedSwitchsVersion()
    {
        h.launchWith("00001001", 1)->setFirmwareVersion(1, -1);
        h.app->upgradeFirmware(nullptr);
        QVERIFY(h.app->firmware().window()->isVisible());
        QCOMPARE(h.app->firmware().versionField()->text(), QStringLiteral("1.-1"));
    }

    void preferencesShowAndStoreThePeriodAndTheLoginEntry()
    {
        h.app = std::make_unique<ApplicationController>();
        storeDefault(QStringLiteral("Time Interval"), 1e308);
        AutostartEntry(QCoreApplication::applicationFilePath()).install();
        h.app->configureHotkeys(nullptr);
        PreferencesWindowController &prefs = h.app->preferences();
        QCOMPARE(prefs.timeInterval()->value(), 86400);
        QVERIFY(prefs.launchAtLoginBox()->isChecked());
        prefs.timeInterval()->setValue(12);
        QCOMPARE(DefaultsStore::standard().objectForKey(QStringLiteral("Time Interval")).toInt(), 12);

        // Off and on again from the box: one entry of ours, another program's stays.
        QCheckBox &box = *prefs.launchAtLoginBox();
        writeFile(autostartDir() + QStringLiteral("/other.desktop"), "[Desktop Entry]\nExec=/usr/bin/other\n");
        for (bool on : {false, true, true}) {
            box.setChecked(on);
            h.app->launchAtLogin(&box);
        }
        QCOMPARE(QDir(autostartDir()).entryList(QDir::Files).size(), 2);
        QVERIFY(h.app->statusMenu().launchAtLoginItem()->isChecked());
        box.setTristate(true);
        box.setCheckState(Qt::PartiallyChecked); // a mixed state changes nothing
        h.app->launchAtLogin(&box);
        QVERIFY(AutostartEntry(QCoreApplication::applicationFilePath()).isInstalled());
        QVERIFY(h.alerts.alerts.isEmpty());

        // A file where the directory should be: reported, and not shown as done.
        QDir(autostartDir()).removeRecursively();
        writeFile(autostartDir(), "a file");
        QAction *item = h.app->statusMenu().launchAtLoginItem();
        item->setChecked(true);
        h.app->launchAtLogin(item);
        QCOMPARE(h.alerts.alerts.size(), 1);
        QVERIFY(h.alerts.alerts[0].message.contains(QStringLiteral("Launch at Login")));
        QVERIFY(!item->isChecked() && !box.isChecked());
    }

    void helpReloadsIntoOneCopyAndPrints()
    {
        h.app = std::make_unique<ApplicationController>();
        h.app->showHelp(nullptr);
        QTextBrowser *view = h.app->help().textView();
        QVERIFY(h.app->help().window()->isVisible());
        const QString once = view->toPlainText();
        QVERIFY(once.contains(QStringLiteral("install-udev-rule")));
        view->append(QStringLiteral("scribble"));
        h.app->showHelp(nullptr);
        QCOMPARE(view->toPlainText(), once);

        const QString pdf = privateConfigHome().filePath(QStringLiteral("help.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        h.app->help().printHelpTo(&printer);
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(4) == "%PDF" && file.size() > 2000);
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
