// The five hot-key bindings in the running application: made from the defaults and
// registered in order, shown in the fields and menu items (refusals and the desktop's own
// answers too: a key that is not active is in no menu, and its whole reason under the
// fields), changed through the capture sheet (a key another command holds is moved), pressed,
// and saved at quit, a full disk said once. The hot-key service is a fake.
#include "FakeHotKeyService.h"
#include "HotKeyBindings.h"
#include "PreferencesWindowController.h"
#include "TestSupport.h"

#include "PTHotKeys/FixedUsKeyboardLayout.h"
#include "PTHotKeys/PTHotKey.h"
#include "PTHotKeys/PTHotKeyCenter.h"
#include "PTHotKeys/PTKeyCodeTranslator.h"
#include "PTKeyComboPanel.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QPushButton>
#include <QFile>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>

namespace {

// Grabs at once like X11, or, once told so, answers later like a desktop that binds the keys.
struct DesktopService : FakeHotKeyService {
    bool answersLater = false;
    QHash<Handle, HotKeyGrant> grants;
    HotKeyGrant grant(Handle handle) const override
    {
        return answersLater ? grants.value(handle, HotKeyGrant{true, 0, {}, {}, {}}) : HotKeyGrant();
    }
    void answer(int nth, const HotKeyGrant &grant) // to the nth registration in order
    {
        grants.insert(registrations.keys().at(nth), grant);
        notifyChanged(registrations.keys().at(nth));
    }
};
DesktopService *gService = nullptr;
const QString kTaken = QStringLiteral("Another application already uses this key combination.");

QJsonObject stored(int keyCode, int modifiers)
{
    return QJsonObject{{QStringLiteral("keyCode"), keyCode}, {QStringLiteral("modifiers"), modifiers}};
}

// The stored form as the file on disk holds it, which is what the next start reads.
QJsonObject savedOnDisk(const QString &key)
{
    QFile file(DefaultsStore::standard().filePath());
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object().value(key).toObject()
                                          : QJsonObject();
}

} // namespace

class HotKeyBindingsTest : public QObject
{
    Q_OBJECT

private:
    AppHarness h;

    QString field(int binding) { return h.app->preferences().hotkeyField(binding)->text(); }
    QAction *item(int binding) const { return h.app->itemWithTag(binding); }
    void quitAndExpectSaved(const QList<QPair<QString, QJsonObject>> &saved)
    {
        h.app->applicationWillTerminate();
        for (const auto &[key, value] : saved)
            QCOMPARE(savedOnDisk(key), value);
    }

private slots:
    void initTestCase()
    {
        h.install();
        PTKeyCodeTranslator::setLayoutSource(std::make_unique<FixedUsKeyboardLayout>());
        PTHotKeyCenter::setSharedServiceFactory([] {
            auto service = std::make_unique<DesktopService>();
            gService = service.get();
            return service;
        });
        PTHotKeyCenter::sharedCenter();
    }
    void init()
    {
        for (int binding = 1; binding <= 5; ++binding)
            DefaultsStore::standard().removeObjectForKey(HotKeyBindings::key(binding));
        gService->refused.clear();
        gService->registerCalls = 0;
        gService->answersLater = false;
        gService->setLimitation({});
        h.setUp();
    }
    void cleanup()
    {
        h.tearDown();
        QVERIFY(gService->registrations.isEmpty()); // nothing of a test stays grabbed
    }

    void storedCombinationsAreRestoredRegisteredInOrderAndSaved()
    {
        storeDefault(QStringLiteral("Rotate"), stored(0x7A, 0x1000 | 0x8000)); // Ctrl+F1
        storeDefault(QStringLiteral("Port 1"), stored(18, 0x100));             // Super+1
        storeDefault(QStringLiteral("Port 2"), stored(19, 0x300));             // Super+Shift+2
        storeDefault(QStringLiteral("Port 4"), QStringLiteral("garbage"));
        h.launch();
        QCOMPARE(gService->grabbed(), (Combos{{18, 0x100}, {19, 0x300}, {0x7A, 0x9000}}));
        QCOMPARE(field(1) + field(2) + field(4) + field(5), QStringLiteral("Super+1Super+Shift+2(None)Ctrl+F1"));
        QCOMPARE(item(2)->text(), QStringLiteral("Port 2\tSuper+Shift+2"));
        QCOMPARE(item(4)->text(), QStringLiteral("Port 4"));
        QCOMPARE(item(2)->property("keyEquivalent").toString() + item(2)->property("keyEquivalentModifierMask").toString(),
                 QStringLiteral("2") + QString::number(0x120000));
        // Quit writes every binding back: unchanged, unreadable and never-set ones too.
        quitAndExpectSaved({{QStringLiteral("Port 1"), stored(18, 0x100)}, {QStringLiteral("Port 3"), stored(-1, -1)},
                            {QStringLiteral("Port 4"), stored(-1, -1)}, {QStringLiteral("Rotate"), stored(0x7A, 0x9000)}});
    }

