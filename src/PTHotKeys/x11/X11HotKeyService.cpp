// X11HotKeyService: one checked grab per lock state (none, Caps Lock, Num Lock, both), so a
// hot key works whatever the lock keys are; a refused variant undoes the others.
#include "PTHotKeys/x11/X11HotKeyService.h"

#include "PTHotKeys/PTKeyCombo.h"
#include "PTHotKeys/VirtualKeyCodes.h"
#include "PTHotKeys/x11/QtXcbConnection.h"
#include "PTHotKeys/x11/XcbXkb.h"

#include <QCoreApplication>
#include <QSet>

#include <xkbcommon/xkbcommon-keysyms.h>

#include <cstdlib>

namespace {

constexpr quint16 kCoreModifierBits = 0xFF;

} // namespace

X11HotKeyService::X11HotKeyService(xcb_connection_t *connection)
    : mConnection(connection), mRoot(qtXcbRootWindow(connection))
{
    enableDetectableAutoRepeat();
    readModifierMapping();
    // Installed at once (not only with the handler) so keymap changes are followed even
    // before the first hot key exists.
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotKeyService::~X11HotKeyService()
{
    if (QCoreApplication::instance()) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
        for (Grab &grab : mGrabs)
            ungrabVariants(grab);
        xcb_flush(mConnection);
    }
}

void X11HotKeyService::enableDetectableAutoRepeat()
{
    // A held key repeats on the server as a release followed by a press of the same key. The
    // release ends the passive grab and the press starts it again, so each repeat would look
    // like a new press of the hot key. With detectable autorepeat this connection gets only
    // the presses, which the held-key check below drops. The flag belongs to the connection,
    // which is Qt's: Qt never sets or reads it. Qt tells repeats by their timestamps, so with
    // the flag on its key events for repeats are no longer marked as repeats; keys still
    // repeat in text fields. The flag stays on after this service goes (it never is replaced
    // while the program runs, and two services on one connection must not undo each other).
    xcb_xkb_use_extension_reply_t *use = xcb_xkb_use_extension_reply(
        mConnection, xcb_xkb_use_extension(mConnection, XCB_XKB_MAJOR_VERSION,
                                           XCB_XKB_MINOR_VERSION),
        nullptr);
    const bool haveXkb = use && use->supported;
    std::free(use);
    if (!haveXkb)
        return;
    constexpr uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    xcb_xkb_per_client_flags_reply_t *after = xcb_xkb_per_client_flags_reply(
        mConnection,
        xcb_xkb_per_client_flags(mConnection, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0),
        nullptr);
    mDetectableAutoRepeat = after && (after->supported & flag) && (after->value & flag);
    std::free(after);
}

void X11HotKeyService::readModifierMapping()
{
    mMappingStale = false;
    xcb_get_modifier_mapping_reply_t *mods =
        xcb_get_modifier_mapping_reply(mConnection, xcb_get_modifier_mapping(mConnection), nullptr);
    if (!mods)
        return;
    const xcb_setup_t *setup = xcb_get_setup(mConnection);
    const xcb_keycode_t minKeycode = setup->min_keycode;
    const xcb_keycode_t maxKeycode = setup->max_keycode;
    xcb_get_keyboard_mapping_reply_t *keys = xcb_get_keyboard_mapping_reply(
        mConnection,
        xcb_get_keyboard_mapping(mConnection, minKeycode, maxKeycode - minKeycode + 1), nullptr);
    if (!keys) {
        std::free(mods);
        return;
    }
    const xcb_keycode_t *modKeycodes = xcb_get_modifier_mapping_keycodes(mods);
    const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(keys);
    const int symsPerKey = keys->keysyms_per_keycode;
    const int symCount = xcb_get_keyboard_mapping_keysyms_length(keys);

    quint16 numLock = 0, alt = 0, super = 0;
    // Rows 3-7 of the modifier map are Mod1-Mod5; look at the keysyms bound to each.
    for (int row = 3; row < 8; ++row) {
        for (int i = 0; i < mods->keycodes_per_modifier; ++i) {
            const xcb_keycode_t kc = modKeycodes[row * mods->keycodes_per_modifier + i];
            if (kc < minKeycode || kc > maxKeycode)
                continue;
            for (int s = 0; s < symsPerKey; ++s) {
                const int index = (kc - minKeycode) * symsPerKey + s;
                if (index >= symCount)
                    break;
                const xcb_keysym_t sym = syms[index];
                const quint16 bit = quint16(1u << row);
                if (sym == XKB_KEY_Num_Lock && !numLock)
                    numLock = bit;
                else if ((sym == XKB_KEY_Alt_L || sym == XKB_KEY_Alt_R) && !alt)
                    alt = bit;
                else if ((sym == XKB_KEY_Super_L || sym == XKB_KEY_Super_R) && !super)
                    super = bit;
            }
        }
    }
    std::free(keys);
    std::free(mods);
    mNumLockMask = numLock; // 0: no Num Lock key, no Num Lock variants needed
    mAltMask = alt ? alt : quint16(XCB_MOD_MASK_1);
    mSuperMask = super ? super : quint16(XCB_MOD_MASK_4);
}

