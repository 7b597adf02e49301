// `tarvexctl port`; see PortCommand.h.
#include "cli/PortCommand.h"

#include "cli/CliContext.h"
#include "cli/ExchangeFailure.h"
#include "switch/PortNames.h"
#include "switch/SwitchProtocol.h"

#include <QJsonArray>
#include <QJsonObject>
#include <optional>

QString PortCommand::description() const
{
    return tr("Switches the selected switch to port N (1 to 4; 1 or 2 on a Tarvex mini), or to "
              "the port named NAME with \"tarvexctl name\" (case does not matter; quote a name "
              "with spaces).\n"
              "With --all, or when the tray switches all switches together, every attached "
              "switch goes to the port; one that lacks it or is busy is named, the others "
              "still switch, and the exit status is 1.");
}

namespace {

QString described(const QString &serial, int port, const QString &name)
{
    return name.isEmpty() ? PortCommand::tr("%1: port %2").arg(serial, QString::number(port))
                          : PortCommand::tr("%1: port %2 (%3)").arg(serial, QString::number(port), name);
}

// The port a name given with "tarvexctl name" stands for on these switches: exactly one port
// number, whichever switches carry the name. Else the usage error is reported.
std::optional<int> portNamed(CliContext &context, const PortNames &names,
                             const QList<CliContext::Target> &targets, const QString &wanted)
{
    QList<int> ports;
    QStringList known;
    for (const auto &target : targets) {
        for (int p : names.portsNamed(target.serial, wanted)) {
            if (!ports.contains(p))
                ports << p;
        }
        for (int p = 1; p <= PortNames::kMaxPorts; ++p) {
            const QString n = names.name(target.serial, p);
            const QString entry = PortCommand::tr("\"%1\" (port %2)").arg(n, QString::number(p));
            if (!n.isEmpty() && !known.contains(entry))
                known << entry;
        }
    }
    if (ports.size() == 1)
        return ports.first();
    const QString where = targets.size() == 1 ? targets.first().serial : PortCommand::tr("the switches");
    const QString problem = ports.isEmpty()
                                ? PortCommand::tr("no port of %1 is named \"%2\"").arg(where, wanted)
                                : PortCommand::tr("\"%1\" names more than one port of %2").arg(wanted, where);
    context.usageError(known.isEmpty()
                           ? PortCommand::tr("%1; it has no named ports").arg(problem)
                           : PortCommand::tr("%1; its names: %2").arg(problem, known.join(QStringLiteral(", "))));
    return std::nullopt;
}

} // namespace

int PortCommand::run(CliContext &context, const QStringList &arguments)
{
    if (arguments.size() != 1)
        return context.usageError(
            arguments.isEmpty()
                ? tr("port needs a port number or name")
                : tr("port takes one port number or name (quote a name with spaces), got \"%1\"")
                      .arg(arguments.join(QLatin1Char(' '))));
    bool isNumber = false;
    int port = arguments.first().toInt(&isNumber);
    // Outside 1 to 4 no switch has the port: a mistake in the command line, found before any
    // switch is asked, as is a name that no attached switch knows.
    if (isNumber && (port < 1 || port > PortNames::kMaxPorts))
        return context.usageError(tr("\"%1\" is not a port number (ports are 1 to %2)")
                                      .arg(arguments.first(), QString::number(PortNames::kMaxPorts)));
    const PortNames names = context.portNames();
    if (!isNumber) {
        if (const int opened = context.openDevices(); opened != ExitSuccess)
            return opened;
        bool known = false;
        for (const QString &serial : context.attachedSerials())
            known = known || !names.portsNamed(serial, arguments.first()).isEmpty();
        if (!known && context.attachedSerials().size() > 1)
            return context.usageError(
                tr("no port of the attached switches is named \"%1\"").arg(arguments.first()));
    }

    int status = ExitSuccess;
    const auto decision = context.chooseSwitches(&status);
    if (!decision)
        return status;
    if (!isNumber) {
        const std::optional<int> named = portNamed(context, names, decision->targets, arguments.first());
        if (!named)
            return ExitUsage;
        port = *named;
    }
    if (!decision->together) {
        const CliContext::Target &target = decision->targets.first();
        if (const int checked = context.checkPortExists(target, port); checked != ExitSuccess)
            return checked;
        if (const int written = SwitchProtocol::selectPort(target.node, port - 1, port - 1);
            written != 0)
            return context.failExchange(target.serial, written);
        const QString name = names.name(target.serial, port);
        return context.answerPort(target.serial, port, name, described(target.serial, port, name));
    }

    // Each switch under its own lock, in a fixed order: one that cannot take the port keeps
    // none of the others from switching, and each says how it went.
    const auto results = context.addressing().selectPort(decision->targets, port, true);
    QJsonArray entries;
    QStringList errors;
    for (const auto &r : results) {
        const QString name = names.name(r.serial, port);
        QJsonObject entry{{QStringLiteral("serial"), r.serial},
                          {QStringLiteral("ok"), r.ok()},
                          {QStringLiteral("port"), port}};
        if (r.ok()) {
            entry.insert(QStringLiteral("port_name"), name.isEmpty() ? QJsonValue() : QJsonValue(name));
            if (!context.json())
                context.printLine(described(r.serial, port, name));
        } else {
            const QString error = r.status == AddressedSwitches::kMissingPortStatus
                                      ? AddressedSwitches::failureText(r)
                                      : ExchangeFailure::text(r.serial, r.status);
            entry.insert(QStringLiteral("error"), error);
            errors << error;
        }
        entries.append(entry);
    }
    return context.finishSeveral(QJsonObject{{QStringLiteral("switches"), entries}}, errors);
}
