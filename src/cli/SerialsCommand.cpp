// `tarvexctl serials`; see SerialsCommand.h.
#include "cli/SerialsCommand.h"

#include "cli/CliContext.h"

#include <QJsonArray>
#include <QJsonObject>

int SerialsCommand::run(CliContext &context, const QStringList &arguments)
{
    if (!arguments.isEmpty())
        return context.usageError(QStringLiteral("serials takes no arguments"));
    if (const int status = context.openDevices(); status != ExitSuccess)
        return status;
    const QStringList serials = context.attachedSerials();
    if (context.json())
        context.printJson(QJsonDocument(
            QJsonObject{{QStringLiteral("serials"), QJsonArray::fromStringList(serials)}}));
    else
        for (const QString &serial : serials)
            context.printLine(serial);
    return ExitSuccess;
}
