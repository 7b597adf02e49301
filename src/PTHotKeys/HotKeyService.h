// HotKeyService: the seam between the hot key center and the session's global hot-key
// mechanism (X11 key grabs, the desktop portal on Wayland, none at all, or a fake in the tests).
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

// What a hot key is for, in words a desktop can show in its own shortcut settings.
struct HotKeyPurpose {
    QString shortcutId;  // stable across runs: "port-1" … "port-4", "rotate"
    QString description; // the command's translated menu text
};

// How the session treats one accepted registration. Services that grab keys themselves know
// at once (active, no trigger); a desktop that binds keys for us answers later and may bind
// another key than the one asked for, or none.
struct HotKeyGrant {
    bool pending = false; // asked for, no answer yet
    int status = 0;       // 0: active; otherwise why not (see statusText) …
    QString reason;       // … in words, when the service knows better than the status
    QString trigger;      // the key that triggers it as the desktop said, in our words if readable
    QString note;         // something the user should know about changing it

    bool isActive() const { return !pending && status == 0; }
};

class HotKeyService
{
public:
    using Handle = quintptr; // 0 is never a valid registration
    using EventHandler = std::function<int(const HotKeyEvent &)>;
    // Told on the main loop when grant(handle) may have changed; 0 when the limitation did.
    using ChangeHandler = std::function<void(Handle)>;

    static constexpr quint32 kEventClassKeyboard = 0x6B657962; // 'keyb'
    static constexpr quint32 kEventHotKeyPressed = 5;
    static constexpr quint32 kEventHotKeyReleased = 6;
    static constexpr quint32 kHotKeySignature = 0x5054486B; // 'PTHk'

    // Statuses besides 0 (success) and the X error codes (10 = BadAccess).
    static constexpr int kStatusParamErr = -50;          // no such key on this keyboard
    static constexpr int kStatusHotKeyExists = -9878;    // already registered by this program
    static constexpr int kStatusUnavailable = -9879;     // no global hot keys in this session
    static constexpr int kStatusNotGranted = -9880;      // the desktop did not bind it
    static constexpr int kStatusNoAnswer = -9881;        // the desktop did not answer in time
    static constexpr int kStatusNotSurelyActive = -9882; // bound, but maybe to another key
    static constexpr int kStatusXBadAccess = 10;

    virtual ~HotKeyService();

    // Registers `keyCode` with the hot-key `modifiers` of a PTKeyCombo. 0 and a handle on
    // success; any other status means nothing was registered. A service that asks the
    // desktop answers 0 at once and tells the outcome later through grant().
    virtual int registerEventHotKey(qint32 keyCode, qint32 modifiers, HotKeyID id,
                                    const HotKeyPurpose &purpose, Handle *outHandle) = 0;
    virtual int unregisterEventHotKey(Handle handle) = 0;
    // Events are delivered to `handler` on the main event loop.
    virtual int installEventHandler(EventHandler handler) = 0;

    virtual HotKeyGrant grant(Handle handle) const;
    void setChangeHandler(ChangeHandler handler) { mChangeHandler = std::move(handler); }

    // Why global hot keys are limited or unavailable in this session, for the preferences;
    // empty when they work as the user expects.
    QString limitation() const { return mLimitation; }
    // Each new reason is also logged once, as a warning on tarvex.hotkeys.
    void setLimitation(const QString &limitation);

    // A sentence for the user about a status other than 0.
    static QString statusText(int status);

    // The portal on a Wayland desktop that offers it, X11 grabs on X11 (also under Wayland,
    // limited there), otherwise a service that refuses; see SessionHotKeyChoice.
    static std::unique_ptr<HotKeyService> createForSession();

protected:
    void notifyChanged(Handle handle) const;

private:
    ChangeHandler mChangeHandler;
    QString mLimitation;
};
