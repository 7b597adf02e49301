// The switch list: a "Switch" submenu of the status menu that behaves like a pop-up button.
// Exactly one item is selected and carries the check mark; choosing an item selects it and
// then reports the choice; selecting from code reports nothing.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

class QAction;
class QActionGroup;
class QMenu;

class SwitchPopUp : public QObject
{
    Q_OBJECT
public:
    struct Item {
        QString title;
        int tag = 0;
        QVariant representedObject;
        bool separator = false;
    };

    explicit SwitchPopUp(const QString &title, QObject *parent = nullptr);
    ~SwitchPopUp() override;

    QMenu *menu() const { return mMenu; }

    // Replaces all items; the first selectable item becomes the selected one.
    void setItems(const QList<Item> &items);

    int numberOfItems() const { return int(mItems.size()); }
    Item itemAtIndex(int index) const;
    QAction *actionAtIndex(int index) const;
    // -1 when no item carries the object (an invalid object matches nothing).
    int indexOfItemWithRepresentedObject(const QVariant &object) const;

    // Programmatic selection; does not report a choice. Out-of-range indexes and
    // separators select nothing.
    void selectItemAtIndex(int index);
    int indexOfSelectedItem() const { return mSelected; }
    int selectedTag() const;
    QVariant selectedRepresentedObject() const;

    // What a click on the item does: select it, then report the choice.
    void activateItemAtIndex(int index);

signals:
    // The user chose an item; it is already the selected one.
    void activated();

private:
    void updateChecks();

    QMenu *mMenu;
    QActionGroup *mGroup = nullptr;
    QList<Item> mItems;
    QList<QAction *> mActions;
    int mSelected = -1;
};
