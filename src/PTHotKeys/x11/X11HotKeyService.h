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
    // Asks the server for presses without releases while a key repeats (detectable autorepeat).
    explicit X11HotKeyService(xcb_connection_t *connection);
    ~X11HotKeyService() override;

    int registerEventHotKey(qint32 keyCode, qint32 modifiers, HotKeyID id,
                            const HotKeyPurpose &purpose, Handle *outHandle) override;
    int unregisterEventHotKey(Handle handle) override;
    int installEventHandler(EventHandler handler) override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

    // The X modifier mask for hot-key modifier bits under the current modifier mapping.
    quint16 xModifiersFor(qint32 modifiers) const;
    // True when the server sends this connection no release between the repeats of a held key.
    bool hasDetectableAutoRepeat() const { return mDetectableAutoRepeat; }

private:
    struct Grab {
        xcb_keycode_t keycode = 0;
        quint16 xModifiers = 0;   // without lock bits
        HotKeyID id;
        QList<quint16> variants;  // the masks actually grabbed
    };

    void enableDetectableAutoRepeat();
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
    // Without detectable autorepeat every repeat is a release and a press with one timestamp:
    // the time of each key's last release tells such a press from a new one.
    QHash<xcb_keycode_t, xcb_timestamp_t> mLastRelease;
    bool mDetectableAutoRepeat = false;
    EventHandler mHandler;
    quint16 mNumLockMask = XCB_MOD_MASK_2;
    quint16 mAltMask = XCB_MOD_MASK_1;
    quint16 mSuperMask = XCB_MOD_MASK_4;
    bool mMappingStale = false;
};
