// The five hot-key bindings; see HotKeyBindings.h.
#include "HotKeyBindings.h"

#include "AppLog.h"
#include "PTHotKeys/PTHotKey.h"
#include "PTHotKeys/PTHotKeyCenter.h"
#include "PTKeyComboPanel.h"
#include "Translation.h"
#include "switch/DefaultsStore.h"

#include <QAction>

namespace {

// The five bindings, in the order they are made, registered and saved.
struct BindingSpec {
    const char *key;    // identifier, name and defaults key
    const char *action; // invokable member of the target taking the sender
};
constexpr BindingSpec kBindings[HotKeyBindings::kCount] = {
    {"Port 1", "switchToPort1"}, {"Port 2", "switchToPort2"}, {"Port 3", "switchToPort3"},
    {"Port 4", "switchToPort4"}, {"Rotate", "rotate"},
};

bool inRange(int binding)
{
    return binding >= 1 && binding <= HotKeyBindings::kCount;
}

// What a binding's field and menu item say about a valid combination the service refused.
QString notActiveText(const QString &description)
{
    return tx("%1 — not active").arg(description);
}

QString refusal(const QString &reason)
{
    return reason.isEmpty() ? tx("The hot key could not be registered.") : reason;
}

} // namespace

HotKeyBindings::HotKeyBindings(QObject *target, const std::array<QAction *, kCount> &menuItems,
                               QObject *parent)
    : QObject(parent), mTarget(target), mMenuHotkeys(menuItems)
{
}

HotKeyBindings::~HotKeyBindings() = default;

QString HotKeyBindings::key(int binding)
{
    return inRange(binding) ? QString::fromLatin1(kBindings[binding - 1].key) : QString();
}

PTHotKey *HotKeyBindings::hotKey(int binding) const
{
    return inRange(binding) ? mHotKeys[binding - 1] : nullptr;
}

QString HotKeyBindings::failure(int binding) const
{
    return inRange(binding) ? mFailure[binding - 1] : QString();
}

bool HotKeyBindings::isInactive(int binding) const
{
    PTHotKey *hot = hotKey(binding);
    return hot != nullptr && hot->keyCombo().isValidHotKeyCombo() && !mFailure[binding - 1].isEmpty();
}

bool HotKeyBindings::isActive(int binding) const
{
    PTHotKey *hot = hotKey(binding);
    return hot != nullptr && hot->keyCombo().isValidHotKeyCombo() && mActive[binding - 1];
}

QString HotKeyBindings::problem(int binding) const
{
    if (!isInactive(binding))
        return {};
    const QString &trigger = mTrigger[binding - 1];
    const QString key = trigger.isEmpty() ? hotKey(binding)->keyCombo().description() : trigger;
    // „Anschluss 1“ stays on one line when the sentence wraps.
    const QString name = tx(kBindings[binding - 1].key).replace(QLatin1Char(' '), QChar::Nbsp);
    return tx("%1: %2 is not active: %3").arg(name, key, mFailure[binding - 1]);
}

QString HotKeyBindings::description(int binding) const
{
    PTHotKey *hot = hotKey(binding);
    if (hot == nullptr)
        return {};
    const QString &trigger = mTrigger[binding - 1];
    const QString text = trigger.isEmpty() ? hot->keyCombo().description() : trigger;
    // The field is narrow: the whole reason is said under the fields (problem()).
    return isInactive(binding) ? notActiveText(text) : text;
}

QString HotKeyBindings::notice() const
{
    QStringList lines;
    if (!mLimitation.isEmpty())
        lines.append(mLimitation);
    for (const QString &note : mNote) {
        if (!note.isEmpty() && !lines.contains(note))
            lines.append(note);
    }
    return lines.join(QLatin1Char('\n'));
}

void HotKeyBindings::setUp()
{
    const DefaultsStore &defaults = DefaultsStore::standard();
    for (int i = 0; i < kCount; ++i) {
        const QString name = QString::fromLatin1(kBindings[i].key);
        const PTKeyCombo combo = PTKeyCombo::keyComboWithPlistRepresentation(defaults.objectForKey(name));
        // A child: should the bindings go without the quit steps, the center still hears of
        // the hot key's end and drops its grab.
        auto *hot = new PTHotKey(name, combo, this);
        hot->setName(name);
        hot->setTarget(mTarget);
        hot->setAction(kBindings[i].action);
        delete mHotKeys[i]; // a second launch replaces, never leaks
        mHotKeys[i] = hot;
        mFailure[i].clear();
        mTrigger[i].clear();
        mNote[i].clear();
        mActive[i] = false;
        showKeyEquivalent(i);
    }
    PTHotKeyCenter *center = PTHotKeyCenter::sharedCenter();
    if (mCenterConnections.isEmpty()) {
        // A desktop that binds keys answers in its own time, and may later bind another key
        // or none. The capture panel suspends every grab while it runs; one that another
        // program took in the meantime is refused when they come back.
        mCenterConnections = {
            connect(center, &PTHotKeyCenter::grantChanged, this, &HotKeyBindings::grantChanged),
            connect(center, &PTHotKeyCenter::registrationLost, this,
                    [this](PTHotKey *lost, int) { grantChanged(lost); }),
            connect(center, &PTHotKeyCenter::limitationChanged, this, [this](const QString &limitation) {
                mLimitation = limitation;
                emit descriptionsChanged();
            })};
    }
    mLimitation = center->limitation();
    for (int i = 0; i < kCount; ++i)
        registerHotKey(i);
}

void HotKeyBindings::registerHotKey(int index)
{
    PTHotKeyCenter::sharedCenter()->registerHotKey(mHotKeys[index]);
    takeGrant(index);
}

