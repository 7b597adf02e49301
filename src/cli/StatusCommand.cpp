// `tarvexctl status`; see StatusCommand.h.
#include "cli/StatusCommand.h"

#include "cli/CliContext.h"
#include "cli/SwitchDescription.h"

int StatusCommand::run(CliContext &context, const QStringList &arguments)
{
    if (!arguments.isEmpty())
        return context.usageError(
            tr("status takes no arguments, got \"%1\"").arg(arguments.first()));
    int status = ExitSuccess;
    const auto target = context.chooseSwitch(&status);
    if (!target)
        return status;

    SwitchDescription d =
        SwitchDescription::query(context.registry(), target->serial, target->node);
    d.portNames = context.portNames().names(target->serial);
    if (context.json()) {
        // The document carries the error itself.
        context.printJson(QJsonDocument(d.toJson()));
        return d.answered() ? ExitSuccess : ExitFailure;
    }
    if (!d.answered())
        return context.fail(d.failureText());
    // Fixed labels, one value per line: easy to read and to grep.
    const QString active = d.activePort ? QString::number(*d.activePort + 1) : tr("unknown");
    context.printLine(tr("Serial:    %1").arg(d.serial));
    context.printLine(tr("Model:     %1").arg(d.model()));
    context.printLine(tr("Firmware:  %1").arg(d.firmware.value_or(QString())));
    context.printLine(tr("Port:      %1 of %2").arg(active, QString::number(d.portCount())));
    for (int port = 1; port <= d.portCount(); ++port) {
        if (const QString name = d.portNames.value(port - 1); !name.isEmpty())
            context.printLine(tr("Port %1:    %2").arg(QString::number(port), name));
    }
    return ExitSuccess;
}
