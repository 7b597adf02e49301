// Status queries for tarvexctl's reports; see SwitchDescription.h.
#include "cli/SwitchDescription.h"

#include "cli/ExchangeFailure.h"
#include "switch/PortNames.h"
#include "switch/SwitchProtocol.h"
#include "usb/IOWarriorController.h"

#include <QJsonArray>
#include <QJsonValue>
#include <cerrno>

SwitchDescription SwitchDescription::query(IOWarriorController &registry, const QString &serial,
                                           IOWarriorListNodeStruct *node)
{
    SwitchDescription d;
    d.serial = serial;
    int status = 0;
    if (auto r = SwitchProtocol::query(registry, node, SwitchProtocol::QuerySwitchID, &status))
        d.identifier = SwitchProtocol::switchIDFromRecord(*r);
    else
        d.failure = status;
    // A switch that stops answering is not asked again: each failing exchange can cost
    // its full time-out.
    if (d.failure != 0)
        return d;
    if (auto r =
            SwitchProtocol::query(registry, node, SwitchProtocol::QueryFirmwareVersion, &status)) {
        d.firmware = SwitchProtocol::firmwareVersionFromRecord(*r);
    } else {
        d.failure = status;
        return d;
    }
    if (auto r = SwitchProtocol::query(registry, node, SwitchProtocol::QueryActivePort, &status)) {
        d.portAnswered = true;
        d.activePort = SwitchProtocol::activePortFromRecord(*r);
    } else {
        d.failure = status;
    }
    return d;
}

QString SwitchDescription::model() const
{
    return identifier ? GetSwitchName(std::int32_t(*identifier)) : QString();
}

int SwitchDescription::portCount() const
{
    return identifier ? SwitchPortCount(std::int32_t(*identifier)) : 0;
}

QString SwitchDescription::failureText() const
{
    return ExchangeFailure::text(serial, failure);
}

QString SwitchDescription::textLine(int serialWidth, int modelWidth) const
{
    const QString serialColumn = serial.leftJustified(serialWidth);
    // A switch that another program holds was never asked: saying it did not answer would
    // send the user looking for a fault in the switch.
    if (SwitchProtocol::isBusyStatus(failure))
        return serialColumn + QStringLiteral("  ") + SwitchProtocol::statusText(failure);
    // The cause, not just the symptom: a switch we may not open needs a rule, not a cable.
    if (failure == EACCES || failure == EPERM)
        return serialColumn + QStringLiteral("  ") + tr("no permission to open the switch");
    if (failure == ENODEV)
        return serialColumn + QStringLiteral("  ") + tr("no longer attached");
    if (!answered())
        return serialColumn + QStringLiteral("  ") + tr("the switch did not answer");
    QString port = tr("port unknown");
    if (activePort) {
        port = tr("port %1").arg(*activePort + 1);
        if (const QString name = portNames.value(*activePort); !name.isEmpty())
            port += QStringLiteral(" (") + name + QLatin1Char(')');
    }
    return serialColumn + QStringLiteral("  ") + model().leftJustified(modelWidth) +
           QStringLiteral("  ") + tr("firmware %1").arg(firmware.value_or(QString())) +
           QStringLiteral("  ") + port;
}

QJsonObject SwitchDescription::toJson() const
{
    QJsonObject o;
    o.insert(QStringLiteral("serial"), serial);
    o.insert(QStringLiteral("switch_id"),
             identifier ? QJsonValue(qint64(*identifier)) : QJsonValue(QJsonValue::Null));
    o.insert(QStringLiteral("model"), identifier ? QJsonValue(model()) : QJsonValue());
    o.insert(QStringLiteral("ports"), identifier ? QJsonValue(portCount()) : QJsonValue());
    o.insert(QStringLiteral("firmware"), firmware ? QJsonValue(*firmware) : QJsonValue());
    // Ports are 1-based toward the user, as in the menu.
    o.insert(QStringLiteral("port"), activePort ? QJsonValue(*activePort + 1) : QJsonValue());
    // One entry per port of the model (of any model while it is unknown), null when unnamed.
    QJsonArray names;
    for (int i = 0; i < (identifier ? portCount() : PortNames::kMaxPorts); ++i) {
        const QString name = portNames.value(i);
        names.append(name.isEmpty() ? QJsonValue() : QJsonValue(name));
    }
    o.insert(QStringLiteral("port_names"), names);
    if (!answered())
        o.insert(QStringLiteral("error"), failureText());
    return o;
}