void HotKeyBindings::takeGrant(int index)
{
    const HotKeyGrant grant = PTHotKeyCenter::sharedCenter()->grantForHotKey(mHotKeys[index]);
    // The binding keeps a refused combination; the user is told why pressing it does nothing.
    mFailure[index] = grant.pending || grant.status == 0 ? QString() : refusal(grant.reason);
    mActive[index] = grant.isActive();
    mTrigger[index] = grant.trigger;
    mNote[index] = grant.note;
    showKeyEquivalent(index);
}

void HotKeyBindings::grantChanged(PTHotKey *hot)
{
    for (int i = 0; i < kCount; ++i) {
        if (hot != nullptr && mHotKeys[i] == hot) {
            takeGrant(i);
            emit descriptionsChanged();
        }
    }
}

// The menu shows the combination beside the command, for display only: it is written into the
// item's text after a tab, the column a menu keeps for shortcuts, and never becomes a
// QAction shortcut. A shortcut would be a second trigger next to the global grab (on a
// desktop that routes keys to an open menu or to our windows the command would run twice).
void HotKeyBindings::showKeyEquivalent(int index)
{
    QAction *item = mMenuHotkeys[index];
    PTHotKey *hot = mHotKeys[index];
    if (item == nullptr || hot == nullptr)
        return;
    const PTKeyCombo combo = hot->keyCombo();
    QVariant title = item->property("tarvexTitle");
    if (!title.isValid()) {
        title = item->text().section(QLatin1Char('\t'), 0, 0);
        item->setProperty("tarvexTitle", title);
    }
    item->setProperty("keyEquivalentModifierMask", combo.keyEquivalentModifierMask());
    item->setProperty("keyEquivalent", combo.keyEquivalent());
    QString text = title.toString();
    // A key that does nothing when pressed is no key of the command's: the menu stays
    // silent and the preferences say why.
    if (combo.isValidHotKeyCombo() && mActive[index]) {
        QString key = mTrigger[index].isEmpty() ? combo.description() : mTrigger[index];
        // "&" is a mnemonic marker in menu texts; a key named "&" (AZERTY 1) must show as one.
        text += QLatin1Char('\t') + key.replace(QLatin1Char('&'), QLatin1String("&&"));
    }
    item->setText(text);
    item->setToolTip(isInactive(index + 1) ? description(index + 1) : QString());
}

bool HotKeyBindings::edit(int binding, QWidget *window, PTKeyComboPanelTarget *target)
{
    PTHotKey *hot = hotKey(binding);
    if (hot == nullptr) // start-up never made the bindings, or quit took them
        return false;
    PTKeyComboPanel *panel = PTKeyComboPanel::sharedPanel();
    panel->setKeyBindingName(hot->name());
    panel->setClashLookup([this](const PTKeyCombo &combo) {
        const int other = holder(combo, PTKeyComboPanel::sharedPanel()->keyBindingName());
        return other > 0 ? tx(kBindings[other - 1].key) : QString();
    });
    panel->setKeyCombo(hot->keyCombo());
    panel->runSheetForModalWindow(window, target);
    return true;
}

int HotKeyBindings::holder(const PTKeyCombo &combo, const QString &except) const
{
    for (int i = 0; i < kCount; ++i) {
        if (mHotKeys[i] != nullptr && except != QLatin1String(kBindings[i].key)
            && combo.isValidHotKeyCombo() && mHotKeys[i]->keyCombo() == combo)
            return i + 1;
    }
    return 0;
}

QList<int> HotKeyBindings::sheetDidEnd(int returnCode)
{
    // Cancel changes nothing. It is also the only answer heard while the program goes down
    // (the window takes the sheet along), so it must touch nothing.
    if (returnCode != 1)
        return {};
    PTKeyComboPanel *panel = PTKeyComboPanel::sharedPanel();
    const QString name = panel->keyBindingName();
    const PTKeyCombo combo = panel->keyCombo();
    QList<int> changed;
    for (int i = 0; i < kCount; ++i) {
        if (name != QLatin1String(kBindings[i].key) || mHotKeys[i] == nullptr)
            continue;
        // The key moves: its old holder lets go first, so the new one's grab finds it free.
        while (const int other = holder(combo, name)) {
            mHotKeys[other - 1]->setKeyCombo(PTKeyCombo::clearKeyCombo());
            registerHotKey(other - 1);
            changed.append(other);
        }
        mHotKeys[i]->setKeyCombo(combo);
        // Drops the old grab first; a cleared hot key stays unregistered.
        registerHotKey(i);
        changed.append(i + 1);
        break;
    }
    emit descriptionsChanged();
    return changed;
}

void HotKeyBindings::save()
{
    DefaultsStore &defaults = DefaultsStore::standard();
    for (int i = 0; i < kCount; ++i) {
        PTHotKey *&hot = mHotKeys[i];
        if (hot == nullptr) // start-up stopped early: the stored combinations stay as they are
            continue;
        // Clear ones too ({-1, -1}), so a cleared binding stays cleared after a restart.
        // A full disk fails every one of them alike: said once, not once per binding.
        if (!defaults.setObjectForKey(key(i + 1), hot->keyCombo().plistRepresentation())
            && defaults.failureIsNew())
            qCWarning(tarvexApp, "could not save the hot keys: %s", qPrintable(defaults.lastError()));
        PTHotKeyCenter::sharedCenter()->unregisterHotKey(hot);
        delete hot;
        hot = nullptr;
        mFailure[i].clear();
        mTrigger[i].clear();
        mNote[i].clear();
        mActive[i] = false;
    }
}
