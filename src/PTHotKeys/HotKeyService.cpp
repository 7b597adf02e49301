// HotKeyService: status texts, the limitation notice and the making of the session's service.
#include "PTHotKeys/HotKeyService.h"

#include "PTHotKeys/HotKeysLog.h"
#include "PTHotKeys/SessionHotKeyChoice.h"

#include <QCoreApplication>

HotKeyService::~HotKeyService() = default;

HotKeyGrant HotKeyService::grant(Handle) const
{
    return HotKeyGrant();
}

void HotKeyService::setLimitation(const QString &limitation)
{
    if (limitation == mLimitation)
        return;
    mLimitation = limitation;
    // A warning, so that it reaches stderr without any logging rules: a user who starts the
    // program from a terminal learns why a hot key does nothing.
    if (!limitation.isEmpty())
        qCWarning(tarvexHotkeys).noquote() << limitation;
    notifyChanged(0);
}

void HotKeyService::notifyChanged(Handle handle) const
{
    if (mChangeHandler)
        mChangeHandler(handle);
}

QString HotKeyService::statusText(int status)
{
    switch (status) {
    case 0:
        return QString();
    case kStatusXBadAccess:
        return QCoreApplication::translate("Translation",
                                           "Another application already uses this key combination.");
    case kStatusHotKeyExists:
        return QCoreApplication::translate("Translation",
                                           "Another hot key already uses this key combination.");
    case kStatusUnavailable:
        return QCoreApplication::translate("Translation",
                                           "Global hot keys are not available in this session.");
    case kStatusParamErr:
        return QCoreApplication::translate("Translation", "This key cannot be used as a hot key.");
    case kStatusNotGranted:
        return QCoreApplication::translate("Translation",
                                           "The desktop did not grant this hot key.");
    case kStatusNoAnswer:
        return QCoreApplication::translate("Translation",
                                           "The desktop's shortcut service did not answer.");
    case kStatusNotSurelyActive:
        return QCoreApplication::translate("Translation",
                                           "The desktop may not have bound this key.");
    default:
        return QCoreApplication::translate("Translation", "The hot key could not be registered (error %1).")
            .arg(status);
    }
}

std::unique_ptr<HotKeyService> HotKeyService::createForSession()
{
    return SessionHotKeyChoice::createService(SessionHotKeyChoice::currentSession());
}
