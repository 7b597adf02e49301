// The application controller against simulated switches: shared instance, start-up and
// shut-down, the switch list and menu state, port commands, rotation, hot-plug and resume,
// the login entry and the help window.
#include "ApplicationController.h"
#include "AutostartEntry.h"
#include "SwitchPopUp.h"
#include "TarvexCCApp.h"
#include "TestSupport.h"
#include "switch/DefaultsStore.h"
#include "usb/IOWarriorController.h"
#include "usb/sim/SimHidPlatform.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPrinter>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <cerrno>
#include <memory>

using tarvex::SimHidPlatform;
using Selects = QList<QPair<int, int>>;
using Flags = QList<bool>;

class ApplicationControllerTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimHidPlatform> mSim;
    std::unique_ptr<ApplicationController> mApp;
    ScriptedAlertPresenter mAlerts;
    QList<unsigned> mPauses;

    // Plugs `serial` with `identifier`, stores it as the choice and launches.
    std::shared_ptr<tarvex::SimulatedSwitch> launchWith(const char *serial, int identifier, int port = 0)
    {
        auto sw = mSim->plug(serial, std::uint8_t(identifier));
        sw->setActivePort(port);
        select(QString::fromLatin1(serial));
        launch();
        return sw;
    }
    void launch()
    {
        mApp = std::make_unique<ApplicationController>();
        mApp->applicationDidFinishLaunching();
        QVERIFY(mApp->hasLaunched());
        settle(); // the notifications of switches plugged before the start
        mPauses.clear();
    }
    static void select(const QString &serial)
    {
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Selected Switch"), serial);
    }
    Flags marks() const
    {
        const QImage active = QIcon(QStringLiteral(":/images/Active.png")).pixmap(16).toImage();
        Flags marked;
        for (int tag = 1; tag <= 4; ++tag)
            marked.append(mApp->itemWithTag(tag)->icon().pixmap(16).toImage() == active);
        return marked;
    }
    Flags enabledTags() const
    {
        Flags states;
        for (int tag = 1; tag <= 5; ++tag)
            states.append(mApp->itemWithTag(tag)->isEnabled());
        return states;
    }
    QString modelLine() const { return mApp->itemWithTag(10)->text(); }
    int permissionAlerts() const
    {
        int n = 0;
        for (const auto &alert : mAlerts.alerts)
            n += alert.message.contains(QStringLiteral("install-udev-rule"));
        return n;
    }
    // Delivers queued plug notifications; the hot-plug waits are recorded, not slept.
    void settle()
    {
        while (mSim->pendingNotifications() > 0)
            QCoreApplication::processEvents();
    }
    static QString autostartDir() { return privateConfigHome().path() + QStringLiteral("/autostart"); }
    static QString entryPath() { return autostartDir() + QStringLiteral("/tarvexcc.desktop"); }
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private slots:
    void initTestCase()
    {
        AlertPresenter::install(&mAlerts);
        ApplicationController::setHotplugPause([this](unsigned us) { mPauses.append(us); });
    }

    void init()
    {
        DefaultsStore::standard().removeObjectForKey(QStringLiteral("Selected Switch"));
        DefaultsStore::standard().removeObjectForKey(QStringLiteral("Time Interval"));
        QDir(autostartDir()).removeRecursively();
        QFile::remove(autostartDir());
        mSim = std::make_unique<SimHidPlatform>();
        IOWarriorSetPlatform(mSim.get());
        mAlerts.alerts.clear();
        mPauses.clear();
    }

    void cleanup()
    {
        mApp.reset();
        IOWarriorSetDeviceAddedCallback(nullptr, nullptr);
        IOWarriorSetDeviceRemovedCallback(nullptr, nullptr);
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
        QVERIFY(!QApplication::quitOnLastWindowClosed());
    }

    void timeIntervalIs30UnlessStoredAndNeverBelowOneSecond()
    {
        launch();
        DefaultsStore &defaults = DefaultsStore::standard();
        QVERIFY(defaults.objectForKey(QStringLiteral("Time Interval")).isUndefined());
        QCOMPARE(mApp->rotationInterval(), 30.0);
        // A hand-edited 0 or a negative period would fire without pause.
        const QList<QPair<QJsonValue, double>> stored{
            {0, 1.0}, {-5, 1.0}, {QStringLiteral("fast"), 30.0}, {2.5, 2.5}};
        for (const auto &[value, seconds] : stored) {
            defaults.setObjectForKey(QStringLiteral("Time Interval"), value);
            QCOMPARE(mApp->rotationInterval(), seconds);
        }
        mApp->mTimeInterval->setValue(0); // clamped by the box
        QCOMPARE(mApp->mTimeInterval->value(), 1);
        mApp->mTimeInterval->setValue(12);
        QCOMPARE(defaults.objectForKey(QStringLiteral("Time Interval")).toInt(), 12);
        mApp->rotate(nullptr); // read at the rotation's start
        QCOMPARE(mApp->mRotationTimer->interval(), 12000);
    }

    void quitsSilentlyWhenUsbAccessFails()
    {
        auto sw = mSim->plug("00001001", 1);
        mSim->setStartFails(true);
        mApp = std::make_unique<ApplicationController>();
        QSignalSpy terminating(mApp.get(), &ApplicationController::terminationRequested);
        mApp->applicationDidFinishLaunching();
        QCOMPARE(terminating.count(), 1);
        QVERIFY(!mApp->hasLaunched());
        QCOMPARE(mApp->mStatusItem, nullptr);
        QVERIFY(gIOWarriorAddedCallBackPtr == nullptr);
        QVERIFY(mAlerts.alerts.isEmpty());
        mApp->applicationWillTerminate(); // touches nothing after such a start
        QVERIFY(sw->log().empty());
    }

    void menuFollowsTheSelectedModel_data()
    {
        QTest::addColumn<int>("identifier"); // -1: the stored switch is not attached
        QTest::addColumn<QString>("model");
        QTest::addColumn<Flags>("enabled");
        QTest::newRow("none") << -1 << "Not connected" << Flags{false, false, false, false, false};
        QTest::newRow("mini") << 2 << "Tarvex mini" << Flags{true, true, false, false, true};
        QTest::newRow("DL") << 3 << "Tarvex Pro DVI DL" << Flags{true, true, true, true, true};
        for (int unknown : {0, 7, 0xFF})
            QTest::newRow(qPrintable(QString::number(unknown)))
                << unknown << "Unknown" << Flags{true, true, true, true, true};
    }
    void menuFollowsTheSelectedModel()
    {
        QFETCH(int, identifier);
        QFETCH(QString, model);
        QFETCH(Flags, enabled);
        if (identifier >= 0)
            mSim->plug("0000B007", std::uint8_t(identifier));
        select(QStringLiteral("0000B007"));
        launch();
        QCOMPARE(modelLine(), model);
        QVERIFY(!mApp->itemWithTag(10)->isEnabled());
        QCOMPARE(enabledTags(), enabled);
        QCOMPARE(mApp->mSwitchList->itemAtIndex(0).title, QStringLiteral("Select"));
        QVERIFY(mApp->mSwitchList->itemAtIndex(1).separator);
        if (identifier < 0) {
            QCOMPARE(mApp->mSwitchList->numberOfItems(), 2);
            QCOMPARE(mApp->mSwitchList->indexOfSelectedItem(), 0);
            QCOMPARE(marks(), (Flags{false, false, false, false}));
        } else {
            QCOMPARE(mApp->mSwitchList->itemAtIndex(2).title, model + QStringLiteral(" (0000B007)"));
            QCOMPARE(mApp->mNumPorts, identifier == 2 ? 2u : 4u);
        }
    }

    void twoSwitchesAreListedAndTheChoiceIsRestored()
    {
        mSim->plug("00001001", 1);
        launchWith("00001002", 3);
        SwitchPopUp *list = mApp->mSwitchList;
        QCOMPARE(list->numberOfItems(), 4);
        QCOMPARE(list->itemAtIndex(2).title, QStringLiteral("Tarvex Pro DVI SL (00001001)"));
        QCOMPARE(list->itemAtIndex(2).tag, 1);
        QCOMPARE(list->itemAtIndex(2).representedObject.toString(), QStringLiteral("00001001"));
        QCOMPARE(list->itemAtIndex(3).tag, 2);
        QCOMPARE(list->indexOfSelectedItem(), 3);
        QVERIFY(list->actionAtIndex(3)->isChecked() && !list->actionAtIndex(2)->isChecked());
        QCOMPARE(modelLine(), QStringLiteral("Tarvex Pro DVI DL"));
        QVERIFY(mSim->switchWithSerial("00001001")->modeSetUp());
    }

    void choosingASwitchStoresItAndSelectChangesOnlyTheMarks()
    {
        auto mini = mSim->plug("00001002", 2);
        launchWith("00001001", 1);
        mini->setActivePort(1);
        mApp->mSwitchList->actionAtIndex(3)->trigger(); // the user picks the mini
        QCOMPARE(DefaultsStore::standard().stringForKey(QStringLiteral("Selected Switch")),
                 QStringLiteral("00001002"));
        QCOMPARE(modelLine(), QStringLiteral("Tarvex mini"));
        QCOMPARE(marks(), (Flags{false, true, false, false}));
        // "Select": the choice and the enabled states stay, only the marks are refreshed.
        mini->setActivePort(0);
        mApp->mSwitchList->actionAtIndex(0)->trigger();
        QCOMPARE(DefaultsStore::standard().stringForKey(QStringLiteral("Selected Switch")),
                 QStringLiteral("00001002"));
        QCOMPARE(modelLine(), QStringLiteral("Tarvex mini"));
        QCOMPARE(enabledTags(), (Flags{true, true, false, false, true}));
        QCOMPARE(marks(), (Flags{true, false, false, false}));
    }

    void activePortMarksOnlyWhatTheSwitchAnswered()
    {
        auto sw = launchWith("00001001", 1, 2);
        QCOMPARE(marks(), (Flags{false, false, true, false}));
        // An unanswered query marks nothing rather than claiming port 1.
        sw->failNextRead(EIO);
        mApp->setStatusIcon();
        QCOMPARE(marks(), (Flags{false, false, false, false}));
        // A port command does not move the marks; the next refresh does.
        mApp->switchToPort4(nullptr);
        QCOMPARE(marks(), (Flags{false, false, false, false}));
        mApp->setStatusIcon();
        QCOMPARE(marks(), (Flags{false, false, false, true}));
    }

    void portCommandsSendExactReports()
    {
        auto sw = launchWith("00001001", 2); // a mini still takes ports 3 and 4 from hot keys
        sw->clearLog();
        mApp->switchToPort3(nullptr);
        mApp->switchToPort1(nullptr);
        mApp->switchToPort4(nullptr);
        mApp->switchToPort2(nullptr);
        QCOMPARE(sw->log().size(), size_t(4)); // nothing but the four reports
        QCOMPARE(sw->log()[0].bytes, (std::array<std::uint8_t, 8>{0x09, 0x03, 0x0B, 0x02, 0x02, 0, 0, 0}));
        QCOMPARE(portSelects(sw->log()), (Selects{{2, 2}, {0, 0}, {3, 3}, {1, 1}}));
        // A port command ends a rotation without the rotation's final select.
        mApp->rotate(nullptr);
        mApp->rotatePorts(nullptr);
        sw->clearLog();
        mApp->switchToPort4(nullptr);
        QVERIFY(!mApp->rotationRunning());
        QCOMPARE(portSelects(sw->log()), (Selects{{3, 3}}));
        DefaultsStore::standard().removeObjectForKey(QStringLiteral("Selected Switch"));
        sw->clearLog();
        mApp->switchToPort1(nullptr); // nothing selected: nothing sent
        QVERIFY(sw->log().empty());
    }

    void rotationVisitsThePortsAndEndsWithAFinalSelect_data()
    {
        QTest::addColumn<int>("identifier");
        QTest::addColumn<int>("activePort");
        QTest::addColumn<Selects>("steps");
        QTest::addColumn<Selects>("final");
        QTest::newRow("SL") << 1 << 1 << Selects{{2, 1}, {3, 1}, {0, 1}, {1, 1}, {2, 1}} << Selects{{2, 2}};
        QTest::newRow("mini") << 2 << 0 << Selects{{1, 0}, {0, 0}, {1, 0}, {0, 0}, {1, 0}} << Selects{{1, 1}};
    }
    void rotationVisitsThePortsAndEndsWithAFinalSelect()
    {
        QFETCH(int, identifier);
        QFETCH(int, activePort);
        QFETCH(Selects, steps);
        QFETCH(Selects, final);
        auto sw = launchWith("00001001", identifier, activePort);
        mApp->rotate(nullptr);
        QVERIFY(mApp->rotationRunning());
        QCOMPARE(mApp->mRotationTimer->interval(), 30000);
        sw->clearLog();
        for (int step = 0; step < steps.size(); ++step)
            mApp->rotatePorts(mApp->mRotationTimer);
        QCOMPARE(portSelects(sw->log()), steps);
        sw->clearLog();
        mApp->rotate(nullptr); // stop: the USB connection follows the shown computer
        QVERIFY(!mApp->rotationRunning());
        QCOMPARE(portSelects(sw->log()), final);
    }

    void rotationWithoutAPortCountStaysOnRealPorts()
    {
        ApplicationController app; // no switch applied yet: 0 ports
        gActiveMachine = 2;
        app.rotatePorts(nullptr);
        app.rotatePorts(nullptr);
        QCOMPARE(gActiveMachine, 0);
    }

    void hotPlugRefreshesAndRemovalStopsRotationSilently()
    {
        auto stays = launchWith("00001001", 1);
        mApp->rotate(nullptr);
        mSim->plug("00001002", 3);
        settle();
        QCOMPARE(mPauses, (QList<unsigned>{300000, 300000, 300000}));
        QCOMPARE(mApp->mSwitchList->numberOfItems(), 4);
        QVERIFY(mApp->rotationRunning()); // a plug leaves the rotation alone
        mPauses.clear();
        stays->clearLog();
        mSim->unplug("00001002");
        settle();
        QVERIFY(!mApp->rotationRunning());
        QVERIFY(portSelects(stays->log()).isEmpty());
        QCOMPARE(mApp->mSwitchList->numberOfItems(), 3);
        QCOMPARE(modelLine(), QStringLiteral("Tarvex Pro DVI SL"));
        QVERIFY(mPauses.isEmpty()); // removal does not wait
    }

    void resumeFromSleepRebuildsTheList()
    {
        auto sw = launchWith("00001001", 1);
        sw->clearLog();
        const int enumerations = mSim->enumerationCount();
        mApp->resumeFromSleep();
        QCOMPARE(mSim->enumerationCount(), enumerations + 1); // fresh nodes, not the stale ones
        QVERIFY(!sw->log().empty());
        const std::array<std::uint8_t, 8> modeSetUp{0x08, 0x01, 0x03, 0, 0, 0, 0, 0};
        QCOMPARE(sw->log().front().bytes, modeSetUp);
        QCOMPARE(modelLine(), QStringLiteral("Tarvex Pro DVI SL"));
    }

    void quitStopsRotationSilentlyAndReleasesTheRegistry()
    {
        auto sw = launchWith("00001001", 1);
        mApp->rotate(nullptr);
        sw->clearLog();
        mApp->applicationWillTerminate();
        QVERIFY(!mApp->rotationRunning());
        QCOMPARE(mApp->mStatusItem, nullptr);
        QCOMPARE(IOWarriorController::sharedApplication(), nullptr);
        // Hot-plug, resume and commands after the end find nothing and do not crash.
        mSim->plug("00001002", 1);
        settle();
        mApp->resumeFromSleep();
        mApp->switchToPort1(nullptr);
        QVERIFY(sw->log().empty());
    }

    void missingPermissionIsExplainedOnce()
    {
        auto sw = mSim->plug("00001001", 1);
        sw->failOpen(EACCES);
        select(QStringLiteral("00001001"));
        launch();
        QCOMPARE(mApp->mSwitchList->itemAtIndex(2).title, QStringLiteral("(no permission) (00001001)"));
        QCOMPARE(modelLine(), QStringLiteral("(no permission)"));
        QCOMPARE(enabledTags(), (Flags{false, false, false, false, false}));
        QCOMPARE(permissionAlerts(), 1);
        QVERIFY(mAlerts.alerts.last().message.contains(QStringLiteral("sim:")));
        mApp->updateAttachedDevices();
        QCOMPARE(permissionAlerts(), 1);
        sw->failOpen(0); // the rule is in place: the next refresh shows the model
        mApp->updateAttachedDevices();
        QCOMPARE(modelLine(), QStringLiteral("Tarvex Pro DVI SL"));
    }

    void firmwareWindowShowsTheSelectedSwitchsVersion()
    {
        launchWith("00001001", 1)->setFirmwareVersion(1, -1);
        mApp->upgradeFirmware(nullptr);
        QVERIFY(mApp->mFirmwareUpgrdWnd->isVisible());
        QCOMPARE(mApp->mVersion->text(), QStringLiteral("1.-1"));
    }

    // Two switches come and go while port commands run and a rotation is stepped; the
    // asan build checks that nothing of the churn leaks or touches freed nodes.
    void plugCyclesWithCommandsAndRotationLeaveMenuAndListConsistent()
    {
        select(QStringLiteral("00001001"));
        launch();
        for (int cycle = 0; cycle < 200; ++cycle) {
            mSim->plug("00001001", 1);
            mSim->plug("00001002", 2);
            if (cycle % 2)
                settle(); // on even cycles the commands run before the plug is heard of
            mApp->switchToPort2(nullptr);
            mApp->rotate(nullptr);
            mApp->rotatePorts(mApp->mRotationTimer);
            const char *first = cycle % 3 ? "00001002" : "00001001";
            mSim->unplug(first);
            mApp->rotatePorts(mApp->mRotationTimer); // may hit the switch that just left
            settle();
            QVERIFY(!mApp->rotationRunning());
            mApp->switchToPort1(nullptr);
            mSim->unplug(first == std::string("00001001") ? "00001002" : "00001001");
            if (cycle % 5 == 0)
                settle();
        }
        settle();
        QCOMPARE(mApp->mSwitchList->numberOfItems(), 2);
        QCOMPARE(modelLine(), QStringLiteral("Not connected"));
        QCOMPARE(enabledTags(), (Flags{false, false, false, false, false}));
        // Back with one switch attached: list, choice and menu agree with the bus.
        auto sl = mSim->plug("00001001", 1);
        settle();
        QCOMPARE(mApp->mSwitchList->numberOfItems(), 3);
        QCOMPARE(mApp->mSwitchList->indexOfSelectedItem(), 2);
        QCOMPARE(modelLine(), QStringLiteral("Tarvex Pro DVI SL"));
        QCOMPARE(enabledTags(), (Flags{true, true, true, true, true}));
        sl->clearLog();
        mApp->switchToPort3(nullptr);
        QCOMPARE(portSelects(sl->log()), (Selects{{2, 2}}));
    }

    void launchAtLoginWritesAndRemovesOnlyItsOwnEntry()
    {
        ApplicationController app;
        QCheckBox &box = *app.mLaunchAtLoginBox;
        box.setChecked(true);
        app.launchAtLogin(&box);
        app.launchAtLogin(&box); // twice on leaves one entry
        QCOMPARE(QDir(autostartDir()).entryList(QDir::Files), QStringList{QStringLiteral("tarvexcc.desktop")});
        QVERIFY(AutostartEntry(QCoreApplication::applicationFilePath()).isInstalled());
        QVERIFY(app.mLaunchAtLoginItem->isChecked());
        box.setTristate(true);
        box.setCheckState(Qt::PartiallyChecked); // a mixed state changes nothing
        app.launchAtLogin(&box);
        QVERIFY(QFile::exists(entryPath()));
        box.setChecked(false);
        app.launchAtLogin(&box);
        QVERIFY(!QFile::exists(entryPath()));
        QVERIFY(!app.mLaunchAtLoginItem->isChecked());

        // Another program's entry, and one of our name that starts another copy, stay.
        writeFile(autostartDir() + QStringLiteral("/other.desktop"), "[Desktop Entry]\nExec=/usr/bin/other\n");
        writeFile(entryPath(), "[Desktop Entry]\nType=Application\nExec=/opt/elsewhere/tarvexcc --flag\n");
        app.launchAtLogin(app.mLaunchAtLoginItem);
        QCOMPARE(QDir(autostartDir()).entryList(QDir::Files).size(), qsizetype(2));
        QVERIFY(!app.mLaunchAtLoginBox->isChecked());
        QVERIFY(mAlerts.alerts.isEmpty());
    }

    void loginCheckBoxShowsTheEntryWhenTheWindowOpens()
    {
        ApplicationController app;
        AutostartEntry(QCoreApplication::applicationFilePath()).install();
        QVERIFY(!app.mLaunchAtLoginBox->isChecked());
        app.configureHotkeys(nullptr);
        QVERIFY(app.mLaunchAtLoginBox->isChecked());
    }

    void failedLoginEntryIsReportedAndNotShownAsDone()
    {
        writeFile(autostartDir(), "a file where the directory should be");
        ApplicationController app;
        app.mLaunchAtLoginItem->setChecked(true);
        app.launchAtLogin(app.mLaunchAtLoginItem);
        QCOMPARE(mAlerts.alerts.size(), qsizetype(1));
        QVERIFY(mAlerts.alerts.first().message.contains(QStringLiteral("Launch at Login")));
        QVERIFY(!app.mLaunchAtLoginItem->isChecked() && !app.mLaunchAtLoginBox->isChecked());
    }

    void execLinesQuoteAwkwardPaths()
    {
        for (const QString &path : {QStringLiteral("/home/a b/bin/tarvexcc"),
                                   QStringLiteral("/opt/100%/\"q\"/$x/`y`/back\\slash/tarvexcc")}) {
            AutostartEntry entry(path);
            QVERIFY(entry.install());
            QVERIFY(entry.isInstalled());
            QVERIFY(!AutostartEntry(path + QStringLiteral("x")).isInstalled());
            QVERIFY(entry.uninstall());
            QVERIFY(!QFile::exists(entry.path()));
        }
    }

    void helpReloadsIntoOneCopyAndPrints()
    {
        ApplicationController app;
        app.showHelp(nullptr);
        QVERIFY(app.mHelpWindow->isVisible());
        const QString once = app.mTextview->toPlainText();
        QVERIFY(once.contains(QStringLiteral("install-udev-rule")));
        app.mTextview->append(QStringLiteral("scribble"));
        app.showHelp(nullptr);
        QCOMPARE(app.mTextview->toPlainText(), once);

        const QString pdf = privateConfigHome().filePath(QStringLiteral("help.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        app.printHelpTo(&printer);
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
