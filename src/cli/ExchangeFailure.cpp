// Failure texts for tarvexctl; see ExchangeFailure.h.
#include "cli/ExchangeFailure.h"

#include "switch/SwitchProtocol.h"

#include <cerrno>
#include <cstring>

QString ExchangeFailure::text(const QString &serial, int status)
{
    // Another program holds the switch (a firmware upgrade, most likely): nothing was sent.
    if (SwitchProtocol::isBusyStatus(status))
        return SwitchProtocol::statusText(status);
    if (status == EACCES || status == EPERM)
        return tr("no permission to open the switch %1: %2").arg(serial, permissionRemedy());
    if (status == ENODEV)
        return tr("the switch %1 is no longer attached").arg(serial);
    return tr("the switch %1 did not answer (%2)")
        .arg(serial, QString::fromLocal8Bit(std::strerror(status)));
}

QString ExchangeFailure::permissionRemedy(const QString &programDir)
{
    // The package puts the program into /usr/bin and the rule where udev reads it; anything
    // else (a build tree, a /usr/local install) has to install the rule itself.
    const bool packaged = programDir.startsWith(QLatin1String("/usr/")) &&
                          !programDir.startsWith(QLatin1String("/usr/local/"));
    // A package user has the rule already; it takes effect when the switch is plugged in
    // again or, for the seat's access list, at the next login.
    if (packaged)
        return tr("the package's udev rule gives access once the switch is unplugged and "
                  "plugged in again (or after logging out and in)");
    return tr("install the udev rule with \"sudo scripts/install-udev-rule\" from the source "
              "tree, then unplug and replug the switch");
}

QString ExchangeFailure::permissionRemedy()
{
    return permissionRemedy(QCoreApplication::applicationDirPath());
}
