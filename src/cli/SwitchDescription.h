// What tarvexctl reports about one switch: model, firmware and active port from three
// status queries, with any query that failed kept as "no answer" rather than a value, and
// the names the user gave its ports.
#pragma once

#include "usb/IOWarriorLib.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

class IOWarriorController;

class SwitchDescription
{
    Q_DECLARE_TR_FUNCTIONS(SwitchDescription)

public:
    // Asks the switch behind `node` for its identifier, firmware version and active port.
    static SwitchDescription query(IOWarriorController &registry, const QString &serial,
                                   IOWarriorListNodeStruct *node);

    QString serial;
    std::optional<std::uint32_t> identifier; // sign-extended reply byte, as the protocol has it
    std::optional<QString> firmware;
    bool portAnswered = false;
    std::optional<int> activePort; // 0-based; empty when unanswered or out of range
    QStringList portNames;         // ports 1, 2, ... in order; "" for an unnamed port
    // 0, or the status of the first query that failed.
    int failure = 0;

    bool answered() const { return failure == 0; }
    QString model() const;
    int portCount() const;
    // Why the description failed: no answer, no permission (with what gives it).
    QString failureText() const;

    // The serial, model, firmware and port columns, the active port's name after the port;
    // the widths align a list of switches.
    QString textLine(int serialWidth, int modelWidth) const;
    QJsonObject toJson() const;
};
