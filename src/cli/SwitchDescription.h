// What tarvexctl reports about one switch: model, firmware and active port from three
// status queries, with any query that failed kept as "no answer" rather than a value.
#pragma once

#include "usb/IOWarriorLib.h"

#include <QJsonObject>
#include <QString>
#include <cstdint>
#include <optional>

class IOWarriorController;

class SwitchDescription
{
public:
    // Asks the switch behind `node` for its identifier, firmware version and active port.
    static SwitchDescription query(IOWarriorController &registry, const QString &serial,
                                   IOWarriorListNodeStruct *node);

    QString serial;
    std::optional<std::uint32_t> identifier; // sign-extended reply byte, as the protocol has it
    std::optional<QString> firmware;
    bool portAnswered = false;
    std::optional<int> activePort; // 0-based; empty when unanswered or out of range
    // 0, or the status of the first query that failed.
    int failure = 0;

    bool answered() const { return failure == 0; }
    QString model() const;
    int portCount() const;
    // "the switch did not answer", or the permission hint, for a failed description.
    QString failureText() const;

    // The serial, model, firmware and port columns; the widths align a list of switches.
    QString textLine(int serialWidth, int modelWidth) const;
    QJsonObject toJson() const;
};
