// PortalShortcut: one entry of the desktop portal's shortcut lists, `(s id, a{sv} properties)`
// on the wire, with its D-Bus marshalling.
#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

struct PortalShortcut {
    QString id;
    QVariantMap properties; // "description", "preferred_trigger" out; "trigger_description" back

    // Makes both types known to QtDBus; needed once before the first call that carries them.
    static void registerDBusTypes();
    // The list inside a reply value or signal argument (a QDBusArgument of a(sa{sv})).
    static QList<PortalShortcut> listFrom(const QVariant &value);
};

using PortalShortcutList = QList<PortalShortcut>;

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut);
const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut);

Q_DECLARE_METATYPE(PortalShortcut)
