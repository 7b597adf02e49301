// The capture panel on the offscreen platform: presses carrying native scan codes become
// combinations of the physical key, Shift alone on a typing key is refused with the reason;
// Escape and Return / Enter alone end it, Backspace / Delete only clear the field; every way a
// sheet ends reports its code; our hot keys hold no grabs meanwhile and get them back.
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
#include <QPointer>

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <functional>

namespace {

FakeHotKeyService *gService = nullptr;
PTKeyComboPanel *panel() { return PTKeyComboPanel::sharedPanel(); }

// A key press as the xcb platform delivers it: the X keycode (evdev + 8) as native scan code.
void press(int evdev, Qt::KeyboardModifiers modifiers = {}, int qtKey = 0)
{
    QKeyEvent event(QEvent::KeyPress, qtKey, modifiers, evdev ? evdev + 8 : 0, 0, 0, {}, false, 1);
    QApplication::sendEvent(panel()->keyBroadcaster(), &event);
}

// Notes each end of a sheet: its code, the combination it ended with, whether the grab was back.
struct RecordingSheetTarget : QObject, PTKeyComboPanelTarget {
    QList<std::tuple<int, PTKeyCombo, Combos>> ends;
    void hotKeySheetDidEndWithReturnCode(int code) override
    {
        ends.append({code, panel()->keyCombo(), gService->grabbed()});
    }
};

} // namespace

TEST(PTKeyComboPanel, CapturesThePhysicalKeyAndIgnoresLockAndModifierKeys)
{
    const PTKeyCombo ctrlEscape(0x35, 0x1000), ctrlAlt2(0x13, 0x1800);
    const Qt::KeyboardModifiers ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
    const struct { int evdev; Qt::KeyboardModifiers mods; PTKeyCombo expected; const char *shown; } cases[] = {
        {KEY_K, Qt::MetaModifier | Qt::ShiftModifier, PTKeyCombo(0x28, 0x0300), "Super+Shift+K"},
        {KEY_1, Qt::MetaModifier, PTKeyCombo(0x12, 0x0100), "Super+1"},
        {KEY_2, ctrlAlt, ctrlAlt2, "Ctrl+Alt+2"},
        // Shift alone would take the character from every window: refused, the field keeps
        // what it had and says why.
        {KEY_A, Qt::ShiftModifier, ctrlAlt2, "Ctrl+Alt+2"},
        {KEY_1, Qt::ShiftModifier, ctrlAlt2, "Ctrl+Alt+2"},
        {KEY_SPACE, Qt::ShiftModifier, ctrlAlt2, "Ctrl+Alt+2"},
        {KEY_F5, Qt::ShiftModifier, PTKeyCombo(0x60, 0x8200), "Shift+F5"},
        {KEY_TAB, Qt::ShiftModifier, PTKeyCombo(0x30, 0x0200), "Shift+Tab"},
        {KEY_K, Qt::NoModifier, PTKeyCombo(0x28, 0), "(None)"},
        {KEY_F5, Qt::NoModifier, PTKeyCombo(0x60, 0x8000), "F5"},
        {KEY_UP, Qt::ControlModifier | Qt::KeypadModifier, PTKeyCombo(0x7E, 0x9000), nullptr},
        {KEY_Z, Qt::MetaModifier, PTKeyCombo(0x06, 0x0100), nullptr}, // whatever it prints
        {KEY_ESC, Qt::ControlModifier, ctrlEscape, "Ctrl+Escape"}, // a modifier held: captured
        {KEY_LEFTMETA, Qt::MetaModifier, ctrlEscape, nullptr}, // a modifier alone: nothing changes
        {0, Qt::MetaModifier, ctrlEscape, nullptr},            // no physical key known
        {KEY_POWER, Qt::NoModifier, ctrlEscape, nullptr},      // not storable
    };
    panel()->window();
    for (const auto &c : cases) {
        press(c.evdev, c.mods, Qt::Key_K);
        EXPECT_EQ(panel()->keyCombo(), c.expected) << c.evdev;
        EXPECT_TRUE(!c.shown || panel()->comboField()->text() == c.shown) << c.evdev;
        const bool refused = c.mods == Qt::ShiftModifier && c.expected == ctrlAlt2;
        EXPECT_EQ(panel()->problem().endsWith("would make the key impossible to type. Add Ctrl, Alt or Super."),
                  refused) << c.evdev;
    }
}

