// `tarvexctl status`; see StatusCommand.h.
#include "cli/StatusCommand.h"

#include "cli/CliContext.h"
#include "cli/SwitchDescription.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

void printStatus(CliContext &context, const SwitchDescription &d)
{
    // Fixed labels, one value per line: easy to read and to grep.
    const QString active = d.activePort ? QString::number(*d.activePort + 1) : StatusCommand::tr("unknown");
    context.printLine(StatusCommand::tr("Serial:    %1").arg(d.serial));
    context.printLine(StatusCommand::tr("Model:     %1").arg(d.model()));
    context.printLine(StatusCommand::tr("Firmware:  %1").arg(d.firmware.value_or(QString())));
    context.printLine(StatusCommand::tr("Port:      %1 of %2").arg(active, QString::number(d.portCount())));
    for (int port = 1; port <= d.portCount(); ++port) {
        if (const QString name = d.portNames.value(port - 1); !name.isEmpty())
            context.printLine(StatusCommand::tr("Port %1:    %2").arg(QString::number(port), name));
    }
}

} // namespace

int StatusCommand::run(CliContext &context, const QStringList &arguments)
{
    if (!arguments.isEmpty())
        return context.usageError(
            tr("status takes no arguments, got \"%1\"").arg(arguments.first()));
    int status = ExitSuccess;
    const auto decision = context.chooseSwitches(&status);
    if (!decision)
        return status;

    QList<SwitchDescription> switches;
    for (const auto &target : decision->targets) {
        switches.append(SwitchDescription::query(context.registry(), target.serial, target.node));
        switches.last().portNames = context.portNames().names(target.serial);
    }
    if (!decision->together) {
        const SwitchDescription &d = switches.first();
        if (context.json()) {
            // The document carries the error itself.
            context.printJson(QJsonDocument(d.toJson()));
            return d.answered() ? ExitSuccess : ExitFailure;
        }
        if (!d.answered())
            return context.fail(d.failureText());
        printStatus(context, d);
        return ExitSuccess;
    }

    // Switches that switch together: one entry each, as `list` gives them.
    QStringList errors;
    QJsonArray entries;
    bool printed = false;
    for (const SwitchDescription &d : switches) {
        entries.append(d.toJson());
        if (!d.answered()) {
            errors << d.failureText();
        } else if (!context.json()) {
            if (printed)
                context.printLine(QString()); // a blank line between two switches
            printStatus(context, d);
            printed = true;
        }
    }
    return context.finishSeveral(QJsonObject{{QStringLiteral("switches"), entries}}, errors);
}
