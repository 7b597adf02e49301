// The capture panel on the offscreen platform: key presses that carry native scan codes become
// combinations from the physical key; no shortcut acts while the broadcaster has the focus;
// OK, Cancel and Clear end modal and sheet runs with the right codes; this program's own hot
// keys hold no grabs while the panel runs and have them back however it ends.
#include "FakeHotKeyService.h"

#include "PTKeyBroadcaster.h"
#include "PTKeyComboPanel.h"
#include "PTKeyComboPanelTarget.h"

#include "PTHotKeys/FixedUsKeyboardLayout.h"
#include "PTHotKeys/PTHotKey.h"
#include "PTHotKeys/PTHotKeyCenter.h"
#include "PTHotKeys/PTKeyCodeTranslator.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QShortcut>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <functional>

namespace {

FakeHotKeyService *gService = nullptr;

// A key press as the xcb platform delivers it: the X keycode (evdev + 8) as native scan code.
void press(QWidget *widget, int qtKey, Qt::KeyboardModifiers modifiers, int evdev,
           quint32 nativeModifiers = 0, const QString &text = QString())
{
    QKeyEvent event(QEvent::KeyPress, qtKey, modifiers, evdev ? quint32(evdev + 8) : 0u, 0,
                    nativeModifiers, text, false, 1);
    QApplication::sendEvent(widget, &event);
}

class RecordingSheetTarget : public QObject, public PTKeyComboPanelTarget
{
public:
    QList<int> codes;
    QList<PTKeyCombo> combos;
    void hotKeySheetDidEndWithReturnCode(int code) override
    {
        codes.append(code);
        combos.append(PTKeyComboPanel::sharedPanel()->keyCombo());
    }
};

class PanelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PTKeyCodeTranslator::setLayoutSource(std::make_unique<FixedUsKeyboardLayout>());
        panel = PTKeyComboPanel::sharedPanel();
        panel->window();
        broadcaster = panel->keyBroadcaster();
        ASSERT_NE(broadcaster, nullptr);
    }
    PTKeyComboPanel *panel = nullptr;
    PTKeyBroadcaster *broadcaster = nullptr;
};

} // namespace

TEST_F(PanelTest, CapturesFromThePhysicalKey)
{
    press(broadcaster, Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier, KEY_K);
    EXPECT_EQ(panel->keyCombo(), PTKeyCombo(0x28, 0x0300));
    EXPECT_EQ(panel->comboField()->text(), QString::fromUtf16(u"\u2318\u21E7K"));

    press(broadcaster, Qt::Key_K, Qt::NoModifier, KEY_K, 0, "k");
    EXPECT_EQ(panel->keyCombo(), PTKeyCombo(0x28, 0));
    EXPECT_EQ(panel->comboField()->text(), "(None)");

    press(broadcaster, Qt::Key_F5, Qt::NoModifier, KEY_F5);
    EXPECT_EQ(panel->keyCombo(), PTKeyCombo(0x60, 0x8000));
    EXPECT_TRUE(panel->keyCombo().isValidHotKeyCombo());
    EXPECT_EQ(panel->comboField()->text(), "F5");

    press(broadcaster, Qt::Key_Up, Qt::ControlModifier | Qt::KeypadModifier, KEY_UP);
    EXPECT_EQ(panel->keyCombo(), PTKeyCombo(0x7E, 0x1000 | 0x8000));

    press(broadcaster, Qt::Key_A, Qt::AltModifier, KEY_A);
    EXPECT_EQ(panel->keyCombo(), PTKeyCombo(0, 0x0800)); // the A key, code 0

    // The key that produced "y" under another layout is still the physical Z key.
    press(broadcaster, Qt::Key_Y, Qt::MetaModifier, KEY_Z, 0, "y");
    EXPECT_EQ(panel->keyCombo(), PTKeyCombo(0x06, 0x0100));
}

