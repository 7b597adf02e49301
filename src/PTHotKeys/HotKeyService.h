// HotKeyService: the seam between the hot key center and the session's global hot-key
// mechanism (X11 key grabs, none at all, or a fake in the tests).
#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

// The two-word ID given with a registration and handed back with each of its events.
struct HotKeyID {
    quint32 signature = 0;
    quint32 id = 0;
};

// One event of the service: class 'keyb', kind 5 (pressed) or 6 (released). `idStatus` is
// non-zero when the ID could not be read from the event; `hotKeyID` is then meaningless.
struct HotKeyEvent {
    quint32 eventClass = 0;
    quint32 kind = 0;
    HotKeyID hotKeyID;
    int idStatus = 0;
};

class HotKeyService
{
public:
    using Handle = quintptr; // 0 is never a valid registration
    using EventHandler = std::function<int(const HotKeyEvent &)>;

    static constexpr quint32 kEventClassKeyboard = 0x6B657962; // 'keyb'
    static constexpr quint32 kEventHotKeyPressed = 5;
    static constexpr quint32 kEventHotKeyReleased = 6;
    static constexpr quint32 kHotKeySignature = 0x5054486B; // 'PTHk'

    // Statuses besides 0 (success) and the X error codes (10 = BadAccess).
    static constexpr int kStatusParamErr = -50;          // no such key on this keyboard
    static constexpr int kStatusHotKeyExists = -9878;    // already registered by this program
    static constexpr int kStatusUnavailable = -9879;     // no global hot keys in this session
    static constexpr int kStatusXBadAccess = 10;

    virtual ~HotKeyService();

    // Registers `keyCode` with the hot-key `modifiers` of a PTKeyCombo. 0 and a handle on
    // success; any other status means nothing was registered.
    virtual int registerEventHotKey(qint32 keyCode, qint32 modifiers, HotKeyID id,
                                    Handle *outHandle) = 0;
    virtual int unregisterEventHotKey(Handle handle) = 0;
    // Events are delivered to `handler` on the main event loop.
    virtual int installEventHandler(EventHandler handler) = 0;

    // A sentence for the user about a status other than 0.
    static QString statusText(int status);

    // X11 grabs when the application runs on xcb, otherwise a service that refuses.
    static std::unique_ptr<HotKeyService> createForSession();
};
