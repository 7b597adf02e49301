// `tarvexctl name`; see NameCommand.h.
#include "cli/NameCommand.h"

#include "cli/CliContext.h"
#include "switch/PortNames.h"

#include <QJsonObject>

QString NameCommand::description() const
{
    return tr("Names port N of the selected switch, for example tarvexctl name 2 \"Work "
              "laptop\". The name shows in list, status and the tray menu, and \"tarvexctl port "
              "NAME\" selects the port by it. An empty NAME (\"\") removes the name.\n"
              "Names are kept per serial number in the settings shared with the tray "
              "application.");
}

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
    const auto target = context.chooseSwitch(&status);
    if (!target)
        return status;
    // A name for a port the model lacks would never be shown; removing one is always allowed.
    if (!name.isEmpty()) {
        if (const int checked = context.checkPortExists(*target, port); checked != ExitSuccess)
            return checked;
    }
    PortNames names = context.portNames();
    if (!names.setName(target->serial, port, name))
        return context.fail(names.error());

    if (context.json())
        context.printJson(QJsonDocument(QJsonObject{
            {QStringLiteral("serial"), target->serial},
            {QStringLiteral("port"), port},
            {QStringLiteral("port_name"), name.isEmpty() ? QJsonValue() : QJsonValue(name)}}));
    else if (name.isEmpty())
        context.printLine(tr("%1: port %2 has no name").arg(target->serial, QString::number(port)));
    else
        context.printLine(
            tr("%1: port %2 is named \"%3\"").arg(target->serial, QString::number(port), name));
    return ExitSuccess;
}