TEST(PTKeyComboPanel, EverySheetEndReportsItsCodeAndGivesTheGrabsBack)
{
    PTHotKey hotKey("Port 1", PTKeyCombo(0x12, 0x0300));
    PTHotKeyCenter *center = PTHotKeyCenter::sharedCenter();
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    RecordingSheetTarget target;
    const PTKeyCombo captured(0x12, 0x0300), none; // Super+Shift+1 is pressed during each run
    const std::pair<std::function<void(QWidget *)>, std::pair<int, PTKeyCombo>> ends[] = {
        {[](QWidget *) { panel()->ok(); }, {1, captured}},
        {[](QWidget *) { panel()->cancel(); }, {0, captured}},
        {[](QWidget *) { press(KEY_ESC); }, {0, captured}},
        {[](QWidget *) { press(KEY_ENTER); }, {1, captured}},
        // Clear, Backspace and Forward Delete (no held modifier) only empty the field: a
        // correction must not save; Return or OK does, Escape keeps the old key.
        {[](QWidget *) { panel()->clear(); EXPECT_TRUE(panel()->isSheet()); panel()->ok(); }, {1, none}},
        {[](QWidget *) { press(KEY_BACKSPACE); EXPECT_TRUE(panel()->isSheet()); press(KEY_ENTER); }, {1, none}},
        {[](QWidget *) { press(KEY_DELETE); press(KEY_ESC); }, {0, none}},
        {[](QWidget *) { panel()->window()->close(); }, {0, captured}},
        // The parent window dies: Cancel, and the next run makes the panel's window again.
        {[](QWidget *parent) { delete parent; }, {0, captured}},
    };
    for (const auto &[end, expected] : ends) {
        QPointer<QWidget> parent = new QWidget;
        panel()->setKeyBindingName("Port & 2");
        panel()->runSheetForModalWindow(parent, &target);
        // The name never breaks across lines.
        EXPECT_EQ(panel()->titleField()->text(), "Press the new &key combination for “Port\u00A0&&\u00A02”.");
        EXPECT_FALSE(gService->press(0x12, 0x0300)); // the keys reach the panel, not the hot key
        press(KEY_A, Qt::ShiftModifier); // refused: the panel grows to show the reason whole
        EXPECT_EQ(panel()->window()->height(), panel()->window()->heightForWidth(panel()->window()->width()));
        press(KEY_1, Qt::MetaModifier | Qt::ShiftModifier);
        panel()->runSheetForModalWindow(parent, &target); // a second run holds no second suspension
        end(parent);
        // The grab was back before the target heard.
        EXPECT_EQ(target.ends.last(), std::tuple_cat(expected, std::tuple(Combos{{0x12, 0x0300}})));
        EXPECT_FALSE(panel()->isSheet() || panel()->window()->isVisible() || center->isSuspended());
        delete parent.data();
    }
    panel()->runSheetForModalWindow(nullptr, nullptr); // no target: nobody to tell
    panel()->ok();
    EXPECT_EQ(target.ends.size(), qsizetype(std::size(ends)));
    // Every button has a mnemonic (the broadcaster through its label) and an accessible name.
    for (QPushButton *button : panel()->window()->findChildren<QPushButton *>()) {
        EXPECT_FALSE(button->accessibleName().isEmpty()) << button->objectName().toStdString();
        EXPECT_TRUE(button->text().contains('&') || panel()->titleField()->buddy() == button);
    }
    center->unregisterHotKey(&hotKey);
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PTKeyCodeTranslator::setLayoutSource(std::make_unique<FixedUsKeyboardLayout>());
    PTHotKeyCenter::setSharedServiceFactory([] {
        auto service = std::make_unique<FakeHotKeyService>();
        gService = service.get();
        return service;
    });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
