// Telling once that settings could not be written; see SettingsNotice.h.
#include "SettingsNotice.h"

#include "AlertPresenter.h"
#include "switch/DefaultsStore.h"

void SettingsNotice::tell(const DefaultsStore &defaults, const QString &message)
{
    // Its repetitions say nothing new: one line per failing burst, not one per setting.
    if (defaults.failureIsNew())
        AlertPresenter::inform(message);
}