TEST_F(PanelTest, LockKeysModifierKeysAndSyntheticPressesChangeNothing)
{
    press(broadcaster, Qt::Key_1, Qt::MetaModifier, KEY_1);
    const PTKeyCombo expected(0x12, 0x0100);
    ASSERT_EQ(panel->keyCombo(), expected);

    // Caps Lock on: the X state carries the Lock bit, Qt adds no modifier for it.
    press(broadcaster, Qt::Key_1, Qt::MetaModifier, KEY_1, 0x02 | 0x40);
    EXPECT_EQ(panel->keyCombo(), expected);
    press(broadcaster, Qt::Key_CapsLock, Qt::NoModifier, KEY_CAPSLOCK);
    press(broadcaster, Qt::Key_NumLock, Qt::NoModifier, KEY_NUMLOCK);
    press(broadcaster, Qt::Key_Shift, Qt::ShiftModifier, KEY_LEFTSHIFT);
    press(broadcaster, Qt::Key_Super_L, Qt::MetaModifier, KEY_LEFTMETA);
    press(broadcaster, Qt::Key_K, Qt::MetaModifier, 0); // no physical key known
    press(broadcaster, Qt::Key_PowerOff, Qt::NoModifier, KEY_POWER); // not a storable key
    EXPECT_EQ(panel->keyCombo(), expected);
}

TEST(PTKeyBroadcaster, ModifierConversionTable)
{
    EXPECT_EQ(PTKeyBroadcaster::cocoaModifiersAsCarbonModifiers(0x100000), 0x0100);
    EXPECT_EQ(PTKeyBroadcaster::cocoaModifiersAsCarbonModifiers(0x80000), 0x0800);
    EXPECT_EQ(PTKeyBroadcaster::cocoaModifiersAsCarbonModifiers(0x40000), 0x1000);
    EXPECT_EQ(PTKeyBroadcaster::cocoaModifiersAsCarbonModifiers(0x20000), 0x0200);
    EXPECT_EQ(PTKeyBroadcaster::cocoaModifiersAsCarbonModifiers(0x800000), 0x8000);
    // Caps lock, numeric pad, help and the device-dependent low bits are dropped.
    EXPECT_EQ(PTKeyBroadcaster::cocoaModifiersAsCarbonModifiers(0x10000 | 0x200000 | 0x400000 | 0xFFFF), 0);
    EXPECT_EQ(PTKeyBroadcaster::cocoaModifiersAsCarbonModifiers(0x1E0000 | 0x800000), 0x9B00);
}

TEST_F(PanelTest, NoShortcutActsWhileTheBroadcasterHasTheFocus)
{
    QWidget other;
    auto *edit = new QLineEdit(&other);
    int fired = 0;
    QShortcut shortcut(QKeySequence(Qt::CTRL | Qt::Key_K), &other);
    shortcut.setContext(Qt::ApplicationShortcut);
    QObject::connect(&shortcut, &QShortcut::activated, [&] { ++fired; });
    other.show();
    edit->setFocus();
    QApplication::setActiveWindow(&other);
    QTest::keyClick(edit, Qt::Key_K, Qt::ControlModifier);
    ASSERT_EQ(fired, 1) << "the shortcut works elsewhere";

    QDialog *dialog = panel->window();
    dialog->show();
    QApplication::setActiveWindow(dialog);
    broadcaster->setFocus();
    QTest::keyClick(broadcaster, Qt::Key_K, Qt::ControlModifier);
    QTest::keyClick(broadcaster, Qt::Key_Escape);
    QTest::keyClick(broadcaster, Qt::Key_Return);
    QTest::keyClick(broadcaster, Qt::Key_Space);
    EXPECT_EQ(fired, 1);
    EXPECT_TRUE(dialog->isVisible()) << "Escape or Return closed the panel";
    dialog->hide();
}

