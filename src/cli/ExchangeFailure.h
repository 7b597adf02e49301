// The words for an exchange with a switch that failed: every tarvexctl command reports a
// failed port select or status query through here, so a reason (no permission, no answer)
// reads the same whichever command met it.
#pragma once

#include <QCoreApplication>
#include <QString>

class ExchangeFailure
{
    Q_DECLARE_TR_FUNCTIONS(ExchangeFailure)

public:
    // One line for `status` (an errno value from the transfer) met on switch `serial`.
    static QString text(const QString &serial, int status);
    // What gives the user access to the switches, for a program run from `programDir`: the
    // packaged udev rule and the udevadm steps when installed under /usr, the source tree's
    // install script otherwise.
    static QString permissionRemedy(const QString &programDir);
    // permissionRemedy() for this program.
    static QString permissionRemedy();
};
