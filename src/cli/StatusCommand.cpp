// `tarvexctl status`; see StatusCommand.h.
#include "cli/StatusCommand.h"

#include "cli/CliContext.h"
#include "cli/SwitchDescription.h"

int StatusCommand::run(CliContext &context, const QStringList &arguments)
{
    if (!arguments.isEmpty())
        return context.usageError(
            QStringLiteral("status takes no arguments, got \"%1\"").arg(arguments.first()));
    int status = ExitSuccess;
    const auto target = context.chooseSwitch(&status);
    if (!target)
        return status;

    const SwitchDescription d =
        SwitchDescription::query(context.registry(), target->serial, target->node);
    if (context.json()) {
        context.printJson(QJsonDocument(d.toJson()));
    } else if (d.answered()) {
        context.printLine(QStringLiteral("Serial:    ") + d.serial);
        context.printLine(QStringLiteral("Model:     ") + d.model());
        context.printLine(QStringLiteral("Firmware:  ") + d.firmware.value_or(QString()));
        context.printLine(QStringLiteral("Port:      %1 of %2")
                              .arg(d.activePort ? QString::number(*d.activePort + 1)
                                                : QStringLiteral("unknown"))
                              .arg(d.portCount()));
    }
    return d.answered() ? ExitSuccess : context.fail(d.failureText());
}
