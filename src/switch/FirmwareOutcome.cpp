// The outcome table of firmware transfers; see FirmwareOutcome.h.
#include "switch/FirmwareOutcome.h"

#include "switch/SwitchLock.h"

#include <QCoreApplication>

namespace {

QString tr(const char *key)
{
    return QCoreApplication::translate("Translation", key);
}

} // namespace

FirmwareOutcome FirmwareOutcome::forRecordStatus(int status)
{
    FirmwareOutcome outcome;
    outcome.mStatus = status;
    if (status == 0) {
        outcome.mKind = Kind::Finished;
        outcome.mInformational = true;
        outcome.mTitle = tr("Firmware Upgrade");
        outcome.mText = tr("Firmware Upgrade finished");
        return outcome;
    }
    if (status == kNoAnswerStatus) {
        outcome.mKind = Kind::NoAnswer;
        outcome.mTitle = tr("Firmware Upgrade");
        outcome.mText = tr("Firmware Upgrade failed: the switch did not answer");
        return outcome;
    }
    switch (status) {
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 10:
        // The switch's own error numbers are shown untranslated: they are what its maker's
        // support asks for.
        outcome.mKind = Kind::Refused;
        outcome.mTitle = QStringLiteral("Firmware Upgrade");
        outcome.mText = QStringLiteral("Firmware Upgrade Error %1").arg(status);
        break;
    default:
        outcome.mKind = Kind::RefusedSilently;
        break;
    }
    return outcome;
}

FirmwareOutcome FirmwareOutcome::unchanged(const QString &version)
{
    FirmwareOutcome outcome;
    outcome.mKind = Kind::Unchanged;
    outcome.mTitle = tr("Firmware Upgrade");
    outcome.mText = tr("Firmware Upgrade failed: the switch still reports firmware %1 after the upgrade")
                        .arg(version);
    return outcome;
}

FirmwareOutcome FirmwareOutcome::damaged(const QString &detail)
{
    FirmwareOutcome outcome;
    outcome.mKind = Kind::Damaged;
    outcome.mStatus = -1;
    outcome.mTitle = tr("Firmware Upgrade");
    outcome.mText = tr("The firmware image is damaged. Nothing was written to the switch.");
    outcome.mDetail = detail;
    return outcome;
}

FirmwareOutcome FirmwareOutcome::notConnected()
{
    FirmwareOutcome outcome;
    outcome.mKind = Kind::NotConnected;
    outcome.mStatus = -1;
    return outcome;
}

FirmwareOutcome FirmwareOutcome::busy()
{
    FirmwareOutcome outcome;
    outcome.mKind = Kind::Busy;
    outcome.mStatus = -1;
    return outcome;
}

FirmwareOutcome FirmwareOutcome::switchBusy(int status)
{
    FirmwareOutcome outcome = busy();
    outcome.mTitle = tr("Firmware Upgrade");
    outcome.mText = SwitchLock::busyText(status);
    return outcome;
}