    // A combination the service refuses is kept, shown as not active and saved; choosing it
    // again once it is free activates it; taken again while a sheet had the grabs suspended,
    // it is shown the same way.
    void refusedCombinationIsKeptAndShownAsNotActive()
    {
        storeDefault(QStringLiteral("Port 1"), stored(18, 0x300));
        storeDefault(QStringLiteral("Port 2"), stored(19, 0x300));
        gService->refused.append({18, 0x300});
        h.launch();
        const QString shown = QStringLiteral("Super+Shift+1 — not active");
        const auto expectNotActive = [&] {
            QCOMPARE(h.app->hotkeyFailure(1), kTaken);
            QCOMPARE(field(1) + h.app->preferences().hotkeyField(1)->toolTip() + item(1)->toolTip(), shown + shown + shown);
            QCOMPARE(h.app->preferences().hotkeyNotice()->text(), "Port\u00A01: Super+Shift+1 is not active: " + kTaken);
            QCOMPARE(item(1)->text(), QStringLiteral("Port 1")); // a dead key is in no menu
            QCOMPARE(gService->grabbed(), (Combos{{19, 0x300}}));
        };
        expectNotActive();
        PTKeyComboPanel *panel = PTKeyComboPanel::sharedPanel();
        gService->refused.clear();
        h.app->setHotkey(h.app->preferences().changeButton(1));
        panel->ok();
        QVERIFY(h.app->hotkeyFailure(1).isEmpty());
        QVERIFY(!item(1)->toolTip().contains(QStringLiteral("not active")));
        h.app->setHotkey(h.app->preferences().changeButton(2));
        gService->refused.append({18, 0x300});
        panel->cancel();
        expectNotActive();
        quitAndExpectSaved({{QStringLiteral("Port 1"), stored(18, 0x300)}});
    }

    // The desktop's name of the key shows in the field and the menu; a key it did not grant is
    // not active with its reason; why hot keys are limited and how the desktop changes them
    // show under the fields. Our own combination stays the stored one.
    void desktopAnswersShowInTheMenuAndThePreferences()
    {
        storeDefault(QStringLiteral("Port 1"), stored(18, 0x300));
        storeDefault(QStringLiteral("Port 2"), stored(19, 0x300));
        gService->answersLater = true;
        h.launch();
        QCOMPARE(field(1) + field(2), QStringLiteral("Super+Shift+1Super+Shift+2")); // no answer yet
        QCOMPARE(item(1)->text(), QStringLiteral("Port 1"));                        // nor in the menu
        const QString note = QStringLiteral("Change it in the desktop's settings.");
        gService->answer(0, {false, 0, {}, QStringLiteral("Meta+Shift+1"), note});
        gService->answer(1, {false, HotKeyService::kStatusNotGranted, QStringLiteral("Refused."), {}, {}});
        gService->setLimitation(QStringLiteral("Limited here."));
        QCOMPARE(field(1) + item(1)->text(), QStringLiteral("Meta+Shift+1Port 1\tMeta+Shift+1"));
        QCOMPARE(field(2) + item(2)->text(), QStringLiteral("Super+Shift+2 — not activePort 2"));
        QCOMPARE(h.app->preferences().hotkeyNotice()->text(),
                 QStringLiteral("Port\u00A02: Super+Shift+2 is not active: Refused.\nLimited here.\n") + note);
        QVERIFY(h.app->preferences().hotkeyNotice()->isVisibleTo(h.app->preferences().window()));
        quitAndExpectSaved({{QStringLiteral("Port 1"), stored(18, 0x300)}});
    }

    void sheetEndsChangeOnlyWhatTheUserConfirmed()
    {
        storeDefault(QStringLiteral("Port 2"), stored(19, 0x100));
        storeDefault(QStringLiteral("Rotate"), stored(18, 0x100));
        h.launch();
        PTKeyComboPanel *panel = PTKeyComboPanel::sharedPanel();
        h.app->configureHotkeys(nullptr);
        // "Change…" beside Rotate: the sheet sits on the preferences window.
        QTest::mouseClick(h.app->preferences().changeButton(5), Qt::LeftButton);
        QVERIFY(panel->isSheet());
        QCOMPARE(panel->window()->parentWidget(), h.app->preferences().window());
        QCOMPARE(panel->keyBindingName(), QStringLiteral("Rotate"));
        panel->setKeyCombo(PTKeyCombo(0x28, 0x300));
        panel->ok();
        QCOMPARE(field(5), QStringLiteral("Super+Shift+K"));
        QCOMPARE(item(5)->text(), QStringLiteral("Rotate (every 30 s)\tSuper+Shift+K"));
        QVERIFY(gService->press(0x28, 0x300) && h.app->rotationRunning());
        QVERIFY(gService->press(0x28, 0x300) && !h.app->rotationRunning());
        // Written at once, not only at quit.
        QCOMPARE(DefaultsStore::standard().objectForKey(QStringLiteral("Rotate")).toObject(), stored(0x28, 0x300));

        // Cancel after a new combination changes nothing.
        h.app->setHotkey(h.app->preferences().changeButton(2));
        panel->setKeyCombo(PTKeyCombo(21, 0x200));
        panel->cancel();
        QCOMPARE(h.app->hotKeys().hotKey(2)->keyCombo(), PTKeyCombo(19, 0x100));
        QCOMPARE(item(2)->text(), QStringLiteral("Port 2\tSuper+2"));
        // Clear drops the grab; an unknown binding name or sender changes nothing.
        h.app->setHotkey(h.app->preferences().changeButton(2));
        panel->clear();
        panel->ok();
        QCOMPARE(gService->grabbed(), (Combos{{0x28, 0x300}}));
        QCOMPARE(field(2), QStringLiteral("(None)"));
        panel->setKeyBindingName(QStringLiteral("Port 9"));
        h.app->hotKeySheetDidEndWithReturnCode(1);
        QObject tagSix;
        tagSix.setProperty("tag", 6);
        for (QObject *sender : {static_cast<QObject *>(nullptr), &tagSix})
            h.app->setHotkey(sender);
        QVERIFY(!panel->isSheet());
        QCOMPARE(gService->grabbed(), (Combos{{0x28, 0x300}}));
        quitAndExpectSaved({{QStringLiteral("Port 2"), stored(-1, -1)}, {QStringLiteral("Rotate"), stored(0x28, 0x300)}});
    }

