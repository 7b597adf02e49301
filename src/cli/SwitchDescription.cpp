// Status queries for tarvexctl's reports; see SwitchDescription.h.
#include "cli/SwitchDescription.h"

#include "switch/SwitchProtocol.h"
#include "usb/IOWarriorController.h"

#include <QJsonValue>
#include <cerrno>
#include <cstring>

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
    if (failure == EACCES)
        return QStringLiteral("no permission to open the switch %1: install the udev rule, "
                              "see README")
            .arg(serial);
    return QStringLiteral("the switch %1 did not answer (%2)")
        .arg(serial, QString::fromLocal8Bit(std::strerror(failure)));
}

QString SwitchDescription::textLine(int serialWidth, int modelWidth) const
{
    const QString serialColumn = serial.leftJustified(serialWidth);
    if (!answered())
        return serialColumn + QStringLiteral("  the switch did not answer");
    QString port = QStringLiteral("port unknown");
    if (activePort)
        port = QStringLiteral("port %1").arg(*activePort + 1);
    return serialColumn + QStringLiteral("  ") + model().leftJustified(modelWidth) +
           QStringLiteral("  firmware ") + firmware.value_or(QString()) + QStringLiteral("  ") +
           port;
}

QJsonObject SwitchDescription::toJson() const
{
    QJsonObject o;
    o.insert(QStringLiteral("serial"), serial);
    o.insert(QStringLiteral("switchID"),
             identifier ? QJsonValue(qint64(*identifier)) : QJsonValue(QJsonValue::Null));
    o.insert(QStringLiteral("model"), identifier ? QJsonValue(model()) : QJsonValue());
    o.insert(QStringLiteral("ports"), identifier ? QJsonValue(portCount()) : QJsonValue());
    o.insert(QStringLiteral("firmware"), firmware ? QJsonValue(*firmware) : QJsonValue());
    // Ports are 1-based toward the user, as in the menu.
    o.insert(QStringLiteral("port"), activePort ? QJsonValue(*activePort + 1) : QJsonValue());
    if (!answered())
        o.insert(QStringLiteral("error"), failureText());
    return o;
}
