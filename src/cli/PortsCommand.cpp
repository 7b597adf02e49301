// `tarvexctl ports`; see PortsCommand.h.
#include "cli/PortsCommand.h"

#include "cli/CliContext.h"
#include "switch/SwitchProtocol.h"

#include <QJsonArray>
#include <QJsonObject>

int PortsCommand::run(CliContext &context, const QStringList &arguments)
{
    if (!arguments.isEmpty())
        return context.usageError(QStringLiteral("ports takes no arguments"));
    int status = ExitSuccess;
    const auto target = context.chooseSwitch(&status);
    if (!target)
        return status;
    const auto identifier = context.switchID(*target, &status);
    if (!identifier)
        return status;
    const int count = SwitchPortCount(*identifier);
    const QStringList names = context.portNames().names(target->serial).mid(0, count);
    if (context.json()) {
        QJsonArray named; // null for an unnamed port, as in list and status
        for (const QString &name : names)
            named.append(name.isEmpty() ? QJsonValue() : QJsonValue(name));
        context.printJson(QJsonDocument(QJsonObject{{QStringLiteral("serial"), target->serial},
                                                    {QStringLiteral("ports"), count},
                                                    {QStringLiteral("port_names"), named}}));
        return ExitSuccess;
    }
    for (int port = 1; port <= count; ++port)
        context.printLine(QString::number(port));
    for (const QString &name : names) {
        if (!name.isEmpty())
            context.printLine(name);
    }
    return ExitSuccess;
}
