// `tarvexctl port`; see PortCommand.h.
#include "cli/PortCommand.h"

#include "cli/CliContext.h"
#include "switch/PortNames.h"
#include "switch/SwitchProtocol.h"

#include <QJsonObject>

QString PortCommand::description() const
{
    return tr("Switches the selected switch to port N (1 to 4; 1 or 2 on a Tarvex mini), or to "
              "the port named NAME with \"tarvexctl name\" (case does not matter; quote a name "
              "with spaces).");
}

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
    const auto target = context.chooseSwitch(&status);
    if (!target)
        return status;
    if (!isNumber) {
        const QList<int> ports = names.portsNamed(target->serial, arguments.first());
        if (ports.size() != 1) {
            QStringList known;
            for (int p = 1; p <= PortNames::kMaxPorts; ++p) {
                if (const QString n = names.name(target->serial, p); !n.isEmpty())
                    known << tr("\"%1\" (port %2)").arg(n, QString::number(p));
            }
            const QString problem =
                ports.isEmpty()
                    ? tr("no port of %1 is named \"%2\"").arg(target->serial, arguments.first())
                    : tr("\"%1\" names more than one port of %2")
                          .arg(arguments.first(), target->serial);
            return context.usageError(
                known.isEmpty()
                    ? tr("%1; it has no named ports").arg(problem)
                    : tr("%1; its names: %2").arg(problem, known.join(QStringLiteral(", "))));
        }
        port = ports.first();
    }
    if (const int checked = context.checkPortExists(*target, port); checked != ExitSuccess)
        return checked;

    if (const int written = SwitchProtocol::selectPort(target->node, port - 1, port - 1);
        written != 0)
        return context.failExchange(target->serial, written);
    const QString name = names.name(target->serial, port);
    if (context.json())
        context.printJson(QJsonDocument(QJsonObject{
            {QStringLiteral("serial"), target->serial},
            {QStringLiteral("port"), port},
            {QStringLiteral("port_name"), name.isEmpty() ? QJsonValue() : QJsonValue(name)}}));
    else
        context.printLine(name.isEmpty()
                              ? tr("%1: port %2").arg(target->serial, QString::number(port))
                              : tr("%1: port %2 (%3)")
                                    .arg(target->serial, QString::number(port), name));
    return ExitSuccess;
}
