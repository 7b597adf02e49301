// Telling why a switch cannot be reached; see SwitchAccessNotice.h.
#include "SwitchAccessNotice.h"

#include "AlertPresenter.h"
#include "AppLog.h"
#include "Translation.h"
#include "switch/SwitchProtocol.h"

void SwitchAccessNotice::noPermission(const QString &device, const QString &serial)
{
    if (mPermissionWarned.contains(device))
        return;
    mPermissionWarned.insert(device);
    qCWarning(tarvexApp).noquote()
        << QStringLiteral("no permission to open %1 (switch %2). Install the udev rule with "
                          "'sudo scripts/install-udev-rule' (or install the tarvexcc package), "
                          "then unplug and replug the switch.")
               .arg(device, serial);
    AlertPresenter::inform(
        tx("Tarvex CC may not open the switch %1 (device %2).\n\nInstall the udev rule that "
           "gives you access to Tarvex switches:\n    sudo scripts/install-udev-rule\n(or "
           "install the tarvexcc package), then unplug the switch and plug it in again.")
            .arg(serial, device));
}

void SwitchAccessNotice::busy(int status)
{
    QString text = SwitchProtocol::statusText(status);
    qCInfo(tarvexApp).noquote() << text;
    if (mBusyTold || text.isEmpty())
        return;
    mBusyTold = true;
    text[0] = text[0].toUpper();
    QMetaObject::invokeMethod(
        this, [text] { AlertPresenter::inform(text + QLatin1Char('.')); }, Qt::QueuedConnection);
}

void SwitchAccessNotice::skipped(const QStringList &reasons)
{
    if (reasons == mSkippedTold)
        return;
    mSkippedTold = reasons;
    if (reasons.isEmpty())
        return;
    QStringList lines;
    for (QString reason : reasons) {
        qCInfo(tarvexApp).noquote() << reason;
        reason[0] = reason[0].toUpper();
        lines << reason + QLatin1Char('.');
    }
    const QString text = tx("Not every switch could follow:\n%1").arg(lines.join(QLatin1Char('\n')));
    QMetaObject::invokeMethod(this, [text] { AlertPresenter::inform(text); }, Qt::QueuedConnection);
}
