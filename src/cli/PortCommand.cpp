// `tarvexctl port N`; see PortCommand.h.
#include "cli/PortCommand.h"

#include "cli/CliContext.h"
#include "switch/SwitchProtocol.h"

#include <QJsonObject>
#include <cerrno>
#include <cstring>

int PortCommand::run(CliContext &context, const QStringList &arguments)
{
    if (arguments.isEmpty())
        return context.usageError(QStringLiteral("port needs a port number"));
    if (arguments.size() > 1)
        return context.usageError(
            QStringLiteral("port takes one port number, got \"%1\"").arg(arguments.join(' ')));
    bool ok = false;
    const int port = arguments.first().toInt(&ok);
    if (!ok || port < 1)
        return context.usageError(
            QStringLiteral("\"%1\" is not a port number").arg(arguments.first()));

    int status = ExitSuccess;
    const auto target = context.chooseSwitch(&status);
    if (!target)
        return status;

    // The model decides which ports exist; without its answer nothing is sent.
    int queryStatus = 0;
    const auto idRecord = SwitchProtocol::query(context.registry(), target->node,
                                                SwitchProtocol::QuerySwitchID, &queryStatus);
    if (!idRecord) {
        if (queryStatus == EACCES)
            return context.fail(QStringLiteral("no permission to open the switch %1: install "
                                               "the udev rule, see README")
                                    .arg(target->serial));
        return context.fail(QStringLiteral("the switch %1 did not answer (%2)")
                                .arg(target->serial,
                                     QString::fromLocal8Bit(std::strerror(queryStatus))));
    }
    const auto identifier = std::int32_t(SwitchProtocol::switchIDFromRecord(*idRecord));
    const int ports = SwitchPortCount(identifier);
    if (port > ports)
        return context.fail(QStringLiteral("%1 has %2 ports; port %3 does not exist")
                                .arg(GetSwitchName(identifier))
                                .arg(ports)
                                .arg(port));

    const int written = SwitchProtocol::selectPort(target->node, port - 1, port - 1);
    if (written != 0) {
        if (written == EACCES)
            return context.fail(QStringLiteral("no permission to open the switch %1: install "
                                               "the udev rule, see README")
                                    .arg(target->serial));
        return context.fail(QStringLiteral("could not switch %1 to port %2: %3")
                                .arg(target->serial)
                                .arg(port)
                                .arg(QString::fromLocal8Bit(std::strerror(written))));
    }
    if (context.json())
        context.printJson(QJsonDocument(QJsonObject{{QStringLiteral("serial"), target->serial},
                                                    {QStringLiteral("port"), port}}));
    else
        context.printLine(QStringLiteral("%1: port %2").arg(target->serial).arg(port));
    return ExitSuccess;
}
