// What a firmware transfer tells the one who shows it: the firmware window draws a progress
// bar and modal alerts, tarvexctl a terminal bar or plain lines. Every call arrives on the
// main thread from the event loop while the transfer runs.
#pragma once

#include "switch/FirmwareOutcome.h"

#include <QString>

class FirmwareTransferObserver
{
public:
    virtual ~FirmwareTransferObserver() = default;

    // The number of lines after the version line; set once, before any report.
    virtual void setProgressMaximum(int maximum) = 0;
    // Lines handled so far; 0 both at the start and as the reset after an alert.
    virtual void setProgressValue(int value) = 0;
    // The version the switch reports after its restart; empty when it did not answer.
    virtual void showFirmwareVersion(const QString &version) = 0;
    // Called only for outcomes with an alert. May run a modal dialog.
    virtual void showOutcome(const FirmwareOutcome &outcome) = 0;
};
