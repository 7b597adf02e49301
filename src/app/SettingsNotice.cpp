// Telling once that settings could not be written; see SettingsNotice.h.
#include "SettingsNotice.h"

#include "AlertPresenter.h"
#include "AppLog.h"
#include "switch/DefaultsStore.h"

void SettingsNotice::tell(const DefaultsStore &defaults, const QString &message)
{
    if (defaults.failureIsNew())
        AlertPresenter::inform(message);
    else
        qCWarning(tarvexApp).noquote() << QString(message).replace(QLatin1Char('\n'), QLatin1Char(' '));
}