quint16 X11HotKeyService::xModifiersFor(qint32 modifiers) const
{
    quint16 mask = 0;
    if (modifiers & PTKeyCombo::kCommandKey)
        mask |= mSuperMask;
    if (modifiers & PTKeyCombo::kOptionKey)
        mask |= mAltMask;
    if (modifiers & PTKeyCombo::kControlKey)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & PTKeyCombo::kShiftKey)
        mask |= XCB_MOD_MASK_SHIFT;
    // The function-key bit names the kind of key, not a key held down: no X modifier.
    return mask;
}

QList<quint16> X11HotKeyService::lockVariants(quint16 xModifiers) const
{
    QList<quint16> variants;
    const quint16 locks[] = {0, XCB_MOD_MASK_LOCK, mNumLockMask,
                             quint16(XCB_MOD_MASK_LOCK | mNumLockMask)};
    for (quint16 lock : locks) {
        const quint16 mask = xModifiers | lock;
        if (!variants.contains(mask))
            variants.append(mask);
    }
    return variants;
}

int X11HotKeyService::grabVariants(Grab &grab)
{
    grab.variants.clear();
    for (quint16 mask : lockVariants(grab.xModifiers)) {
        xcb_void_cookie_t cookie =
            xcb_grab_key_checked(mConnection, 0 /* owner_events */, mRoot, mask, grab.keycode,
                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t *error = xcb_request_check(mConnection, cookie)) {
            const int status = error->error_code ? error->error_code : kStatusXBadAccess;
            std::free(error);
            ungrabVariants(grab); // all or nothing
            return status;
        }
        grab.variants.append(mask);
    }
    return 0;
}

void X11HotKeyService::ungrabVariants(Grab &grab)
{
    for (quint16 mask : grab.variants)
        xcb_ungrab_key(mConnection, grab.keycode, mRoot, mask);
    grab.variants.clear();
}

int X11HotKeyService::registerEventHotKey(qint32 keyCode, qint32 modifiers, HotKeyID id,
                                          const HotKeyPurpose &, Handle *outHandle)
{
    *outHandle = 0;
    if (mMappingStale)
        readModifierMapping();
    const int keycode = VirtualKeyCodes::xKeycodeForVirtualKeyCode(keyCode);
    const xcb_setup_t *setup = xcb_get_setup(mConnection);
    if (keycode < setup->min_keycode || keycode > setup->max_keycode)
        return kStatusParamErr;

    Grab grab;
    grab.keycode = static_cast<xcb_keycode_t>(keycode);
    grab.xModifiers = xModifiersFor(modifiers);
    grab.id = id;
    // The server lets one client grab the same key twice; within this program that would be
    // two hot keys on one combination, so it is refused here.
    for (const Grab &other : std::as_const(mGrabs)) {
        if (other.keycode == grab.keycode && other.xModifiers == grab.xModifiers)
            return kStatusHotKeyExists;
    }
    if (const int status = grabVariants(grab)) {
        xcb_flush(mConnection);
        return status;
    }
    xcb_flush(mConnection);
    const Handle handle = ++mLastHandle;
    mGrabs.insert(handle, grab);
    *outHandle = handle;
    return 0;
}

