// XkbKeyboardLayout: level-0 characters of the server's current keymap and group.
#include "PTHotKeys/xkb/XkbKeyboardLayout.h"

#include "PTHotKeys/VirtualKeyCodes.h"
#include "PTHotKeys/x11/QtXcbConnection.h"
#include "PTHotKeys/x11/XcbXkb.h"

#include <QCoreApplication>

#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace {

// Dead keys translate to no character; show the accent they put on the next letter.
char32_t displayableDeadKey(xkb_keysym_t sym)
{
    switch (sym) {
    case XKB_KEY_dead_grave: return U'`';
    case XKB_KEY_dead_acute: return U'\u00B4';
    case XKB_KEY_dead_circumflex: return U'^';
    case XKB_KEY_dead_tilde: return U'~';
    case XKB_KEY_dead_macron: return U'\u00AF';
    case XKB_KEY_dead_breve: return U'\u02D8';
    case XKB_KEY_dead_abovedot: return U'\u02D9';
    case XKB_KEY_dead_diaeresis: return U'\u00A8';
    case XKB_KEY_dead_abovering: return U'\u00B0';
    case XKB_KEY_dead_doubleacute: return U'\u02DD';
    case XKB_KEY_dead_caron: return U'\u02C7';
    case XKB_KEY_dead_cedilla: return U'\u00B8';
    case XKB_KEY_dead_ogonek: return U'\u02DB';
    default: return 0;
    }
}

char32_t printableCharacter(xkb_keysym_t sym)
{
    if (const char32_t dead = displayableDeadKey(sym))
        return dead;
    const char32_t c = xkb_keysym_to_utf32(sym);
    // Control characters (Return, Tab, Escape ...) have no face to show.
    if (c < 0x20 || c == 0x7F)
        return 0;
    return c;
}

} // namespace

std::unique_ptr<XkbKeyboardLayout> XkbKeyboardLayout::create()
{
    xcb_connection_t *connection = qtXcbConnection();
    if (!connection)
        return nullptr;
    uint8_t firstEvent = 0;
    if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION,
                                     XKB_X11_MIN_MINOR_XKB_VERSION,
                                     XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr,
                                     &firstEvent, nullptr))
        return nullptr;
    const int32_t deviceId = xkb_x11_get_core_keyboard_device_id(connection);
    if (deviceId < 0)
        return nullptr;
    std::unique_ptr<XkbKeyboardLayout> layout(
        new XkbKeyboardLayout(connection, deviceId, firstEvent));
    if (!layout->mContext || !layout->reloadKeymap())
        return nullptr;
    // Qt selects the XKB new-keyboard, map and state events on this connection for its own
    // keyboard handling; the filter sees them before Qt does and leaves them to Qt.
    QCoreApplication::instance()->installNativeEventFilter(layout.get());
    return layout;
}

XkbKeyboardLayout::XkbKeyboardLayout(xcb_connection_t *connection, int32_t deviceId,
                                     uint8_t firstXkbEvent)
    : mConnection(connection), mDeviceId(deviceId), mFirstXkbEvent(firstXkbEvent),
      mContext(xkb_context_new(XKB_CONTEXT_NO_FLAGS))
{
}

XkbKeyboardLayout::~XkbKeyboardLayout()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    releaseKeymap();
    if (mContext)
        xkb_context_unref(mContext);
}

void XkbKeyboardLayout::releaseKeymap()
{
    if (mState)
        xkb_state_unref(mState);
    if (mKeymap)
        xkb_keymap_unref(mKeymap);
    mState = nullptr;
    mKeymap = nullptr;
}

bool XkbKeyboardLayout::reloadKeymap()
{
    releaseKeymap();
    mHandle = 0;
    mKeymap = xkb_x11_keymap_new_from_device(mContext, mConnection, mDeviceId,
                                             XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!mKeymap)
        return false;
    mState = xkb_x11_state_new_from_device(mKeymap, mConnection, mDeviceId);
    if (!mState) {
        releaseKeymap();
        return false;
    }
    mGroup = xkb_state_serialize_layout(mState, XKB_STATE_LAYOUT_EFFECTIVE);
    mKeymapStale = false;
    mHandle = ++mLastHandle;
    return true;
}

quint64 XkbKeyboardLayout::currentLayout()
{
    if (mKeymapStale)
        reloadKeymap();
    return mHandle;
}

QString XkbKeyboardLayout::localizedName(quint64 layout) const
{
    if (layout != mHandle || !mKeymap)
        return QString();
    const char *name = xkb_keymap_layout_get_name(mKeymap, mGroup);
    return name ? QString::fromUtf8(name) : QString();
}

QString XkbKeyboardLayout::translate(quint64 layout, quint16 virtualKeyCode, quint32 *)
{
    if (layout == 0 || layout != mHandle || !mKeymap)
        return QString();
    const int keycode = VirtualKeyCodes::xKeycodeForVirtualKeyCode(virtualKeyCode);
    if (keycode < 0)
        return QString();
    const xkb_layout_index_t group = xkb_state_key_get_layout(mState, keycode);
    if (group == XKB_LAYOUT_INVALID)
        return QString();
    // Level 0 is the unshifted face. Keypad keys carry their navigation function there and
    // their digit one level up: take the first level that prints something.
    for (xkb_level_index_t level = 0; level < 2; ++level) {
        const xkb_keysym_t *syms = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(mKeymap, keycode, group, level, &syms);
        if (count < 1)
            break;
        if (const char32_t c = printableCharacter(syms[0])) {
            const QString text = QString::fromUcs4(&c, 1);
            return text.left(1);
        }
    }
    return QString();
}

bool XkbKeyboardLayout::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const uint8_t type = event->response_type & 0x7F;
    if (type == XCB_MAPPING_NOTIFY) {
        mKeymapStale = true;
    } else if (type == mFirstXkbEvent) {
        const uint8_t xkbType = event->pad0; // the XKB event kind sits in the second byte
        if (xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY || xkbType == XCB_XKB_MAP_NOTIFY) {
            mKeymapStale = true;
        } else if (xkbType == XCB_XKB_STATE_NOTIFY && mState) {
            const auto *state = reinterpret_cast<const xcb_xkb_state_notify_event_t *>(event);
            if (state->deviceID == mDeviceId) {
                xkb_state_update_mask(mState, state->baseMods, state->latchedMods,
                                      state->lockedMods, state->baseGroup, state->latchedGroup,
                                      state->lockedGroup);
                if (state->group != mGroup) {
                    mGroup = state->group;
                    mHandle = ++mLastHandle;
                }
            }
        }
    }
    return false; // Qt needs these events too
}
