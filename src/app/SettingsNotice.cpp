// Telling once that settings could not be written; see SettingsNotice.h.
#include "SettingsNotice.h"

#include "AlertPresenter.h"
#include "AppLog.h"

namespace {
bool gTold = false;
} // namespace

void SettingsNotice::tell(const QString &message)
{
    if (gTold) {
        qCWarning(tarvexApp).noquote() << QString(message).replace(QLatin1Char('\n'), QLatin1Char(' '));
        return;
    }
    gTold = true;
    AlertPresenter::inform(message);
}

void SettingsNotice::reset()
{
    gTold = false;
}
