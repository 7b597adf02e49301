// SessionHotKeyChoice: which global hot-key mechanism this session gets (the desktop portal,
// X11 grabs, or none) and, when it is limited, the reason the user is given.
#pragma once

#include <QString>

#include <memory>

class HotKeyService;

class SessionHotKeyChoice
{
public:
    enum class Kind { Portal, X11, Unavailable };

    struct Session {
        bool wayland = false;  // XDG_SESSION_TYPE=wayland or WAYLAND_DISPLAY set
        bool x11 = false;      // Qt talks to an X server (XWayland, under Wayland)
        int portalVersion = 0; // the GlobalShortcuts portal's version; 0: it did not answer
    };

    struct Choice {
        Kind kind = Kind::Unavailable;
        QString limitation; // empty when hot keys work as the user expects
    };

    static Choice choose(const Session &session);
    // Looks at the environment and Qt's platform; asks the portal only under Wayland.
    static Session currentSession();
    static std::unique_ptr<HotKeyService> createService(const Session &session);
};
