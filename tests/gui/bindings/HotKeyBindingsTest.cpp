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
const QString kTaken = QStringLiteral("Another application already uses this key combination.");

QJsonObject stored(int keyCode, int modifiers)
{
    return QJsonObject{{QStringLiteral("keyCode"), keyCode}, {QStringLiteral("modifiers"), modifiers}};
}

void store(const QString &key, const QJsonValue &value)
{
    DefaultsStore::standard().setObjectForKey(key, value);
}

// The stored form as the file on disk holds it, which is what the next start reads.
QJsonObject savedOnDisk(const QString &key)
{
    QFile file(DefaultsStore::standard().filePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object().value(key).toObject();
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
    QStringList fieldTexts() const
    {
        QStringList texts;
        for (QLineEdit *field : {mApp->mHotkeyField1, mApp->mHotkeyField2, mApp->mHotkeyField3,
                                 mApp->mHotkeyField4, mApp->mHotkeyField5})
            texts.append(field->text());
        return texts;
    }
    QPushButton *changeButton(int tag) const
    {
        for (QPushButton *button : mApp->mHotkeyConfigWnd->findChildren<QPushButton *>()) {
            if (button->property("tag").toInt() == tag)
                return button;
        }
        return nullptr;
    }
    // Port 1 holds ⌘⇧1, which the X server refused: kept, shown as not active, not grabbed.
    void expectPort1NotActive()
    {
        const QString shown = QStringLiteral("⌘⇧1 — not active: ") + kTaken;
        QCOMPARE(mApp->hotkeyFailure(1), kTaken);
        QCOMPARE(mApp->mHotkeyField1->text(), shown);
        QCOMPARE(mApp->mMenuHotkey1->toolTip(), shown);
        QCOMPARE(mApp->mMenuHotkey1->text(), QStringLiteral("Port 1\t⌘⇧1"));
        QCOMPARE(mApp->mHotkey1->keyCombo(), PTKeyCombo(18, 0x300));
        QVERIFY(mApp->hotkeyFailure(2).isEmpty());
        QCOMPARE(gService->grabbed(), (Combos{{19, 0x300}}));
    }

private slots:
    void initTestCase()
    {
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
        DefaultsStore::standard().removeObjectForKey(QStringLiteral("Selected Switch"));
        for (const QString &key : kKeys)
            DefaultsStore::standard().removeObjectForKey(key);
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
        QVERIFY(gService->registrations.isEmpty()); // nothing of a test stays grabbed
        IOWarriorClearInterfaceList();
        IOWarriorSetPlatform(nullptr);
        mSim.reset();
    }

    void firstLaunchHasFiveClearBindingsAndQuitStoresThem()
    {
        launch();
        QCOMPARE(fieldTexts(), QStringList(5, QStringLiteral("(None)")));
        QCOMPARE(gService->registerCalls, 0);
        QCOMPARE(mApp->mMenuHotkey5->text(), QStringLiteral("Rotate"));
        mApp->applicationWillTerminate();
        for (const QString &key : kKeys)
            QCOMPARE(savedOnDisk(key), stored(-1, -1));
    }

    void storedCombinationsAreRestoredAndRegisteredInOrder()
    {
        store(QStringLiteral("Rotate"), stored(0x7A, 0x1000 | 0x8000)); // ^F1
        store(QStringLiteral("Port 1"), stored(18, 0x100));             // ⌘1
        store(QStringLiteral("Port 2"), stored(19, 0x300));             // ⌘⇧2
        store(QStringLiteral("Port 3"), stored(0, 0x800));              // ⌥A
        store(QStringLiteral("Port 4"), QStringLiteral("garbage"));
        launch();
        QCOMPARE(gService->grabbed(), (Combos{{18, 0x100}, {19, 0x300}, {0, 0x800}, {0x7A, 0x9000}}));
        QCOMPARE(fieldTexts(), (QStringList{QStringLiteral("⌘1"), QStringLiteral("⌘⇧2"),
                                            QStringLiteral("⌥A"), QStringLiteral("(None)"),
                                            QStringLiteral("^F1")}));
        QCOMPARE(mApp->mMenuHotkey2->text(), QStringLiteral("Port 2\t⌘⇧2"));
        QCOMPARE(mApp->mMenuHotkey4->text(), QStringLiteral("Port 4"));
        QCOMPARE(mApp->mMenuHotkey2->property("keyEquivalent").toString(), QStringLiteral("2"));
        QCOMPARE(mApp->mMenuHotkey2->property("keyEquivalentModifierMask").toUInt(), 0x120000u);

        // Quit writes every binding back, the unchanged ones and the unreadable one too.
        mApp->applicationWillTerminate();
        QCOMPARE(savedOnDisk(QStringLiteral("Port 3")), stored(0, 0x800));
        QCOMPARE(savedOnDisk(QStringLiteral("Port 4")), stored(-1, -1));
        QCOMPARE(savedOnDisk(QStringLiteral("Rotate")), stored(0x7A, 0x9000));
    }

    void refusedCombinationIsKeptAndShownAsNotActive()
    {
        store(QStringLiteral("Port 1"), stored(18, 0x300));
        store(QStringLiteral("Port 2"), stored(19, 0x300));
        gService->refused.append({18, 0x300});
        launch();
        expectPort1NotActive();

        // Once the other program lets go, choosing the combination again activates it.
        gService->refused.clear();
        PTKeyComboPanel *panel = PTKeyComboPanel::sharedPanel();
        mApp->setHotkey(changeButton(1));
        panel->ok();
        QVERIFY(mApp->hotkeyFailure(1).isEmpty());
        QCOMPARE(mApp->mHotkeyField1->text(), QStringLiteral("⌘⇧1"));
        QVERIFY(!mApp->mMenuHotkey1->toolTip().contains(QStringLiteral("not active")));

        // Taken again while a sheet had the grabs suspended: shown the same way.
        mApp->setHotkey(changeButton(2));
        gService->refused.append({18, 0x300});
        panel->cancel();
        expectPort1NotActive();
        mApp->applicationWillTerminate();
        QCOMPARE(savedOnDisk(QStringLiteral("Port 1")), stored(18, 0x300));
    }

    void notActiveTextIsTranslated()
    {
        QTranslator german;
        QVERIFY(german.load(QStringLiteral(":/i18n/tarvexcc_de.qm")));
        QCoreApplication::installTranslator(&german);
        store(QStringLiteral("Port 4"), stored(21, 0x100));
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
        store(QStringLiteral("Rotate"), stored(18, 0x100));
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
        // The binding changes only when the sheet ends; meanwhile no grab takes any key.
        QCOMPARE(mApp->mHotkey5->keyCombo(), PTKeyCombo(18, 0x100));
        QVERIFY(gService->registrations.isEmpty());
        panel->ok();

        QCOMPARE(gService->grabbed(), (Combos{{0x28, 0x300}}));
        QCOMPARE(mApp->mHotkeyField5->text(), QStringLiteral("⌘⇧K"));
        QCOMPARE(mApp->mMenuHotkey5->text(), QStringLiteral("Rotate\t⌘⇧K"));
        QVERIFY(gService->press(0x28, 0x300));
        QVERIFY(mApp->rotationRunning());
        QVERIFY(gService->press(0x28, 0x300));
        QVERIFY(!mApp->rotationRunning());
        // Not stored before quit.
        QCOMPARE(DefaultsStore::standard().objectForKey(QStringLiteral("Rotate")).toObject(),
                 stored(18, 0x100));
        mApp->applicationWillTerminate();
        QCOMPARE(savedOnDisk(QStringLiteral("Rotate")), stored(0x28, 0x300));
    }

    void cancelClearAndEmptyOkBehaveAsTheUserExpects()
    {
        store(QStringLiteral("Port 2"), stored(19, 0x100));
        store(QStringLiteral("Port 3"), stored(20, 0x100));
        launch();
        PTKeyComboPanel *panel = PTKeyComboPanel::sharedPanel();

        // Cancel after a new combination: binding, menu item and field stay; only the two
        // grabs the sheet had suspended are made again.
        const Combos before = gService->grabbed();
        const int callsBefore = gService->registerCalls;
        mApp->setHotkey(changeButton(2));
        panel->setKeyCombo(PTKeyCombo(21, 0x200));
        panel->cancel();
        QCOMPARE(mApp->mHotkey2->keyCombo(), PTKeyCombo(19, 0x100));
        QCOMPARE(mApp->mHotkeyField2->text(), QStringLiteral("⌘2"));
        QCOMPARE(mApp->mMenuHotkey2->text(), QStringLiteral("Port 2\t⌘2"));
        QCOMPARE(gService->registerCalls, callsBefore + 2);
        QCOMPARE(gService->grabbed(), before);

        // OK without a key: the same combination, grabbed afresh after the two come back.
        mApp->setHotkey(changeButton(3));
        panel->ok();
        QCOMPARE(gService->registerCalls, callsBefore + 2 + 3);
        QCOMPARE(mApp->mHotkey3->keyCombo(), PTKeyCombo(20, 0x100));

        // Clear: the grab goes, the field says so, and quit stores the clear combination.
        mApp->setHotkey(changeButton(2));
        panel->clear();
        QCOMPARE(gService->grabbed(), (Combos{{20, 0x100}}));
        QCOMPARE(mApp->mHotkeyField2->text(), QStringLiteral("(None)"));
        QCOMPARE(mApp->mMenuHotkey2->text(), QStringLiteral("Port 2"));

        // A binding name the controller does not know changes nothing.
        panel->setKeyBindingName(QStringLiteral("Port 9"));
        panel->setKeyCombo(PTKeyCombo(22, 0x100));
        mApp->hotKeySheetDidEndWithReturnCode(1);
        QCOMPARE(gService->grabbed(), (Combos{{20, 0x100}}));
        mApp->applicationWillTerminate();
        QCOMPARE(savedOnDisk(QStringLiteral("Port 2")), stored(-1, -1));
    }

    void setHotkeyIgnoresSendersWithoutABindingTag()
    {
        launch();
        QObject noTag, tagZero, tagSix, tagText;
        tagZero.setProperty("tag", 0);
        tagSix.setProperty("tag", 6);
        tagText.setProperty("tag", QStringLiteral("two"));
        for (QObject *sender : {static_cast<QObject *>(nullptr), &noTag, &tagZero, &tagSix, &tagText}) {
            mApp->setHotkey(sender);
            QVERIFY(!PTKeyComboPanel::sharedPanel()->isSheet());
        }
    }

    // A press selects the port once with the exact report; a release does nothing; the menu
    // item shows the combination without a second trigger of its own.
    void hotKeyPressSelectsThePortOnceAndTheMenuAddsNoTrigger()
    {
        auto sw = mSim->plug("00001001", 1);
        store(QStringLiteral("Selected Switch"), QStringLiteral("00001001"));
        store(QStringLiteral("Port 1"), stored(18, 0x300));
        store(QStringLiteral("Port 3"), stored(20, 0x300));
        launch();
        QVERIFY(mApp->mMenuHotkey1->shortcut().isEmpty());
        QSignalSpy triggered(mApp->mMenuHotkey1, &QAction::triggered);
        sw->clearLog();

        QVERIFY(gService->press(20, 0x300));
        QVERIFY(gService->release(20, 0x300));
        QCOMPARE(sw->log().size(), size_t(1));
        const std::array<std::uint8_t, 8> expected{0x09, 0x03, 0x0B, 0x02, 0x02, 0, 0, 0};
        QCOMPARE(sw->log()[0].bytes, expected);

        // Keys that reach our own windows or the open menu instead of the grab run nothing.
        sw->clearLog();
        mApp->mStatusMenu->popup(QPoint(10, 10));
        QVERIFY(mApp->mStatusMenu->isVisible());
        QTest::keyClick(mApp->mStatusMenu, Qt::Key_1, Qt::MetaModifier | Qt::ShiftModifier);
        QTest::keyClick(mApp->mStatusMenu, Qt::Key_Exclam, Qt::MetaModifier | Qt::ShiftModifier);
        mApp->mStatusMenu->hide();
        mApp->configureHotkeys(nullptr);
        QTest::keyClick(mApp->mHotkeyConfigWnd, Qt::Key_1, Qt::MetaModifier | Qt::ShiftModifier);
        QCOMPARE(triggered.count(), 0);
        QVERIFY(sw->log().empty());
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
