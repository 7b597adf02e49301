// The names users give the ports of their switches ("Work laptop", "Gaming PC"), kept per
// serial number in the user defaults so that the tray menu, its tooltip, the preferences and
// tarvexctl all show and find the same names.
#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class DefaultsStore;

class PortNames
{
    Q_DECLARE_TR_FUNCTIONS(PortNames)

public:
    // Stored as {"<serial>": ["name of port 1", "", "name of port 3"]}; "" is an unnamed port.
    static inline const QString kDefaultsKey = QStringLiteral("Port Names");
    // The most ports any model has: port numbers run from 1 to this.
    static constexpr int kMaxPorts = 4;
    static constexpr int kMaxNameLength = 64;

    explicit PortNames(DefaultsStore &defaults);

    // The name of `port` (1-based) of switch `serial`; empty when it has none.
    QString name(const QString &serial, int port) const;
    // The names of ports 1 to kMaxPorts in order, "" for an unnamed port.
    QStringList names(const QString &serial) const;
    // "Port 2 — Work laptop" for the title "Port 2" of a named port; the title alone otherwise.
    QString titled(const QString &title, const QString &serial, int port) const;
    // The ports (1-based, ascending) whose name is `name`, ignoring case and outer spaces.
    QList<int> portsNamed(const QString &serial, const QString &name) const;

    // Why `name` cannot name a port, or nothing when it can. The empty name is valid: it
    // removes a name.
    static std::optional<QString> problemWithName(const QString &name);

    // One port's new name; an empty name removes it.
    struct Change {
        QString serial;
        int port = 0; // 1-based
        QString name;
    };
    // Names `port` (1-based) of `serial`, or removes its name when `name` is empty, and writes
    // the defaults at once. Only that one name changes in the file: names other programs set
    // meanwhile stay. False, with error() saying why, for an invalid name or port, for a
    // stored value this class does not understand (it is left alone) and when the defaults
    // could not be written.
    bool setName(const QString &serial, int port, const QString &name);
    // Several names in one write, all or none (each checked as setName() does first).
    bool setNames(const QList<Change> &changes);
    QString error() const { return mError; }

private:
    DefaultsStore &mDefaults;
    QString mError;
};
