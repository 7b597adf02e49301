// PTHotKey: one named hot key: identifier, display name, key combination, and the target and
// action invoked when it is pressed. It knows nothing of the system's hot-key service.
#pragma once

#include "PTHotKeys/PTKeyCombo.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

class PTHotKey : public QObject
{
    Q_OBJECT

public:
    explicit PTHotKey(QObject *parent = nullptr);
    PTHotKey(const QString &identifier, const PTKeyCombo &keyCombo, QObject *parent = nullptr);
    ~PTHotKey() override;

    QString identifier() const { return mIdentifier; }
    void setIdentifier(const QString &identifier) { mIdentifier = identifier; }
    QString name() const { return mName; }
    void setName(const QString &name) { mName = name; }

    // Setting does not touch a registration: register the hot key again for that.
    PTKeyCombo keyCombo() const { return mKeyCombo; }
    void setKeyCombo(const PTKeyCombo &keyCombo) { mKeyCombo = keyCombo; }

    // The target is not owned; the action is the name of a slot or Q_INVOKABLE method of the
    // target taking the sender, e.g. "switchToPort1" for `void switchToPort1(QObject *sender)`.
    QObject *target() const { return mTarget; }
    void setTarget(QObject *target) { mTarget = target; }
    QByteArray action() const { return mAction; }
    void setAction(const QByteArray &action) { mAction = action; }

    // Sends the action to the target with this hot key as the sender. No target: nothing.
    void invoke();

    // "<PTHotKey: identifier, combination text>"
    QString description() const;

private:
    QString mIdentifier;
    QString mName;
    PTKeyCombo mKeyCombo;
    QPointer<QObject> mTarget;
    QByteArray mAction;
};
