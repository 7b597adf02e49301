// PTHotKey: invoking the action through Qt's meta-object system, so any QObject slot that
// takes the sender can be a hot key's action.
#include "PTHotKeys/PTHotKey.h"

#include "PTHotKeys/HotKeysLog.h"

#include <QMetaObject>

PTHotKey::PTHotKey(QObject *parent) : PTHotKey(QString(), PTKeyCombo::clearKeyCombo(), parent)
{
}

PTHotKey::PTHotKey(const QString &identifier, const PTKeyCombo &keyCombo, QObject *parent)
    : QObject(parent), mIdentifier(identifier), mKeyCombo(keyCombo)
{
}

PTHotKey::~PTHotKey() = default;

void PTHotKey::invoke()
{
    if (!mTarget || mAction.isEmpty())
        return;
    if (!QMetaObject::invokeMethod(mTarget.data(), mAction.constData(), Qt::DirectConnection,
                                   Q_ARG(QObject *, this)))
        qCWarning(tarvexHotkeys, "PTHotKey %s: %s has no method %s(QObject*)",
                  qPrintable(mIdentifier), mTarget->metaObject()->className(), mAction.constData());
}

QString PTHotKey::description() const
{
    return QStringLiteral("<%1: %2, %3>")
        .arg(QLatin1String(metaObject()->className()), mIdentifier, mKeyCombo.description());
}