    // Port 1's key given to Port 2: the panel names Port 1 and OK moves the key (Port 1 is
    // cleared, both stored at once); the menu never shows one key twice. A full disk at quit
    // is one line in the log, not one per binding.
    void aClashNamesTheHolderAndMovesTheKey()
    {
        storeDefault(QStringLiteral("Port 1"), stored(18, 0x1800));
        h.launch();
        PTKeyComboPanel *panel = PTKeyComboPanel::sharedPanel();
        h.app->setHotkey(h.app->preferences().changeButton(2));
        QVERIFY(panel->clashingCommand().isEmpty());
        panel->setKeyCombo(PTKeyCombo(18, 0x1800));
        QCOMPARE(panel->clashingCommand(), QStringLiteral("Port 1"));
        QVERIFY(panel->problem().startsWith(QStringLiteral("Ctrl+Alt+1 is the hot key of “Port\u00A01”.")));
        panel->ok();
        QCOMPARE(item(1)->text() + item(2)->text(), QStringLiteral("Port 1Port 2\tCtrl+Alt+1"));
        QCOMPARE(gService->grabbed(), (Combos{{18, 0x1800}}));
        QCOMPARE(savedOnDisk(QStringLiteral("Port 1")), stored(-1, -1));
        QCOMPARE(savedOnDisk(QStringLiteral("Port 2")), stored(18, 0x1800));

        const QString path = DefaultsStore::standard().filePath();
        QVERIFY(QFile::remove(path) && QDir().mkdir(path)); // no file can be written there
        static QStringList warnings;
        warnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
            if (type == QtWarningMsg)
                warnings.append(text);
        });
        h.app->applicationWillTerminate();
        qInstallMessageHandler(previous);
        QDir().rmdir(path);
        QCOMPARE(warnings.size(), 1);
    }

    // A press selects the port once with the exact report; keys that reach the open menu or
    // our own window instead of the grab run nothing (the menu shows, it adds no trigger).
    void hotKeyPressSelectsThePortOnceAndTheMenuAddsNoTrigger()
    {
        auto sw = h.sim->plug("00001001", 1);
        storeDefault(QStringLiteral("Selected Switch"), QStringLiteral("00001001"));
        storeDefault(QStringLiteral("Port 1"), stored(18, 0x300));
        storeDefault(QStringLiteral("Port 3"), stored(20, 0x300));
        h.launch();
        QSignalSpy triggered(item(1), &QAction::triggered);
        sw->clearLog();
        QVERIFY(gService->press(20, 0x300) && gService->release(20, 0x300));
        QCOMPARE(sw->log().size(), size_t(1));
        QCOMPARE(sw->log()[0].bytes, (std::array<std::uint8_t, 8>{0x09, 0x03, 0x0B, 0x02, 0x02, 0, 0, 0}));
        sw->clearLog();
        h.app->mStatusMenu->popup(QPoint(10, 10));
        QTest::keyClick(h.app->mStatusMenu, Qt::Key_1, Qt::MetaModifier | Qt::ShiftModifier);
        QTest::keyClick(h.app->mStatusMenu, Qt::Key_Exclam, Qt::MetaModifier | Qt::ShiftModifier);
        h.app->mStatusMenu->hide();
        h.app->configureHotkeys(nullptr);
        QTest::keyClick(h.app->preferences().window(), Qt::Key_1, Qt::MetaModifier | Qt::ShiftModifier);
        QCOMPARE(triggered.count(), 0);
        QVERIFY(sw->log().empty());
        QVERIFY(item(1)->shortcut().isEmpty());
    }
};

TARVEX_GUI_TEST_MAIN(HotKeyBindingsTest, QApplication)

#include "HotKeyBindingsTest.moc"
