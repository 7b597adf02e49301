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
    if (packaged)
        return tr("the udev rule /usr/lib/udev/rules.d/70-tarvex.rules is not in effect yet; "
                  "run \"sudo udevadm control --reload\" and \"sudo udevadm trigger\", then "
                  "replug the switch");
    return tr("install the udev rule with \"sudo scripts/install-udev-rule\" in the source "
              "tree (see README), then replug the switch");
}

QString ExchangeFailure::permissionRemedy()
{
    return permissionRemedy(QCoreApplication::applicationDirPath());
}
