// X11HotKeyService: global hot keys as passive key grabs on the root window, on Qt's own
// xcb connection; presses and releases come back through a native event filter.
#pragma once

#include "PTHotKeys/HotKeyService.h"

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QList>

#include <xcb/xcb.h>

class X11HotKeyService : public HotKeyService, public QAbstractNativeEventFilter
{
public:
    explicit X11HotKeyService(xcb_connection_t *connection);
    ~X11HotKeyService() override;

    int registerEventHotKey(qint32 keyCode, qint32 modifiers, HotKeyID id,
                            Handle *outHandle) override;
    int unregisterEventHotKey(Handle handle) override;
    int installEventHandler(EventHandler handler) override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

    // The X modifier mask for hot-key modifier bits under the current modifier mapping.
    quint16 xModifiersFor(qint32 modifiers) const;

private:
    struct Grab {
        xcb_keycode_t keycode = 0;
        quint16 xModifiers = 0;   // without lock bits
        HotKeyID id;
        QList<quint16> variants;  // the masks actually grabbed
    };

    void readModifierMapping();
    QList<quint16> lockVariants(quint16 xModifiers) const;
    int grabVariants(Grab &grab);
    void ungrabVariants(Grab &grab);
    void regrabAll();
    void dispatch(const Grab &grab, quint32 kind);

    xcb_connection_t *mConnection;
    xcb_window_t mRoot;
    QHash<Handle, Grab> mGrabs;
    Handle mLastHandle = 0;
    QHash<xcb_keycode_t, Handle> mKeysDown; // held registrations, to ignore autorepeat
    EventHandler mHandler;
    quint16 mNumLockMask = XCB_MOD_MASK_2;
    quint16 mAltMask = XCB_MOD_MASK_1;
    quint16 mSuperMask = XCB_MOD_MASK_4;
    bool mMappingStale = false;
};
