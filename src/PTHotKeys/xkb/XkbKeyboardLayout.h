// XkbKeyboardLayout: the X server's keyboard layout through xkbcommon-x11 on Qt's connection.
// The keymap is re-read after a new-keymap event and the handle changes with the active group.
#pragma once

#include "PTHotKeys/KeyboardLayout.h"

#include <QAbstractNativeEventFilter>

#include <memory>

struct xcb_connection_t;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

class XkbKeyboardLayout : public KeyboardLayout, public QAbstractNativeEventFilter
{
public:
    // Null when the application is not on X11 or the server lacks XKB.
    static std::unique_ptr<XkbKeyboardLayout> create();
    ~XkbKeyboardLayout() override;

    quint64 currentLayout() override;
    QString localizedName(quint64 layout) const override;
    QString kind() const override { return QStringLiteral("xkb"); }
    QString translate(quint64 layout, quint16 virtualKeyCode, quint32 *deadKeyState) override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    XkbKeyboardLayout(xcb_connection_t *connection, int32_t deviceId, uint8_t firstXkbEvent);
    bool reloadKeymap();
    void releaseKeymap();

    xcb_connection_t *mConnection;
    int32_t mDeviceId;
    uint8_t mFirstXkbEvent;
    xkb_context *mContext = nullptr;
    xkb_keymap *mKeymap = nullptr;
    xkb_state *mState = nullptr;
    quint32 mGroup = 0;
    bool mKeymapStale = true;
    quint64 mHandle = 0;
    quint64 mLastHandle = 0;
};
