// `tarvexctl list`; see ListCommand.h.
#include "cli/ListCommand.h"

#include "cli/CliContext.h"
#include "cli/SwitchDescription.h"

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <vector>

int ListCommand::run(CliContext &context, const QStringList &arguments)
{
    if (!arguments.isEmpty())
        return context.usageError(
            QStringLiteral("list takes no arguments, got \"%1\"").arg(arguments.first()));
    if (const int status = context.openDevices(); status != ExitSuccess)
        return status;

    std::vector<SwitchDescription> switches;
    for (const QString &serial : context.attachedSerials())
        switches.push_back(SwitchDescription::query(context.registry(), serial,
                                                    context.registry().deviceWithSerial(serial)));

    int status = ExitSuccess;
    if (context.json()) {
        QJsonArray list;
        for (const SwitchDescription &d : switches)
            list.append(d.toJson());
        context.printJson(QJsonDocument(QJsonObject{{QStringLiteral("switches"), list}}));
    } else {
        int serialWidth = 0;
        int modelWidth = 0;
        for (const SwitchDescription &d : switches) {
            serialWidth = std::max(serialWidth, int(d.serial.size()));
            modelWidth = std::max(modelWidth, int(d.model().size()));
        }
        for (const SwitchDescription &d : switches)
            context.printLine(d.textLine(serialWidth, modelWidth));
    }
    // The listing is still printed in full; the errors say which switches gave no answer.
    for (const SwitchDescription &d : switches) {
        if (!d.answered())
            status = context.fail(d.failureText());
    }
    if (switches.empty())
        status = context.fail(QStringLiteral("No Tarvex switch attached."));
    return status;
}