int X11HotKeyService::unregisterEventHotKey(Handle handle)
{
    auto it = mGrabs.find(handle);
    if (it == mGrabs.end())
        return kStatusParamErr;
    ungrabVariants(*it);
    for (auto down = mKeysDown.begin(); down != mKeysDown.end();) {
        if (down.value() == handle) {
            mLastRelease.remove(down.key());
            down = mKeysDown.erase(down);
        } else {
            down = std::next(down);
        }
    }
    mGrabs.erase(it);
    xcb_flush(mConnection);
    return 0;
}

int X11HotKeyService::installEventHandler(EventHandler handler)
{
    mHandler = std::move(handler);
    return 0;
}

void X11HotKeyService::regrabAll()
{
    // Alt or Super may sit on another ModN now: the old grabs name the wrong masks.
    for (auto it = mGrabs.begin(); it != mGrabs.end(); ++it) {
        ungrabVariants(*it);
    }
    for (auto it = mGrabs.begin(); it != mGrabs.end(); ++it) {
        // A combination lost to another client in between stays registered without grabs:
        // it was accepted once and the owner is not told of keymap changes.
        grabVariants(*it);
    }
    xcb_flush(mConnection);
}

void X11HotKeyService::dispatch(const Grab &grab, quint32 kind)
{
    if (!mHandler)
        return;
    HotKeyEvent event;
    event.eventClass = kEventClassKeyboard;
    event.kind = kind;
    event.hotKeyID = grab.id;
    mHandler(event);
}

bool X11HotKeyService::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *generic = static_cast<const xcb_generic_event_t *>(message);
    const uint8_t type = generic->response_type & 0x7F;

    if (type == XCB_MAPPING_NOTIFY) {
        const auto *mapping = reinterpret_cast<const xcb_mapping_notify_event_t *>(generic);
        if (mapping->request == XCB_MAPPING_MODIFIER || mapping->request == XCB_MAPPING_KEYBOARD) {
            const quint16 oldAlt = mAltMask, oldSuper = mSuperMask, oldNumLock = mNumLockMask;
            readModifierMapping();
            if (oldAlt != mAltMask || oldSuper != mSuperMask || oldNumLock != mNumLockMask) {
                for (auto it = mGrabs.begin(); it != mGrabs.end(); ++it) {
                    // Re-derive the mask from the hot-key bits under the new mapping.
                    quint16 mask = it->xModifiers & (XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL);
                    if (it->xModifiers & oldAlt)
                        mask |= mAltMask;
                    if (it->xModifiers & oldSuper)
                        mask |= mSuperMask;
                    it->xModifiers = mask;
                }
                regrabAll();
            }
        }
        return false; // Qt follows the mapping as well
    }
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;

    const auto *key = reinterpret_cast<const xcb_key_press_event_t *>(generic);
    if (key->event != mRoot)
        return false;

    if (type == XCB_KEY_PRESS) {
        // The layout group sits above the core bits; the lock keys must not matter.
        const quint16 state = (key->state & kCoreModifierBits)
            & ~quint16(XCB_MOD_MASK_LOCK | mNumLockMask);
        for (auto it = mGrabs.cbegin(); it != mGrabs.cend(); ++it) {
            if (it->keycode != key->detail || it->xModifiers != state)
                continue;
            if (mKeysDown.contains(key->detail))
                return true; // autorepeat of a held hot key: one action per press
            const auto released = mLastRelease.constFind(key->detail);
            if (released != mLastRelease.cend() && released.value() == key->time) {
                // The press half of a repeat's release-press pair: the key is still held.
                mKeysDown.insert(key->detail, it.key());
                return true;
            }
            mLastRelease.remove(key->detail);
            mKeysDown.insert(key->detail, it.key());
            const Grab grab = *it; // the handler may unregister it
            dispatch(grab, kEventHotKeyPressed);
            return true;
        }
        return false;
    }

    // A release matches by key alone: the modifiers may have been let go first.
    const auto down = mKeysDown.find(key->detail);
    if (down == mKeysDown.end())
        return false;
    const Handle handle = down.value();
    mKeysDown.erase(down);
    if (!mDetectableAutoRepeat)
        mLastRelease.insert(key->detail, key->time);
    const auto it = mGrabs.constFind(handle);
    if (it != mGrabs.cend()) {
        const Grab grab = *it;
        dispatch(grab, kEventHotKeyReleased);
    }
    return true;
}
