// Fake hot-key service for tests: registrations in memory, a refusal list, and press/release
// helpers that deliver events the way a real service would.
#pragma once

#include "PTHotKeys/HotKeyService.h"

#include <QList>
#include <QMap>
#include <QPair>

using Combos = QList<QPair<qint32, qint32>>;

class FakeHotKeyService : public HotKeyService
{
public:
    struct Registration {
        qint32 keyCode;
        qint32 modifiers;
        HotKeyID id;
    };

    QMap<Handle, Registration> registrations; // handles only grow: this is registration order
    Combos refused;                           // combinations this service will not take
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
            return kStatusXBadAccess;
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

    // The combinations grabbed now, in the order they were grabbed.
    Combos grabbed() const
    {
        Combos combos;
        for (const Registration &r : registrations)
            combos.append({r.keyCode, r.modifiers});
        return combos;
    }

    // Sends the event a press (or release) of this combination would cause; false when
    // nothing is registered for it.
    bool press(qint32 keyCode, qint32 modifiers, quint32 kind = kEventHotKeyPressed)
    {
        for (const Registration &r : registrations) {
            if (r.keyCode == keyCode && r.modifiers == modifiers && handler) {
                handler(HotKeyEvent{kEventClassKeyboard, kind, r.id, 0});
                return true;
            }
        }
        return false;
    }
    bool release(qint32 keyCode, qint32 modifiers)
    {
        return press(keyCode, modifiers, kEventHotKeyReleased);
    }
};
