// `tarvexctl list`; see ListCommand.h.
#include "cli/ListCommand.h"

#include "cli/CliContext.h"
#include "cli/CliHelp.h"
#include "cli/ExchangeFailure.h"
#include "cli/SwitchDescription.h"

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <cerrno>
#include <vector>

QString ListCommand::description() const
{
    return tr("Lists every attached switch: serial number, model, firmware version, active "
              "port and its name. With no switch attached it says so and succeeds; a switch "
              "that does not answer is listed and makes the exit status 1.");
}

int ListCommand::run(CliContext &context, const QStringList &arguments)
{
    if (!arguments.isEmpty())
        return context.usageError(tr("list takes no arguments, got \"%1\"").arg(arguments.first()));
    if (const int status = context.openDevices(); status != ExitSuccess)
        return status;

    std::vector<SwitchDescription> switches;
    const PortNames names = context.portNames();
    for (const QString &serial : context.attachedSerials()) {
        switches.push_back(SwitchDescription::query(context.registry(), serial,
                                                    context.registry().deviceWithSerial(serial)));
        switches.back().portNames = names.names(serial);
    }
    // The listing is printed in full; the errors say which switches gave no answer.
    QStringList errors;
    for (const SwitchDescription &d : switches) {
        if (!d.answered())
            errors << d.failureText();
    }

    if (context.json()) {
        QJsonArray list;
        for (const SwitchDescription &d : switches)
            list.append(d.toJson());
        QJsonObject document{{QStringLiteral("switches"), list}};
        if (!errors.isEmpty())
            document.insert(QStringLiteral("error"), errors.join(QStringLiteral("; ")));
        context.printJson(QJsonDocument(document));
        return errors.isEmpty() ? ExitSuccess : ExitFailure;
    }
    if (switches.empty())
        context.printLine(tr("No Tarvex switch attached."));
    int serialWidth = 0;
    int modelWidth = 0;
    for (const SwitchDescription &d : switches) {
        serialWidth = std::max(serialWidth, int(d.serial.size()));
        modelWidth = std::max(modelWidth, int(d.model().size()));
    }
    bool refused = false;
    for (const SwitchDescription &d : switches) {
        context.printLine(d.textLine(serialWidth, modelWidth));
        refused = refused || d.failure == EACCES || d.failure == EPERM;
    }
    // The remedy goes with the listing, where the reader of "no permission" looks.
    if (refused)
        context.printText(CliHelp::wrap(
            tr("To give access: %1.").arg(ExchangeFailure::permissionRemedy()), 0));
    int status = ExitSuccess;
    for (const QString &e : errors)
        status = context.fail(e);
    return status;
}
