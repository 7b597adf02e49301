// `tarvexctl name`; see NameCommand.h.
#include "cli/NameCommand.h"

#include "cli/CliContext.h"
#include "cli/ExchangeFailure.h"
#include "switch/PortNames.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>

QString NameCommand::description() const
{
    return tr("Names port N of the selected switch, for example tarvexctl name 2 \"Work "
              "laptop\". The name shows in list, status and the tray menu, and \"tarvexctl port "
              "NAME\" selects the port by it. An empty NAME (\"\") removes the name.\n"
              "Names are kept per serial number in the settings shared with the tray "
              "application.\n"
              "When the tray switches all switches together, port N of every attached switch "
              "gets the name; one that lacks the port is named, the others still get it, and "
              "the exit status is 1. With --serial only that switch's port is named.");
}

namespace {

QString named(const QString &serial, int port, const QString &name)
{
    return name.isEmpty()
               ? NameCommand::tr("%1: port %2 has no name").arg(serial, QString::number(port))
               : NameCommand::tr("%1: port %2 is named \"%3\"").arg(serial, QString::number(port), name);
}

// The name goes to that port of each switch in one write; a switch that lacks the port, or
// that has the name on another port, is left out and said, as `port` does with --all.
int nameEach(CliContext &context, const QList<CliContext::Target> &targets, int port, const QString &name)
{
    PortNames names = context.portNames();
    QList<PortNames::Change> changes;
    QHash<QString, QString> errors; // by serial
    for (const auto &target : targets) {
        int status = 0;
        QString model;
        // Removing a name is always allowed, as for one switch.
        const int ports = name.isEmpty() ? PortNames::kMaxPorts
                                         : context.addressing().portCount(target, &status, &model);
        const QList<int> taken = names.portsNamed(target.serial, name);
        if (ports == 0)
            errors.insert(target.serial, ExchangeFailure::text(target.serial, status));
        else if (port > ports)
            errors.insert(target.serial, AddressedSwitches::failureText(
                                             {target.serial, port, AddressedSwitches::kMissingPortStatus, ports, model}));
        else if (!name.isEmpty() && !taken.isEmpty() && !taken.contains(port))
            errors.insert(target.serial, NameCommand::tr("%1: port %2 is already named \"%3\"")
                                             .arg(target.serial, QString::number(taken.first()),
                                                  names.name(target.serial, taken.first())));
        else
            changes << PortNames::Change{target.serial, port, name};
    }
    if (!changes.isEmpty() && !names.setNames(changes)) {
        for (const auto &change : std::as_const(changes))
            errors.insert(change.serial, names.error());
    }

    QJsonArray entries;
    QStringList failures;
    for (const auto &target : targets) {
        QJsonObject entry{{QStringLiteral("serial"), target.serial},
                          {QStringLiteral("ok"), !errors.contains(target.serial)},
                          {QStringLiteral("port"), port}};
        if (const auto error = errors.constFind(target.serial); error != errors.cend()) {
            entry.insert(QStringLiteral("error"), *error);
            if (!failures.contains(*error))
                failures << *error;
        } else {
            entry.insert(QStringLiteral("port_name"), name.isEmpty() ? QJsonValue() : QJsonValue(name));
            if (!context.json())
                context.printLine(named(target.serial, port, name));
        }
        entries.append(entry);
    }
    return context.finishSeveral(QJsonObject{{QStringLiteral("switches"), entries}}, failures);
}

} // namespace

int NameCommand::run(CliContext &context, const QStringList &arguments)
{
    if (arguments.size() != 2)
        return context.usageError(
            tr("name needs a port number and a name (quote a name with spaces; \"\" removes "
               "it)"));
    bool ok = false;
    const int port = arguments.first().toInt(&ok);
    if (!ok || port < 1 || port > PortNames::kMaxPorts)
        return context.usageError(tr("\"%1\" is not a port number").arg(arguments.first()));
    const QString name = arguments.at(1).trimmed();
    if (const auto problem = PortNames::problemWithName(name))
        return context.usageError(*problem);

    int status = ExitSuccess;
    // The tray's choice counts as for `port`: "together" names that port of every switch.
    const auto decision = context.chooseSwitches(&status);
    if (!decision)
        return status;
    if (decision->together)
        return nameEach(context, decision->targets, port, name);
    const CliContext::Target &target = decision->targets.first();
    // A name for a port the model lacks would never be shown; removing one is always allowed.
    if (!name.isEmpty()) {
        if (const int checked = context.checkPortExists(target, port); checked != ExitSuccess)
            return checked;
    }
    PortNames names = context.portNames();
    if (!names.setName(target.serial, port, name))
        return context.fail(names.error());

    return context.answerPort(target.serial, port, name, named(target.serial, port, name));
}
