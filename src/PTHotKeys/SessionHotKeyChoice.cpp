// SessionHotKeyChoice: under Wayland only the compositor sees every key press, so the portal
// wins where it exists; X11 grabs under Wayland see keys only while an X11 window has focus.
#include "PTHotKeys/SessionHotKeyChoice.h"

#include "PTHotKeys/UnavailableHotKeyService.h"
#include "PTHotKeys/portal/PortalHotKeyService.h"
#include "PTHotKeys/x11/QtXcbConnection.h"
#include "PTHotKeys/x11/X11HotKeyService.h"

#include <QCoreApplication>
#include <QDBusConnection>

namespace {

QString tx(const char *text)
{
    return QCoreApplication::translate("Translation", text);
}

QString fallbackAdvice()
{
    return tx("To switch ports by key anyway, bind the command “tarvexctl port 1” (and 2 to 4) "
              "to keys in the desktop's keyboard settings.");
}

} // namespace

SessionHotKeyChoice::Choice SessionHotKeyChoice::choose(const Session &session)
{
    if (session.wayland && session.portalVersion > 0)
        return {Kind::Portal, QString()};
    if (session.x11 && !session.wayland)
        return {Kind::X11, QString()};
    if (session.x11) {
        return {Kind::X11, tx("This Wayland desktop offers no global shortcuts portal: hot keys "
                              "work only while a window of an X11 program has the focus.")
                               + QLatin1Char(' ') + fallbackAdvice()};
    }
    if (session.wayland) {
        return {Kind::Unavailable, tx("This Wayland desktop offers no global shortcuts portal, so "
                                      "global hot keys are not available.")
                                       + QLatin1Char(' ') + fallbackAdvice()};
    }
    return {Kind::Unavailable, tx("Global hot keys are not available in this session.")};
}

SessionHotKeyChoice::Session SessionHotKeyChoice::currentSession()
{
    Session session;
    session.wayland = qgetenv("XDG_SESSION_TYPE") == "wayland"
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    session.x11 = qtXcbConnection() != nullptr;
    if (session.wayland) {
        session.portalVersion = PortalHotKeyService::probeVersion(
            QDBusConnection::sessionBus(), PortalHotKeyService::applicationId());
    }
    return session;
}

std::unique_ptr<HotKeyService> SessionHotKeyChoice::createService(const Session &session)
{
    const Choice choice = choose(session);
    std::unique_ptr<HotKeyService> service;
    switch (choice.kind) {
    case Kind::Portal:
        service = std::make_unique<PortalHotKeyService>(QDBusConnection::sessionBus(),
                                                        session.portalVersion);
        break;
    case Kind::X11:
        service = std::make_unique<X11HotKeyService>(qtXcbConnection());
        break;
    case Kind::Unavailable:
        service = std::make_unique<UnavailableHotKeyService>();
        break;
    }
    service->setLimitation(choice.limitation);
    return service;
}
