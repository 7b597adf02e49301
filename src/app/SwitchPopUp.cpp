// The switch list submenu with pop-up semantics; see SwitchPopUp.h.
#include "SwitchPopUp.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

SwitchPopUp::SwitchPopUp(const QString &title, QObject *parent)
    : QObject(parent), mMenu(new QMenu(title))
{
}

SwitchPopUp::~SwitchPopUp()
{
    delete mMenu;
}

void SwitchPopUp::setItems(const QList<Item> &items)
{
    mMenu->clear();
    delete mGroup;
    mGroup = new QActionGroup(this);
    mGroup->setExclusive(true);
    mItems = items;
    mActions.clear();
    mSelected = -1;
    for (int index = 0; index < int(items.size()); ++index) {
        const Item &item = items[index];
        QAction *action = item.separator ? mMenu->addSeparator() : mMenu->addAction(item.title);
        if (!item.separator) {
            action->setCheckable(true);
            action->setActionGroup(mGroup);
            action->setData(item.representedObject);
            connect(action, &QAction::triggered, this, [this, index] { activateItemAtIndex(index); });
            if (mSelected < 0)
                mSelected = index;
        }
        mActions.append(action);
    }
    updateChecks();
}

SwitchPopUp::Item SwitchPopUp::itemAtIndex(int index) const
{
    return index >= 0 && index < int(mItems.size()) ? mItems[index] : Item{};
}

QAction *SwitchPopUp::actionAtIndex(int index) const
{
    return index >= 0 && index < int(mActions.size()) ? mActions[index] : nullptr;
}

int SwitchPopUp::indexOfItemWithRepresentedObject(const QVariant &object) const
{
    if (!object.isValid() || object.isNull())
        return -1;
    for (int index = 0; index < int(mItems.size()); ++index) {
        if (!mItems[index].separator && mItems[index].representedObject == object)
            return index;
    }
    return -1;
}

void SwitchPopUp::selectItemAtIndex(int index)
{
    if (index < 0 || index >= int(mItems.size()) || mItems[index].separator)
        return;
    mSelected = index;
    updateChecks();
}

int SwitchPopUp::selectedTag() const
{
    return mSelected >= 0 ? mItems[mSelected].tag : 0;
}

QVariant SwitchPopUp::selectedRepresentedObject() const
{
    return mSelected >= 0 ? mItems[mSelected].representedObject : QVariant();
}

void SwitchPopUp::activateItemAtIndex(int index)
{
    if (index < 0 || index >= int(mItems.size()) || mItems[index].separator)
        return;
    mSelected = index;
    updateChecks();
    emit activated();
}

void SwitchPopUp::updateChecks()
{
    for (int index = 0; index < int(mActions.size()); ++index) {
        if (!mItems[index].separator)
            mActions[index]->setChecked(index == mSelected);
    }
}
