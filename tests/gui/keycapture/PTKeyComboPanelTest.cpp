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

// Notes each end of a sheet, the combination it ended with and whether the grab was back.
struct RecordingSheetTarget : QObject, PTKeyComboPanelTarget {
    QList<int> codes;
    QList<PTKeyCombo> combos;
    QList<qsizetype> grabs;
    void hotKeySheetDidEndWithReturnCode(int code) override
    {
        codes.append(code);
        combos.append(PTKeyComboPanel::sharedPanel()->keyCombo());
        grabs.append(gService->registrations.size());
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
        ASSERT_NE(panel->keyBroadcaster(), nullptr);
    }
    PTKeyComboPanel *panel = nullptr;
};

} // namespace

TEST_F(PanelTest, CapturesFromThePhysicalKeyAndIgnoresLockAndModifierKeys)
{
    const PTKeyCombo unchanged(-2, -2); // marks a press that must leave the combination alone
    struct Case {
        int qtKey;
        Qt::KeyboardModifiers mods;
        int evdev;
        quint32 nativeMods;
        const char *text;
        PTKeyCombo expected;
        const char16_t *shown;
    };
    const Case cases[] = {
        {Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier, KEY_K, 0, "", PTKeyCombo(0x28, 0x0300), u"\u2318\u21E7K"},
        {Qt::Key_K, Qt::NoModifier, KEY_K, 0, "k", PTKeyCombo(0x28, 0), u"(None)"},
        {Qt::Key_F5, Qt::NoModifier, KEY_F5, 0, "", PTKeyCombo(0x60, 0x8000), u"F5"},
        {Qt::Key_Up, Qt::ControlModifier | Qt::KeypadModifier, KEY_UP, 0, "", PTKeyCombo(0x7E, 0x9000), nullptr},
        {Qt::Key_A, Qt::AltModifier, KEY_A, 0, "", PTKeyCombo(0, 0x0800), nullptr}, // the A key, code 0
        // The key that produced "y" under another layout is still the physical Z key.
        {Qt::Key_Y, Qt::MetaModifier, KEY_Z, 0, "y", PTKeyCombo(0x06, 0x0100), nullptr},
        {Qt::Key_1, Qt::MetaModifier, KEY_1, 0, "", PTKeyCombo(0x12, 0x0100), nullptr},
        // Caps Lock on: the X state carries the Lock bit, Qt adds no modifier for it.
        {Qt::Key_1, Qt::MetaModifier, KEY_1, 0x02 | 0x40, "", PTKeyCombo(0x12, 0x0100), nullptr},
        {Qt::Key_CapsLock, Qt::NoModifier, KEY_CAPSLOCK, 0, "", unchanged, nullptr},
        {Qt::Key_NumLock, Qt::NoModifier, KEY_NUMLOCK, 0, "", unchanged, nullptr},
        {Qt::Key_Shift, Qt::ShiftModifier, KEY_LEFTSHIFT, 0, "", unchanged, nullptr},
        {Qt::Key_Super_L, Qt::MetaModifier, KEY_LEFTMETA, 0, "", unchanged, nullptr},
        {Qt::Key_K, Qt::MetaModifier, 0, 0, "", unchanged, nullptr}, // no physical key known
        {Qt::Key_PowerOff, Qt::NoModifier, KEY_POWER, 0, "", unchanged, nullptr}, // not storable
    };
    for (const Case &c : cases) {
        const PTKeyCombo before = panel->keyCombo();
        press(panel->keyBroadcaster(), c.qtKey, c.mods, c.evdev, c.nativeMods, c.text);
        EXPECT_EQ(panel->keyCombo(), c.expected == unchanged ? before : c.expected) << c.qtKey;
        if (c.shown) {
            EXPECT_EQ(panel->comboField()->text(), QString::fromUtf16(c.shown));
        }
    }
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
    panel->keyBroadcaster()->setFocus();
    for (int key : {Qt::Key_K, Qt::Key_Escape, Qt::Key_Return, Qt::Key_Space})
        QTest::keyClick(panel->keyBroadcaster(), Qt::Key(key), key == Qt::Key_K ? Qt::ControlModifier : Qt::NoModifier);
    EXPECT_EQ(fired, 1);
    EXPECT_TRUE(dialog->isVisible()) << "Escape or Return closed the panel";
    dialog->hide();
}

