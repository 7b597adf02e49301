// Fake hot-key service for tests: registrations in memory, a refusal list, and press/release
// helpers that deliver events the way a real service would.
#pragma once

#include "PTHotKeys/HotKeyService.h"

#include <QList>
#include <QMap>
#include <QPair>

class FakeHotKeyService : public HotKeyService
{
public:
    struct Registration {
        qint32 keyCode;
        qint32 modifiers;
        HotKeyID id;
    };

    QMap<Handle, Registration> registrations;
    QList<QPair<qint32, qint32>> refused; // combinations this service will not take
    int refusalStatus = kStatusXBadAccess;
    int registerCalls = 0;
    int unregisterCalls = 0;
    int handlerInstalls = 0;
    EventHandler handler;
    Handle lastHandle = 0;

    int registerEventHotKey(qint32 keyCode, qint32 modifiers, HotKeyID id,
                            Handle *outHandle) override
    {
        ++registerCalls;
        if (refused.contains(qMakePair(keyCode, modifiers)))
            return refusalStatus;
        *outHandle = ++lastHandle;
        registrations.insert(*outHandle, Registration{keyCode, modifiers, id});
        return 0;
    }
    int unregisterEventHotKey(Handle handle) override
    {
        ++unregisterCalls;
        return registrations.remove(handle) ? 0 : kStatusParamErr;
    }
    int installEventHandler(EventHandler h) override
    {
        ++handlerInstalls;
        handler = std::move(h);
        return 0;
    }

    // Sends the event a key press (or release) of this combination would cause; false when
    // nothing is registered for it.
    bool deliver(qint32 keyCode, qint32 modifiers, quint32 kind)
    {
        for (const Registration &r : registrations) {
            if (r.keyCode == keyCode && r.modifiers == modifiers && handler) {
                HotKeyEvent event;
                event.eventClass = kEventClassKeyboard;
                event.kind = kind;
                event.hotKeyID = r.id;
                handler(event);
                return true;
            }
        }
        return false;
    }
    bool press(qint32 keyCode, qint32 modifiers)
    {
        return deliver(keyCode, modifiers, kEventHotKeyPressed);
    }
    bool release(qint32 keyCode, qint32 modifiers)
    {
        return deliver(keyCode, modifiers, kEventHotKeyReleased);
    }
};
