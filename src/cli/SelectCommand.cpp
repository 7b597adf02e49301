// `tarvexctl select`; see SelectCommand.h.
#include "cli/SelectCommand.h"

#include "cli/CliContext.h"
#include "switch/DefaultsStore.h"
#include "switch/SwitchProtocol.h"

#include <QJsonObject>
#include <QMap>

namespace {

const QString kSelectedSwitch = QStringLiteral("Selected Switch");

} // namespace

QString SelectCommand::description() const
{
    return tr("Makes the attached switch with serial number SERIAL, or the only attached one of "
              "model MODEL (\"Tarvex mini\", case does not matter), the selected switch: "
              "status, port, name, rotate and firmware then address it without --serial, and "
              "the tray application shows it. The choice is kept in the settings shared with "
              "the tray application.");
}

int SelectCommand::run(CliContext &context, const QStringList &arguments)
{
    if (arguments.size() != 1 || arguments.first().trimmed().isEmpty())
        return context.usageError(tr("select needs one serial number or model name (quote a "
                                     "model name with spaces)"));
    const QString wanted = arguments.first().trimmed();
    if (const int status = context.openDevices(); status != ExitSuccess)
        return status;
    const QStringList serials = context.attachedSerials();
    if (serials.isEmpty())
        return context.fail(tr("no Tarvex switch attached"));

    // Each switch's model, from its own answer; one that does not answer has none.
    QMap<QString, QString> models;
    for (const QString &serial : serials) {
        int status = 0;
        if (const auto record = SwitchProtocol::query(context.registry(),
                                                      context.registry().deviceWithSerial(serial),
                                                      SwitchProtocol::QuerySwitchID, &status))
            models.insert(serial, GetSwitchName(std::int32_t(SwitchProtocol::switchIDFromRecord(*record))));
    }
    QStringList matches;
    if (serials.contains(wanted)) {
        matches << wanted;
    } else {
        for (const QString &serial : serials) {
            if (models.value(serial).compare(wanted, Qt::CaseInsensitive) == 0)
                matches << serial;
        }
    }
    QStringList attached;
    for (const QString &serial : serials)
        attached << (models.contains(serial) ? tr("%1 (%2)").arg(serial, models.value(serial))
                                             : serial);
    if (matches.isEmpty())
        return context.fail(tr("no attached switch has the serial number or model \"%1\"; "
                               "attached: %2")
                                .arg(wanted, attached.join(QStringLiteral(", "))));
    if (matches.size() > 1)
        return context.fail(tr("%1 switches of that model are attached (%2); select one by its "
                               "serial number")
                                .arg(QString::number(matches.size()),
                                     matches.join(QStringLiteral(", "))));

    const QString serial = matches.first();
    DefaultsStore &defaults = context.defaults();
    if (!defaults.setObjectForKey(kSelectedSwitch, serial))
        return context.fail(defaults.lastError());
    const QString model = models.value(serial);
    if (context.json())
        context.printJson(QJsonDocument(QJsonObject{
            {QStringLiteral("selected"), serial},
            {QStringLiteral("model"), model.isEmpty() ? QJsonValue() : QJsonValue(model)}}));
    else
        context.printLine(model.isEmpty()
                              ? tr("%1 is now the selected switch").arg(serial)
                              : tr("%1 (%2) is now the selected switch").arg(serial, model));
    return ExitSuccess;
}