TEST_F(PanelTest, SheetEndsWithOkCancelAndClear)
{
    QWidget parent;
    parent.show();
    RecordingSheetTarget target;

    panel->setKeyCombo(PTKeyCombo(0x12, 0x0100));
    panel->setKeyBindingName("Port 2");
    panel->runSheetForModalWindow(&parent, &target);
    EXPECT_TRUE(panel->isSheet());
    EXPECT_TRUE(panel->window()->isVisible());
    EXPECT_EQ(panel->titleField()->text(),
              QString::fromUtf8("Press the new key combination for “Port 2”."));
    EXPECT_EQ(panel->keyBindingName(), "Port 2");
    press(broadcaster, Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier, KEY_K);
    panel->ok();
    ASSERT_EQ(target.codes, QList<int>{1});
    EXPECT_EQ(target.combos.last(), PTKeyCombo(0x28, 0x0300));
    EXPECT_FALSE(panel->window()->isVisible());
    EXPECT_FALSE(panel->isSheet());

    panel->runSheetForModalWindow(&parent, &target);
    press(broadcaster, Qt::Key_1, Qt::MetaModifier, KEY_1);
    panel->cancel();
    EXPECT_EQ(target.codes, (QList<int>{1, 0}));

    panel->runSheetForModalWindow(&parent, &target);
    panel->clear();
    EXPECT_EQ(target.codes, (QList<int>{1, 0, 1}));
    EXPECT_TRUE(target.combos.last().isClearCombo());
    EXPECT_EQ(panel->comboField()->text(), "(None)");

    // Closing the window counts as Cancel; a run without a target notifies nobody.
    panel->runSheetForModalWindow(&parent, &target);
    panel->window()->close();
    EXPECT_EQ(target.codes, (QList<int>{1, 0, 1, 0}));
    panel->runSheetForModalWindow(&parent, nullptr);
    panel->ok();
    EXPECT_EQ(target.codes.size(), 4);
}

TEST_F(PanelTest, SheetWhoseParentWindowDiesEndsAsCancelAndThePanelLivesOn)
{
    RecordingSheetTarget target;
    auto parent = std::make_unique<QWidget>();
    parent->show();
    panel->runSheetForModalWindow(parent.get(), &target);
    parent.reset();
    EXPECT_EQ(target.codes, QList<int>{0});
    EXPECT_FALSE(panel->isSheet());

    // The panel makes its window again for the next run.
    QWidget second;
    second.show();
    panel->runSheetForModalWindow(&second, &target);
    ASSERT_NE(panel->keyBroadcaster(), nullptr);
    press(panel->keyBroadcaster(), Qt::Key_2, Qt::MetaModifier, KEY_2);
    panel->ok();
    EXPECT_EQ(target.codes, (QList<int>{0, 1}));
    EXPECT_EQ(target.combos.last(), PTKeyCombo(0x13, 0x0100));
    broadcaster = panel->keyBroadcaster();
}

TEST_F(PanelTest, HotKeysAreSuspendedWhileThePanelRunsAndBackAfterEveryEnd)
{
    PTHotKey hotKey("Port 1", PTKeyCombo(0x12, 0x0300));
    PTHotKeyCenter *center = PTHotKeyCenter::sharedCenter();
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    ASSERT_EQ(gService->registrations.size(), 1);

    // The target notes whether the grab was back when it heard of the end.
    struct GrabsSeen : RecordingSheetTarget {
        QList<qsizetype> grabs;
        void hotKeySheetDidEndWithReturnCode(int code) override
        {
            grabs.append(gService->registrations.size());
            RecordingSheetTarget::hotKeySheetDidEndWithReturnCode(code);
        }
    } target;
    const std::function<void(QWidget *)> ends[] = {
        [this](QWidget *) { panel->ok(); },
        [this](QWidget *) { panel->cancel(); },
        [this](QWidget *) { panel->clear(); },
        [this](QWidget *) { panel->window()->close(); },
        [](QWidget *parent) { delete parent; },
    };
    for (const auto &end : ends) {
        QPointer<QWidget> parent = new QWidget;
        parent->show();
        panel->runSheetForModalWindow(parent, &target);
        EXPECT_TRUE(center->isSuspended());
        EXPECT_TRUE(gService->registrations.isEmpty());
        // The combination reaches the panel, not the hot key.
        EXPECT_FALSE(gService->press(0x12, 0x0300));
        press(panel->keyBroadcaster(), Qt::Key_1, Qt::MetaModifier | Qt::ShiftModifier, KEY_1);
        EXPECT_EQ(panel->keyCombo(), PTKeyCombo(0x12, 0x0300));
        // A second run on the running sheet holds no second suspension.
        panel->runSheetForModalWindow(parent, &target);
        end(parent);
        EXPECT_FALSE(center->isSuspended());
        ASSERT_EQ(gService->registrations.size(), 1);
        EXPECT_EQ(gService->registrations.first().keyCode, 0x12);
        EXPECT_EQ(gService->registrations.first().modifiers, 0x0300);
        delete parent.data(); // null when the end was its destruction
    }
    EXPECT_EQ(target.grabs, (QList<qsizetype>{1, 1, 1, 1, 1}));

    // A modal run suspends them as well and gives them back before it returns.
    qsizetype grabsDuringRun = -1;
    QTimer::singleShot(0, panel, [&] {
        grabsDuringRun = gService->registrations.size();
        panel->cancel();
    });
    QTimer::singleShot(30000, panel, [this] { panel->cancel(); });
    EXPECT_EQ(panel->runModal(), 0);
    EXPECT_EQ(grabsDuringRun, 0);
    EXPECT_FALSE(center->isSuspended());
    EXPECT_EQ(gService->registrations.size(), 1);
    center->unregisterHotKey(&hotKey);
}

