// A sender's on/off state; see ControlState.h.
#include "ControlState.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QVariant>

int controlState(QObject *sender)
{
    if (auto *box = qobject_cast<QCheckBox *>(sender)) {
        switch (box->checkState()) {
        case Qt::Unchecked:
            return 0;
        case Qt::Checked:
            return 1;
        default:
            return -1;
        }
    }
    if (auto *action = qobject_cast<QAction *>(sender))
        return action->isCheckable() ? (action->isChecked() ? 1 : 0) : -1;
    if (auto *button = qobject_cast<QAbstractButton *>(sender))
        return button->isCheckable() ? (button->isChecked() ? 1 : 0) : -1;
    const QVariant state = sender != nullptr ? sender->property("state") : QVariant();
    return state.isValid() ? state.toInt() : -1;
}
