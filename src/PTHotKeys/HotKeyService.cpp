// HotKeyService: status texts and the choice of the session's implementation.
#include "PTHotKeys/HotKeyService.h"

#include "PTHotKeys/UnavailableHotKeyService.h"
#include "PTHotKeys/x11/QtXcbConnection.h"
#include "PTHotKeys/x11/X11HotKeyService.h"

#include <QCoreApplication>

HotKeyService::~HotKeyService() = default;

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
    default:
        return QCoreApplication::translate("Translation", "The hot key could not be registered (error %1).")
            .arg(status);
    }
}

std::unique_ptr<HotKeyService> HotKeyService::createForSession()
{
    if (xcb_connection_t *connection = qtXcbConnection())
        return std::make_unique<X11HotKeyService>(connection);
    return std::make_unique<UnavailableHotKeyService>();
}
