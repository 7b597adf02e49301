// The tray application's five hot-key bindings: made from the defaults at launch, registered in
// order, shown in the fields and menu items, changed through the capture sheet, pressed, and
// saved at quit; the grabs step aside while the sheet captures. The hot-key service is a fake;
// the switch is simulated.
#include "ApplicationController.h"
#include "FakeHotKeyService.h"
#include "TestSupport.h"

#include "PTHotKeys/FixedUsKeyboardLayout.h"
#include "PTHotKeys/PTHotKey.h"
#include "PTHotKeys/PTHotKeyCenter.h"
#include "PTHotKeys/PTKeyCodeTranslator.h"
#include "PTKeyBroadcaster.h"
#include "PTKeyComboPanel.h"
#include "switch/DefaultsStore.h"
#include "usb/sim/SimHidPlatform.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTranslator>
#include <QtTest>

#include <linux/input-event-codes.h>
#include <memory>

using tarvex::SimHidPlatform;

namespace {

FakeHotKeyService *gService = nullptr;

const QStringList kKeys{QStringLiteral("Port 1"), QStringLiteral("Port 2"), QStringLiteral("Port 3"),
                        QStringLiteral("Port 4"), QStringLiteral("Rotate")};

QJsonObject stored(int keyCode, int modifiers)
{
    return QJsonObject{{QStringLiteral("keyCode"), keyCode}, {QStringLiteral("modifiers"), modifiers}};
}

// What the registrations of the fake service hold, in the order they were made.
QList<QPair<qint32, qint32>> registered()
{
    QList<QPair<qint32, qint32>> combos;
    for (const auto &registration : std::as_const(gService->registrations))
        combos.append({registration.keyCode, registration.modifiers});
    return combos;
}

} // namespace

class HotKeyBindingsTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimHidPlatform> mSim;
    std::unique_ptr<ApplicationController> mApp;
    ScriptedAlertPresenter mAlerts;

    void launch()
    {
        mApp = std::make_unique<ApplicationController>();
        mApp->applicationDidFinishLaunching();
        QVERIFY(mApp->hasLaunched());
    }
    QList<QLineEdit *> fields() const
    {
        return {mApp->mHotkeyField1, mApp->mHotkeyField2, mApp->mHotkeyField3, mApp->mHotkeyField4,
                mApp->mHotkeyField5};
    }
    QStringList fieldTexts() const
    {
        QStringList texts;
        for (QLineEdit *field : fields())
            texts.append(field->text());
        return texts;
    }
    QList<QAction *> menuItems() const
    {
        return {mApp->mMenuHotkey1, mApp->mMenuHotkey2, mApp->mMenuHotkey3, mApp->mMenuHotkey4,
                mApp->mMenuHotkey5};
    }
    QPushButton *changeButton(int tag) const
    {
        for (QPushButton *button : mApp->mHotkeyConfigWnd->findChildren<QPushButton *>()) {
            if (button->property("tag").toInt() == tag)
                return button;
        }
        return nullptr;
    }
    // The stored form as the file on disk holds it, which is what the next start reads.
    static QJsonObject savedOnDisk()
    {
        QFile file(DefaultsStore::standard().filePath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

private slots:
    void initTestCase()
    {
        privateConfigHome();
        AlertPresenter::install(&mAlerts);
        ApplicationController::setHotplugPause([](unsigned) {});
        PTKeyCodeTranslator::setLayoutSource(std::make_unique<FixedUsKeyboardLayout>());
        PTHotKeyCenter::setSharedServiceFactory([] {
            auto service = std::make_unique<FakeHotKeyService>();
            gService = service.get();
            return service;
        });
        PTHotKeyCenter::sharedCenter();
        QVERIFY(gService != nullptr);
    }

    void init()
    {
        DefaultsStore &defaults = DefaultsStore::standard();
        defaults.removeObjectForKey(QStringLiteral("Selected Switch"));
        for (const QString &key : kKeys)
            defaults.removeObjectForKey(key);
        gService->refused.clear();
        gService->registerCalls = 0;
        mSim = std::make_unique<SimHidPlatform>();
        IOWarriorSetPlatform(mSim.get());
    }

    void cleanup()
    {
        if (mApp && mApp->hasLaunched())
            mApp->applicationWillTerminate();
        mApp.reset();
        // Nothing of a test may stay grabbed for the next one.
        QVERIFY(gService->registrations.isEmpty());
        IOWarriorClearInterfaceList();
        IOWarriorSetPlatform(nullptr);
        mSim.reset();
    }

    void firstLaunchHasFiveClearBindingsAndQuitStoresThem()
    {
        launch();
        QCOMPARE(fieldTexts(), QStringList(5, QStringLiteral("(None)")));
        QCOMPARE(gService->registerCalls, 0);
        QCOMPARE(mApp->mMenuHotkey1->text(), QStringLiteral("Port 1"));
        QCOMPARE(mApp->mMenuHotkey5->text(), QStringLiteral("Rotate"));
        QCOMPARE(mApp->mHotkey3->identifier(), QStringLiteral("Port 3"));
        QCOMPARE(mApp->mHotkey3->name(), QStringLiteral("Port 3"));
        QCOMPARE(mApp->mHotkey5->target(), mApp.get());
        QCOMPARE(mApp->mHotkey5->action(), QByteArray("rotate"));

        mApp->applicationWillTerminate();
        QCOMPARE(mApp->mHotkey1, nullptr);
        QCOMPARE(mApp->mHotkey5, nullptr);
        const QJsonObject disk = savedOnDisk();
        for (const QString &key : kKeys)
            QCOMPARE(disk.value(key).toObject(), stored(-1, -1));
    }

    void storedCombinationsAreRestoredAndRegisteredInOrder()
    {
        DefaultsStore &defaults = DefaultsStore::standard();
        defaults.setObjectForKey(QStringLiteral("Rotate"), stored(0x7A, 0x1000 | 0x8000)); // ^F1
        defaults.setObjectForKey(QStringLiteral("Port 1"), stored(18, 0x100));             // ⌘1
        defaults.setObjectForKey(QStringLiteral("Port 2"), stored(19, 0x300));             // ⌘⇧2
        defaults.setObjectForKey(QStringLiteral("Port 3"), stored(0, 0x800));              // ⌥A
        defaults.setObjectForKey(QStringLiteral("Port 4"), QStringLiteral("garbage"));
        launch();
        QCOMPARE(registered(), (QList<QPair<qint32, qint32>>{
                                   {18, 0x100}, {19, 0x300}, {0, 0x800}, {0x7A, 0x9000}}));
        QCOMPARE(fieldTexts(), (QStringList{QStringLiteral("⌘1"), QStringLiteral("⌘⇧2"),
                                            QStringLiteral("⌥A"), QStringLiteral("(None)"),
                                            QStringLiteral("^F1")}));
        QCOMPARE(mApp->mMenuHotkey2->text(), QStringLiteral("Port 2\t⌘⇧2"));
        QCOMPARE(mApp->mMenuHotkey4->text(), QStringLiteral("Port 4"));
        QCOMPARE(mApp->mMenuHotkey5->text(), QStringLiteral("Rotate\t^F1"));
        QCOMPARE(mApp->mMenuHotkey2->property("keyEquivalent").toString(), QStringLiteral("2"));
        QCOMPARE(mApp->mMenuHotkey2->property("keyEquivalentModifierMask").toUInt(), 0x100000u | 0x20000u);
        for (int binding = 1; binding <= 5; ++binding)
            QVERIFY(mApp->hotkeyFailure(binding).isEmpty());

        // Quit writes every binding back, the unchanged ones and the unreadable one too.
        mApp->applicationWillTerminate();
        const QJsonObject disk = savedOnDisk();
        QCOMPARE(disk.value(QStringLiteral("Port 1")).toObject(), stored(18, 0x100));
        QCOMPARE(disk.value(QStringLiteral("Port 3")).toObject(), stored(0, 0x800));
        QCOMPARE(disk.value(QStringLiteral("Port 4")).toObject(), stored(-1, -1));
        QCOMPARE(disk.value(QStringLiteral("Rotate")).toObject(), stored(0x7A, 0x9000));
    }

    void refusedCombinationIsKeptAndShownAsNotActive()
    {
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Port 1"), stored(18, 0x300));
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Port 2"), stored(19, 0x300));
        gService->refused.append({18, 0x300});
        launch();
        const QString reason = QStringLiteral("Another application already uses this key combination.");
        QCOMPARE(mApp->hotkeyFailure(1), reason);
        QCOMPARE(mApp->mHotkeyField1->text(), QStringLiteral("⌘⇧1 — not active: ") + reason);
        QCOMPARE(mApp->mHotkeyField2->text(), QStringLiteral("⌘⇧2"));
        QCOMPARE(mApp->mHotkey1->keyCombo(), PTKeyCombo(18, 0x300));
        QCOMPARE(mApp->mMenuHotkey1->text(), QStringLiteral("Port 1\t⌘⇧1"));
        QCOMPARE(mApp->mMenuHotkey1->toolTip(), QStringLiteral("⌘⇧1 — not active: ") + reason);
        QVERIFY(!mApp->mMenuHotkey2->toolTip().contains(QStringLiteral("not active")));
        QCOMPARE(registered(), (QList<QPair<qint32, qint32>>{{19, 0x300}}));

        // Once the other program lets go, choosing the combination again activates it.
        gService->refused.clear();
        mApp->setHotkey(changeButton(1));
        PTKeyComboPanel::sharedPanel()->ok();
        QVERIFY(mApp->hotkeyFailure(1).isEmpty());
        QCOMPARE(mApp->mHotkeyField1->text(), QStringLiteral("⌘⇧1"));
        QVERIFY(!mApp->mMenuHotkey1->toolTip().contains(QStringLiteral("not active")));

        mApp->applicationWillTerminate();
        QCOMPARE(savedOnDisk().value(QStringLiteral("Port 1")).toObject(), stored(18, 0x300));
    }

    void notActiveTextIsTranslated()
    {
        QTranslator german;
        QVERIFY(german.load(QStringLiteral(":/i18n/tarvexcc_de.qm")));
        QCoreApplication::installTranslator(&german);
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Port 4"), stored(21, 0x100));
        gService->refused.append({21, 0x100});
        launch();
        QCOMPARE(mApp->mHotkeyField4->text(),
                 QStringLiteral("⌘4 – nicht aktiv: Ein anderes Programm verwendet diese "
                                "Tastenkombination bereits."));
        QCOMPARE(mApp->mHotkeyField1->text(), QStringLiteral("(Keine)"));
        mApp->applicationWillTerminate();
        QCoreApplication::removeTranslator(&german);
    }

    void sheetChangesTheBindingAndRegistersItAgain()
    {
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Rotate"), stored(18, 0x100));
        launch();
        mApp->configureHotkeys(nullptr);
        QVERIFY(mApp->mHotkeyConfigWnd->isVisible());

        // The user clicks "Change…" beside Rotate and presses command-shift-K in the sheet.
        QTest::mouseClick(changeButton(5), Qt::LeftButton);
        PTKeyComboPanel *panel = PTKeyComboPanel::sharedPanel();
        QVERIFY(panel->isSheet());
        QCOMPARE(panel->window()->parentWidget(), mApp->mHotkeyConfigWnd);
        QCOMPARE(panel->keyBindingName(), QStringLiteral("Rotate"));
        QCOMPARE(panel->keyCombo(), PTKeyCombo(18, 0x100));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier,
                        quint32(KEY_K + 8), 0, 0, QString(), false, 1);
        QApplication::sendEvent(panel->keyBroadcaster(), &press);
        QCOMPARE(panel->keyCombo(), PTKeyCombo(0x28, 0x300));
        // The binding changes only when the sheet ends; meanwhile no grab takes any key.
        QCOMPARE(mApp->mHotkey5->keyCombo(), PTKeyCombo(18, 0x100));
        QVERIFY(registered().isEmpty());
        panel->ok();

        QVERIFY(!panel->isSheet());
        QCOMPARE(registered(), (QList<QPair<qint32, qint32>>{{0x28, 0x300}}));
        QCOMPARE(mApp->mHotkeyField5->text(), QStringLiteral("⌘⇧K"));
        QCOMPARE(mApp->mMenuHotkey5->text(), QStringLiteral("Rotate\t⌘⇧K"));
        QVERIFY(!gService->press(18, 0x100));
        QVERIFY(gService->press(0x28, 0x300));
        QVERIFY(mApp->rotationRunning());
        QVERIFY(gService->press(0x28, 0x300));
        QVERIFY(!mApp->rotationRunning());
        // Not stored before quit.
        QCOMPARE(DefaultsStore::standard().objectForKey(QStringLiteral("Rotate")).toObject(),
                 stored(18, 0x100));
        mApp->applicationWillTerminate();
        QCOMPARE(savedOnDisk().value(QStringLiteral("Rotate")).toObject(), stored(0x28, 0x300));
    }

    void cancelClearAndEmptyOkBehaveAsTheUserExpects()
    {
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Port 2"), stored(19, 0x100));
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Port 3"), stored(20, 0x100));
        launch();
        PTKeyComboPanel *panel = PTKeyComboPanel::sharedPanel();

        // Cancel after a new combination: binding, menu item and field stay; only the two
        // grabs the sheet had suspended are made again.
        const auto before = registered();
        const int callsBefore = gService->registerCalls;
        mApp->setHotkey(changeButton(2));
        panel->setKeyCombo(PTKeyCombo(21, 0x200));
        panel->cancel();
        QCOMPARE(mApp->mHotkey2->keyCombo(), PTKeyCombo(19, 0x100));
        QCOMPARE(mApp->mHotkeyField2->text(), QStringLiteral("⌘2"));
        QCOMPARE(mApp->mMenuHotkey2->text(), QStringLiteral("Port 2\t⌘2"));
        QCOMPARE(gService->registerCalls, callsBefore + 2);
        QCOMPARE(registered(), before);

        // OK without a key: the same combination, grabbed afresh after the two come back.
        mApp->setHotkey(changeButton(3));
        panel->ok();
        QCOMPARE(gService->registerCalls, callsBefore + 2 + 3);
        QCOMPARE(mApp->mHotkey3->keyCombo(), PTKeyCombo(20, 0x100));

        // Clear: the grab goes, the field says so, and quit stores the clear combination.
        mApp->setHotkey(changeButton(2));
        panel->clear();
        QCOMPARE(registered(), (QList<QPair<qint32, qint32>>{{20, 0x100}}));
        QCOMPARE(mApp->mHotkeyField2->text(), QStringLiteral("(None)"));
        QCOMPARE(mApp->mMenuHotkey2->text(), QStringLiteral("Port 2"));

        // A binding name the controller does not know changes nothing.
        panel->setKeyBindingName(QStringLiteral("Port 9"));
        panel->setKeyCombo(PTKeyCombo(22, 0x100));
        mApp->hotKeySheetDidEndWithReturnCode(1);
        QCOMPARE(registered(), (QList<QPair<qint32, qint32>>{{20, 0x100}}));

        mApp->applicationWillTerminate();
        QCOMPARE(savedOnDisk().value(QStringLiteral("Port 2")).toObject(), stored(-1, -1));
        QCOMPARE(savedOnDisk().value(QStringLiteral("Port 3")).toObject(), stored(20, 0x100));
    }

    void sheetCapturesTheCombinationOfAHotKeyOfOurOwn()
    {
        auto sw = mSim->plug("00001001", 1);
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Selected Switch"),
                                                  QStringLiteral("00001001"));
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Port 1"), stored(18, 0x300));
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Rotate"), stored(0x28, 0x100));
        launch();
        const auto before = registered();
        sw->clearLog();
        mApp->configureHotkeys(nullptr);
        QTest::mouseClick(changeButton(5), Qt::LeftButton);
        PTKeyComboPanel *panel = PTKeyComboPanel::sharedPanel();
        QVERIFY(panel->isSheet());

        // The user presses ⌘⇧1, Port 1's combination. No grab takes it, so the X server hands
        // it to the focused panel instead of selecting port 1.
        QVERIFY(registered().isEmpty());
        QVERIFY(!gService->press(18, 0x300));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Exclam, Qt::MetaModifier | Qt::ShiftModifier,
                        quint32(KEY_1 + 8), 0, 0, QStringLiteral("!"), false, 1);
        QApplication::sendEvent(panel->keyBroadcaster(), &press);
        QCOMPARE(panel->keyCombo(), PTKeyCombo(18, 0x300));
        QCOMPARE(panel->comboField()->text(), QStringLiteral("⌘⇧1"));
        QVERIFY(sw->log().empty());
        QVERIFY(!mApp->rotationRunning());

        panel->cancel();
        QCOMPARE(registered(), before);
        QCOMPARE(mApp->mHotkeyField1->text(), QStringLiteral("⌘⇧1"));
        QVERIFY(gService->press(18, 0x300));
        QCOMPARE(portSelects(sw->log()), (QList<QPair<int, int>>{{0, 0}}));
    }

    void grabLostWhileTheSheetRanShowsAsNotActive()
    {
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Port 1"), stored(18, 0x300));
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Port 2"), stored(19, 0x300));
        launch();
        PTKeyComboPanel *panel = PTKeyComboPanel::sharedPanel();
        mApp->setHotkey(changeButton(2));
        gService->refused.append({18, 0x300}); // another program takes Port 1's meanwhile
        panel->cancel();

        const QString reason = QStringLiteral("Another application already uses this key combination.");
        QCOMPARE(mApp->hotkeyFailure(1), reason);
        QCOMPARE(mApp->mHotkeyField1->text(), QStringLiteral("⌘⇧1 — not active: ") + reason);
        QCOMPARE(mApp->mMenuHotkey1->toolTip(), QStringLiteral("⌘⇧1 — not active: ") + reason);
        QCOMPARE(mApp->mHotkey1->keyCombo(), PTKeyCombo(18, 0x300));
        QVERIFY(mApp->hotkeyFailure(2).isEmpty());
        QCOMPARE(registered(), (QList<QPair<qint32, qint32>>{{19, 0x300}}));
    }

    void setHotkeyIgnoresSendersWithoutABindingTag()
    {
        launch();
        PTKeyComboPanel *panel = PTKeyComboPanel::sharedPanel();
        QObject noTag;
        QObject tagZero;
        tagZero.setProperty("tag", 0);
        QObject tagSix;
        tagSix.setProperty("tag", 6);
        QObject tagText;
        tagText.setProperty("tag", QStringLiteral("two"));
        for (QObject *sender : {static_cast<QObject *>(nullptr), &noTag, &tagZero, &tagSix, &tagText}) {
            mApp->setHotkey(sender);
            QVERIFY(!panel->isSheet());
        }
    }

    void hotKeyPressSelectsThePortOnce()
    {
        auto sw = mSim->plug("00001001", 1);
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Selected Switch"),
                                                  QStringLiteral("00001001"));
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Port 3"), stored(20, 0x300));
        launch();
        sw->clearLog();
        QVERIFY(gService->press(20, 0x300));
        QCOMPARE(sw->log().size(), size_t(1));
        const std::array<std::uint8_t, 8> expected{0x09, 0x03, 0x0B, 0x02, 0x02, 0, 0, 0};
        QCOMPARE(sw->log()[0].bytes, expected);
        QVERIFY(gService->release(20, 0x300));
        QCOMPARE(sw->log().size(), size_t(1));
    }

    void menuShowsTheShortcutWithoutASecondTrigger()
    {
        auto sw = mSim->plug("00001001", 1);
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Selected Switch"),
                                                  QStringLiteral("00001001"));
        DefaultsStore::standard().setObjectForKey(QStringLiteral("Port 1"), stored(18, 0x300));
        launch();
        for (QAction *item : menuItems())
            QVERIFY(item->shortcut().isEmpty());
        QSignalSpy triggered(mApp->mMenuHotkey1, &QAction::triggered);
        sw->clearLog();

        // Keys that reach our own windows or the open menu instead of the grab run nothing.
        mApp->mStatusMenu->popup(QPoint(10, 10));
        QVERIFY(mApp->mStatusMenu->isVisible());
        QTest::keyClick(mApp->mStatusMenu, Qt::Key_1, Qt::MetaModifier | Qt::ShiftModifier);
        QTest::keyClick(mApp->mStatusMenu, Qt::Key_Exclam, Qt::MetaModifier | Qt::ShiftModifier);
        mApp->mStatusMenu->hide();
        mApp->configureHotkeys(nullptr);
        QTest::keyClick(mApp->mHotkeyConfigWnd, Qt::Key_1, Qt::MetaModifier | Qt::ShiftModifier);
        QCOMPARE(triggered.count(), 0);
        QVERIFY(sw->log().empty());

        // The grab alone triggers it, once.
        QVERIFY(gService->press(18, 0x300));
        QCOMPARE(portSelects(sw->log()), (QList<QPair<int, int>>{{0, 0}}));
    }
};

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    privateConfigHome();
    QApplication app(argc, argv);
    HotKeyBindingsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "HotKeyBindingsTest.moc"