TEST(PTKeyComboPanel, FieldsWaitForTheWindow)
{
    PTKeyCodeTranslator::setLayoutSource(std::make_unique<FixedUsKeyboardLayout>());
    PTKeyComboPanel panel;
    panel.setKeyCombo(PTKeyCombo(0x28, 0x0100));
    panel.setKeyBindingName("Rotate");
    EXPECT_FALSE(panel.isWindowLoaded());
    EXPECT_EQ(panel.comboField(), nullptr);
    QWidget parent;
    RecordingSheetTarget target;
    panel.runSheetForModalWindow(&parent, &target);
    EXPECT_EQ(panel.comboField()->text(), QString::fromUtf16(u"\u2318K"));
    EXPECT_TRUE(panel.titleField()->text().contains("Rotate"));
    panel.cancel();
}

TEST_F(PanelTest, ModalRunsForAHotKey)
{
    PTHotKey hotKey("Port 3", PTKeyCombo(0x14, 0x0100));
    hotKey.setName("Port 3");
    PTHotKeyCenter *center = PTHotKeyCenter::sharedCenter();
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    ASSERT_EQ(gService->registrations.size(), 1);

    // Every modal run is ended from a timer; a second timer cancels in case the first missed.
    auto endWith = [this](const char *how, int evdev, Qt::KeyboardModifiers mods) {
        QTimer::singleShot(0, panel, [=, this] {
            if (evdev)
                press(panel->keyBroadcaster(), Qt::Key_unknown, mods, evdev);
            if (qstrcmp(how, "ok") == 0)
                panel->ok();
            else
                panel->cancel();
        });
        QTimer::singleShot(30000, panel, [this] { panel->cancel(); });
    };

    endWith("cancel", KEY_5, Qt::MetaModifier);
    panel->runModalForHotKey(&hotKey);
    EXPECT_EQ(hotKey.keyCombo(), PTKeyCombo(0x14, 0x0100));
    EXPECT_EQ(center->allHotKeys(), QList<PTHotKey *>{&hotKey});
    EXPECT_EQ(gService->registrations.first().keyCode, 0x14);
    EXPECT_EQ(panel->keyBindingName(), "Port 3");

    endWith("ok", KEY_5, Qt::MetaModifier | Qt::AltModifier);
    panel->runModalForHotKey(&hotKey);
    EXPECT_EQ(hotKey.keyCombo(), PTKeyCombo(0x17, 0x0900));
    ASSERT_EQ(gService->registrations.size(), 1);
    EXPECT_EQ(gService->registrations.first().keyCode, 0x17);
    EXPECT_EQ(gService->registrations.first().modifiers, 0x0900);

    endWith("ok", 0, Qt::NoModifier);
    EXPECT_EQ(panel->runModal(), 1);
    EXPECT_FALSE(panel->window()->isVisible());
    center->unregisterHotKey(&hotKey);
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PTHotKeyCenter::setSharedServiceFactory([] {
        auto service = std::make_unique<FakeHotKeyService>();
        gService = service.get();
        return service;
    });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