TEST_F(PanelTest, EverySheetEndReportsItsCodeAndGivesTheGrabsBack)
{
    PTHotKey hotKey("Port 1", PTKeyCombo(0x12, 0x0300));
    PTHotKeyCenter *center = PTHotKeyCenter::sharedCenter();
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    RecordingSheetTarget target;
    struct End {
        std::function<void(QWidget *)> end;
        int code;
        PTKeyCombo combo;
    };
    const End ends[] = {
        {[this](QWidget *) { panel->ok(); }, 1, PTKeyCombo(0x12, 0x0300)},
        {[this](QWidget *) { panel->cancel(); }, 0, PTKeyCombo(0x12, 0x0300)},
        // The parent window dies: Cancel, and the next run makes the panel's window again.
        {[](QWidget *parent) { delete parent; }, 0, PTKeyCombo(0x12, 0x0300)},
        {[this](QWidget *) { panel->window()->close(); }, 0, PTKeyCombo(0x12, 0x0300)},
        {[this](QWidget *) { panel->clear(); }, 1, PTKeyCombo::clearKeyCombo()},
    };
    for (const End &end : ends) {
        QPointer<QWidget> parent = new QWidget;
        parent->show();
        panel->setKeyBindingName("Port 2");
        panel->runSheetForModalWindow(parent, &target);
        EXPECT_TRUE(panel->isSheet());
        EXPECT_EQ(panel->titleField()->text(),
                  QString::fromUtf8("Press the new key combination for “Port 2”."));
        EXPECT_TRUE(center->isSuspended());
        // The combination reaches the panel, not the hot key.
        EXPECT_FALSE(gService->press(0x12, 0x0300));
        press(panel->keyBroadcaster(), Qt::Key_1, Qt::MetaModifier | Qt::ShiftModifier, KEY_1);
        panel->runSheetForModalWindow(parent, &target); // a second run holds no second suspension
        end.end(parent);
        ASSERT_EQ(target.codes.size(), target.combos.size());
        EXPECT_EQ(target.codes.last(), end.code);
        EXPECT_EQ(target.combos.last(), end.combo);
        EXPECT_FALSE(panel->isSheet());
        EXPECT_FALSE(panel->window()->isVisible());
        EXPECT_FALSE(center->isSuspended());
        EXPECT_EQ(gService->grabbed(), (Combos{{0x12, 0x0300}}));
        delete parent.data(); // null when the end was its destruction
    }
    EXPECT_EQ(target.grabs, QList<qsizetype>(5, 1)); // the grab was back when the target heard
    EXPECT_EQ(panel->comboField()->text(), "(None)");

    // A run without a target notifies nobody.
    QWidget parent;
    panel->runSheetForModalWindow(&parent, nullptr);
    panel->ok();
    EXPECT_EQ(target.codes.size(), 5);
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
    panel.runSheetForModalWindow(&parent, nullptr);
    EXPECT_EQ(panel.comboField()->text(), QString::fromUtf16(u"\u2318K"));
    EXPECT_TRUE(panel.titleField()->text().contains("Rotate"));
    panel.cancel();
}

TEST_F(PanelTest, ModalRunsSuspendTheGrabsAndChangeTheHotKeyOnlyOnOk)
{
    PTHotKey hotKey("Port 3", PTKeyCombo(0x14, 0x0100));
    hotKey.setName("Port 3");
    PTHotKeyCenter *center = PTHotKeyCenter::sharedCenter();
    ASSERT_TRUE(center->registerHotKey(&hotKey));

    // Every modal run is ended from a timer; a second timer cancels in case the first missed.
    qsizetype grabsDuringRun = -1;
    auto endWith = [&](bool ok, int evdev, Qt::KeyboardModifiers mods) {
        QTimer::singleShot(0, panel, [=, this, &grabsDuringRun] {
            grabsDuringRun = gService->registrations.size();
            if (evdev)
                press(panel->keyBroadcaster(), Qt::Key_unknown, mods, evdev);
            ok ? panel->ok() : panel->cancel();
        });
        QTimer::singleShot(30000, panel, [this] { panel->cancel(); });
    };

    endWith(false, KEY_5, Qt::MetaModifier);
    panel->runModalForHotKey(&hotKey);
    EXPECT_EQ(grabsDuringRun, 0);
    EXPECT_EQ(hotKey.keyCombo(), PTKeyCombo(0x14, 0x0100));
    EXPECT_EQ(gService->grabbed(), (Combos{{0x14, 0x0100}}));
    EXPECT_EQ(panel->keyBindingName(), "Port 3");

    endWith(true, KEY_5, Qt::MetaModifier | Qt::AltModifier);
    panel->runModalForHotKey(&hotKey);
    EXPECT_EQ(hotKey.keyCombo(), PTKeyCombo(0x17, 0x0900));
    EXPECT_EQ(gService->grabbed(), (Combos{{0x17, 0x0900}}));

    endWith(true, 0, Qt::NoModifier);
    EXPECT_EQ(panel->runModal(), 1);
    endWith(false, 0, Qt::NoModifier);
    EXPECT_EQ(panel->runModal(), 0);
    EXPECT_FALSE(panel->window()->isVisible());
    EXPECT_FALSE(center->isSuspended());
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
