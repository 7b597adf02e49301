// The tray application against simulated switches: start-up and shut-down, the switch list
// and menu state, hot-plug refreshes that leave the event loop free, resume, the login entry
// and the preferences' period, and help.
#include "../../unit/firmware/LockHolder.h"
#include "AutostartEntry.h"
#include "HelpWindowController.h"
#include "HotKeyBindings.h"
#include "PTHotKeys/PTHotKey.h"
#include "PreferencesWindowController.h"
#include "ResourceImages.h"
#include "SwitchPopUp.h"
#include "TarvexCCApp.h"
#include "TestSupport.h"
#include "switch/PortNames.h"
#include "switch/PortRotation.h"
#include "usb/IOWarriorController.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QDoubleSpinBox>
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
        QTest::addColumn<QList<int>>("identifiers"); // of the switches 0000B007, 0000B008 … attached
        QTest::addColumn<QString>("stored");         // the choice before the start
        QTest::addColumn<QString>("model");
        QTest::addColumn<Flags>("enabled");
        QTest::addColumn<QString>("toolTip");
        const Flags mini{true, true, false, false, true, true}, off(6, false);
        const QString named = QStringLiteral(" 0000B007 — Port 1 — Work laptop");
        const QString gone = QStringLiteral("Switch 0000B0FF is not connected");
        QTest::newRow("none") << QList<int>{} << "0000B0FF" << gone << off << gone;
        QTest::newRow("mini") << QList<int>{2} << "0000B007" << "Tarvex mini" << mini << "Tarvex mini" + named;
        QTest::newRow("DL") << QList<int>{3} << "0000B007" << "Tarvex Pro DVI DL" << Flags(6, true)
                            << "Tarvex Pro DVI DL" + named;
        for (int unknown : {0, 7, 0xFF})
            QTest::newRow(qPrintable(QString::number(unknown)))
                << QList<int>{unknown} << "0000B007" << "Unknown" << Flags(6, true) << "Unknown" + named;
        // A first start adopts the only switch; among several the user is led to choose.
        QTest::newRow("first, one") << QList<int>{2} << "" << "Tarvex mini" << mini << "Tarvex mini" + named;
        QTest::newRow("first, two") << QList<int>{2, 1} << "" << "Choose a switch" << off << "Choose a switch";
        QTest::newRow("chosen gone") << QList<int>{2, 3} << "0000B0FF" << gone + ". Choose a switch" << off
                                     << gone + ". Choose a switch";
        QTest::newRow("twins") << QList<int>{2, 2} << "0000B007" << "Tarvex mini 0000B007" << mini << "Tarvex mini" + named;
    }
    void menuFollowsTheSelectedModelAndBuildsNoWindow()
    {
        QFETCH(QList<int>, identifiers);
        QFETCH(QString, stored);
        QFETCH(QString, model);
        QFETCH(Flags, enabled);
        QFETCH(QString, toolTip);
        for (int i = 0; i < identifiers.size(); ++i)
            h.sim->plug("0000B00" + std::to_string(7 + i), std::uint8_t(identifiers[i]));
        QVERIFY(PortNames(DefaultsStore::standard()).setName("0000B007", 1, QStringLiteral("Work laptop")));
        h.launch(stored.isEmpty() ? nullptr : qPrintable(stored));
        QCOMPARE(h.modelLine(), model);
        QCOMPARE(h.enabledTags(), enabled);
        QCOMPARE(h.app->statusMenu().toolTip(), toolTip);
        QCOMPARE(h.app->itemWithTag(1)->text().startsWith(QStringLiteral("Port 1 — Work laptop")), enabled[0]);
        QCOMPARE(DefaultsStore::standard().stringForKey(QStringLiteral("Selected Switch")),
                 stored.isEmpty() && identifiers.size() == 1 ? QStringLiteral("0000B007") : stored);
        QCOMPARE(list().itemAtIndex(0).title, QStringLiteral("Select"));
        QVERIFY(list().itemAtIndex(1).separator && !list().actionAtIndex(0)->isChecked());
        QCOMPARE(list().numberOfItems(), 2 + identifiers.size() + (identifiers.size() > 1 ? 2 : 0)); // "All Switches Together"
        QCOMPARE(h.app->portRotation().portCount(), enabled[0] ? enabled[2] ? 4u : 2u : 0u);
        for (QWidget *widget : QApplication::topLevelWidgets()) // windows are made when first opened
            QVERIFY(!widget->objectName().endsWith(QLatin1String("Window")));
        // Only the request to choose leads anywhere: to the list.
        QAction *modelLine = h.app->itemWithTag(StatusMenu::TagModelLine);
        QCOMPARE(modelLine->isEnabled(), model.endsWith(QStringLiteral("Choose a switch")));
        modelLine->trigger();
        QCOMPARE(list().menu()->isVisible(), modelLine->isEnabled());
        // The tray icon is made when a tray host comes (none offscreen), with the same tooltip.
        h.app->statusMenu().createStatusItem();
        QCOMPARE(h.app->statusMenu().statusItem()->toolTip(), toolTip);
        list().menu()->hide();
    }

    void choosingASwitchStoresItAndOurCommandsMoveTheMark()
    {
        auto mini = h.sim->plug("00001002", 2);
        h.sim->plug("00001001", 1);
        h.launch("00001001");
        QCOMPARE(list().itemAtIndex(5).title, QStringLiteral("Tarvex mini (00001002)"));
        QVERIFY(list().actionAtIndex(4)->isChecked() && list().itemAtIndex(5).tag == 2);
        mini->setActivePort(1);
        list().actionAtIndex(5)->trigger(); // the user picks the mini
        QCOMPARE(DefaultsStore::standard().stringForKey(QStringLiteral("Selected Switch")), QStringLiteral("00001002"));
        QCOMPARE(h.modelLine(), QStringLiteral("Tarvex mini"));
        QCOMPARE(marks(), (Flags{false, true, false, false}));
        QCOMPARE(h.app->statusMenu().toolTip(), QStringLiteral("Tarvex mini 00001002 — Port 2"));
        // Our own command moves the mark at once; an unanswered query marks nothing.
        h.app->switchToPort1(nullptr);
        QCOMPARE(marks(), (Flags{true, false, false, false}));
        QCOMPARE(h.app->statusMenu().toolTip(), QStringLiteral("Tarvex mini 00001002 — Port 1"));
        mini->failNextRead(EIO);
        h.app->setStatusIcon();
        QCOMPARE(marks(), Flags(4, false));
        QCOMPARE(h.app->statusMenu().toolTip(), QStringLiteral("Tarvex mini 00001002"));
        // The rotation item shows whether a rotation runs, and its period; each step moves the mark.
        QAction *rotate = h.app->itemWithTag(StatusMenu::TagRotate);
        storeDefault(PortRotation::timeIntervalKey(), 12);
        rotate->trigger();
        QVERIFY(rotate->isChecked() && rotate->text().startsWith(QStringLiteral("Rotate (every 12 s)")));
        QVERIFY(QMetaObject::invokeMethod(h.app->portRotation().timer(), "timeout"));
        QCOMPARE(marks(), (Flags{false, true, false, false}));
        storeDefault(PortRotation::timeIntervalKey(), 30);
        emit h.app->mStatusMenu->aboutToShow(); // the running rotation keeps its period
        QVERIFY(rotate->text().startsWith(QStringLiteral("Rotate (every 12 s)")));
        h.app->rotate(nullptr);
        QVERIFY(!rotate->isChecked() && rotate->text().startsWith(QStringLiteral("Rotate (every 30 s)")));
        // tarvexctl select while we run: the menu follows.
        DefaultsStore other(DefaultsStore::standard().filePath());
        QVERIFY(other.setObjectForKey(QStringLiteral("Selected Switch"), QStringLiteral("00001001")));
        QTRY_COMPARE(h.modelLine(), QStringLiteral("Tarvex Pro DVI SL"));
        QVERIFY(list().actionAtIndex(4)->isChecked());
        // A choice that cannot be written is told once, and still applies.
        const QString dir = privateConfigHome().filePath(QStringLiteral("TarvexCC"));
        QVERIFY(QDir(dir).removeRecursively() && QFile(dir).open(QIODevice::WriteOnly));
        list().actionAtIndex(4)->trigger();
        list().actionAtIndex(5)->trigger();
        QCOMPARE(h.alerts.alerts.size(), 1);
        QVERIFY(h.alerts.alerts[0][1].startsWith(QStringLiteral("The choice of switch could not be saved")));
        QCOMPARE(h.modelLine(), QStringLiteral("Tarvex mini"));
        QFile::remove(dir);
    }

    // "All Switches Together": a command moves both switches, a port the mini lacks is told
    // once, the header, marks and tooltip show both; the choice survives a restart, and
    // choosing it again returns to the switch chosen before.
    void allSwitchesTogether()
    {
        auto mini = h.sim->plug("00001002", 2);
        auto sl = h.sim->plug("00001001", 1);
        h.launch("00001002");
        QCOMPARE(list().itemAtIndex(2).title, QStringLiteral("All Switches Together"));
        list().actionAtIndex(2)->trigger();
        QCOMPARE(h.modelLine(), QStringLiteral("All switches (2)"));
        QCOMPARE(h.enabledTags(), Flags(6, true));
        sl->clearLog();
        mini->clearLog();
        h.app->switchToPort2(nullptr);
        QCOMPARE(portSelects(sl->log()) + portSelects(mini->log()), (Selects{{1, 1}, {1, 1}}));
        QCOMPARE(marks(), (Flags{false, true, false, false}));
        h.app->switchToPort3(nullptr);
        h.app->switchToPort3(nullptr);
        QCoreApplication::processEvents();
        QCOMPARE(portSelects(sl->log()).size() + portSelects(mini->log()).size(), 4);
        QCOMPARE(h.alerts.alerts.size(), 1);
        QCOMPARE(h.alerts.alerts[0][1], QStringLiteral("Not every switch could follow:\nTarvex mini 00001002 has no port 3."));
        // Port 3 is where every switch that has it is; port 2 only where the mini is.
        QCOMPARE(marks(), (Flags{false, false, true, false}));
        QCOMPARE(h.app->itemWithTag(2)->icon().pixmap(16).toImage(), QIcon(QStringLiteral(":/images/Mixed.png")).pixmap(16).toImage());
        QCOMPARE(h.app->statusMenu().toolTip(),
                 QStringLiteral("All switches (2)\nTarvex Pro DVI SL 00001001 — Port 3\nTarvex mini 00001002 — Port 2"));
        // A name given now is that port's on each switch.
        h.app->configureHotkeys(nullptr);
        QLineEdit *field = h.app->preferences().portNameField(1);
        QTest::keyClicks(field, QStringLiteral("Desk"));
        QTest::keyClick(field, Qt::Key_Return);
        const PortNames names(DefaultsStore::standard());
        QCOMPARE(names.name(QStringLiteral("00001001"), 1) + names.name(QStringLiteral("00001002"), 1), QStringLiteral("DeskDesk"));
        DefaultsStore::standard().removeObjectForKey(PortNames::kDefaultsKey);
        h.app->applicationWillTerminate();
        h.launch();
        QCOMPARE(h.modelLine(), QStringLiteral("All switches (2)"));
        QVERIFY(list().actionAtIndex(2)->isChecked());
        list().actionAtIndex(2)->trigger();
        QCOMPARE(h.modelLine(), QStringLiteral("Tarvex mini"));
        QVERIFY(list().actionAtIndex(5)->isChecked());
        // Another program turns the choice on: the menu follows.
        QVERIFY(DefaultsStore::standard().reload().isEmpty());
        DefaultsStore other(DefaultsStore::standard().filePath());
        QVERIFY(other.setObjectForKey(QStringLiteral("Switch Together"), true));
        QTRY_COMPARE(h.modelLine(), QStringLiteral("All switches (2)"));
    }

    // Another program writing firmware: commands and exchanges are refused and said so, once
    // until one gets through again; the mark stays.
    void aSwitchHeldElsewhereIsToldOncePerBurst()
    {
        auto sw = h.sim->plug("00001001", 1);
        h.launch("00001001");
        sw->clearLog();
        for (int burst = 0; burst < 2; ++burst) {
            {
                LockHolder other("00001001", SwitchLock::Purpose::FirmwareTransfer);
                h.app->switchToPort2(nullptr);
                h.app->rotate(nullptr);
                h.app->updateAttachedDevices();
                QCoreApplication::processEvents();
                QCOMPARE(marks(), (Flags{true, false, false, false}));
                QCOMPARE(h.modelLine(), QStringLiteral("Tarvex Pro DVI SL")); // as known before
                QCOMPARE(list().itemAtIndex(2).title, QStringLiteral("(busy) (00001001)"));
            }
            h.app->switchToPort1(nullptr);
        }
        QCOMPARE(h.alerts.alerts.size(), 2);
        QCOMPARE(h.alerts.alerts[1][1],
                 QStringLiteral("The switch is busy: a firmware upgrade is running in another program."));
        QCOMPARE(portSelects(sw->log()), (Selects{{0, 0}, {0, 0}}));
    }

    // A port hot key with switches attached and none chosen sends nothing and says so once per
    // press: in the log, and (offscreen there is no tray for a message) by opening the menu.
    void aPortHotKeyWithNoSwitchChosenSaysSoOncePerPress()
    {
        auto sl = h.sim->plug("00001001", 1);
        auto mini = h.sim->plug("00001002", 2);
        h.launch();
        sl->clearLog();
        mini->clearLog();
        QSignalSpy opened(h.app->statusMenu().menu(), &QMenu::aboutToShow);
        const QRegularExpression said(QStringLiteral("^The hot key did nothing: no switch is connected or chosen"));
        QTest::failOnWarning(said); // beyond the one expected per press
        for (int press = 1; press <= 2; ++press) {
            QTest::ignoreMessage(QtWarningMsg, said);
            h.app->hotKeys().hotKey(2)->invoke();
            QCOMPARE(opened.count(), press);
            h.app->statusMenu().menu()->hide();
        }
        QCOMPARE(portSelects(sl->log()) + portSelects(mini->log()), Selects{});
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
        QCOMPARE(list().numberOfItems(), 6);
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
        QCOMPARE(h.enabledTags(), Flags(6, false));
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
        QCOMPARE(prefs.timeInterval()->value(), 86400.0);
        prefs.timeInterval()->setValue(12);
        QCOMPARE(DefaultsStore::standard().objectForKey(PortRotation::timeIntervalKey()), QJsonValue(12));
        prefs.timeInterval()->selectAll();
        QTest::keyClicks(prefs.timeInterval(), QStringLiteral("2.5")); // two and a half, not 25
        QCOMPARE(DefaultsStore::standard().objectForKey(PortRotation::timeIntervalKey()), QJsonValue(2.5));
        // Titles leave the program's name to the desktop; the marks are drawn for 1.5× and 2×.
        QCOMPARE(prefs.window()->windowTitle() + h.app->help().window()->windowTitle(), QStringLiteral("PreferencesHelp"));
        QCOMPARE(resourceIcon(QStringLiteral("Active")).availableSizes(), (QList<QSize>{{16, 16}, {24, 24}, {32, 32}}));
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

    void preferencesNameThePortsOfTheSelectedSwitch()
    {
        h.sim->plug("00001002", 2);
        h.launch("00001002");
        h.app->configureHotkeys(nullptr);
        PreferencesWindowController &prefs = h.app->preferences();
        QVERIFY(!prefs.portNameField(2)->isHidden() && prefs.portNameField(3)->isHidden()); // a mini has two
        // No gap where the mini's missing rows would be.
        QCOMPARE(prefs.window()->height(), prefs.window()->heightForWidth(prefs.window()->width()));
        // Port, typed, the name then stored, the menu title, why it was refused (kept in the field).
        const QList<std::tuple<int, QString, QString, QString, QString>> rows{
            {2, " Gaming & TV ", "Gaming & TV", "Port 2 — Gaming && TV", ""},
            {2, "3", "Gaming & TV", "Port 2 — Gaming && TV", "a port name cannot be a number"},
            {1, "gaming & tv", "", "Port 1", "port 2 is already named \"Gaming & TV\""}, // case does not count
            {2, "", "", "Port 2", ""}};                                                  // removed
        for (const auto &[port, typed, stored, title, problem] : rows) {
            QLineEdit *field = prefs.portNameField(port);
            field->clear();
            QTest::keyClicks(field, typed);
            QTest::keyClick(field, Qt::Key_Return);
            QCOMPARE(PortNames(DefaultsStore::standard()).name(QStringLiteral("00001002"), port), stored);
            QCOMPARE(field->text() + prefs.portNameProblem(port), problem.isEmpty() ? stored : typed + problem);
            QCOMPARE(h.app->itemWithTag(port)->text(), title);
            QCOMPARE(prefs.window()->findChild<QLabel *>("mHotkeyLabel" + QString::number(port))->text(), title + ":");
        }
        QVERIFY(h.alerts.alerts.isEmpty()); // said beside the field, no box
        // tarvexctl names a port while we run: the menu and the tooltip follow, our own writes
        // are no news, and a name still being typed here stays.
        QVERIFY(DefaultsStore::standard().reload().isEmpty());
        DefaultsStore other(DefaultsStore::standard().filePath());
        QVERIFY(PortNames(other).setName(QStringLiteral("00001002"), 1, QStringLiteral("Work laptop")));
        QTRY_COMPARE(h.app->itemWithTag(1)->text(), QStringLiteral("Port 1 — Work laptop"));
        QVERIFY(h.app->statusMenu().toolTip().endsWith(QStringLiteral("Port 1 — Work laptop")));
        QCOMPARE(prefs.portNameField(1)->text(), QStringLiteral("gaming & tv"));
        h.sim->unplug("00001002");
        h.settle();
        QVERIFY(!prefs.portNameField(1)->isEnabled());
    }

    // At logout nobody answers a box: the transfer under way ends, its outcome is logged, and
    // the program quits.
    void aQuitBehindATransferLogsItsOutcomeAndEnds()
    {
        h.app = std::make_unique<ApplicationController>();
        DeviceGate::instance().begin(QStringLiteral("firmware transfer"));
        h.app->terminate(nullptr);
        QTest::ignoreMessage(QtWarningMsg, "Tarvex CC: Firmware Upgrade finished");
        AlertPresenter::inform(QStringLiteral("Firmware\nUpgrade finished"));
        const qsizetype shown = h.alerts.alerts.size();
        QTimer::singleShot(0, [] {
            DeviceGate::instance().end();
            QTimer::singleShot(0, [] { QCoreApplication::exit(1); }); // only if the quit never came
        });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(shown, 0);
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

TARVEX_GUI_TEST_MAIN(ApplicationControllerTest, TarvexCCApp)

#include "ApplicationControllerTest.moc"
