// Fake hot-key service for tests: registrations in memory, a refusal list, and presses and
// releases delivered the way a real service would.
#pragma once

#include "PTHotKeys/HotKeyService.h"

#include <QList>
#include <QMap>
#include <QPair>

using Combos = QList<QPair<qint32, qint32>>;

class FakeHotKeyService : public HotKeyService
{
public:
    struct Registration { qint32 keyCode, modifiers; HotKeyID id; };
    QMap<Handle, Registration> registrations; // handles only grow: this is registration order
    Combos refused;                           // combinations this service will not take
    int registerCalls = 0, handlerInstalls = 0;
    EventHandler handler;
    Handle lastHandle = 0;

    int registerEventHotKey(qint32 keyCode, qint32 modifiers, HotKeyID id, const HotKeyPurpose &,
                            Handle *outHandle) override
    {
        ++registerCalls;
        if (refused.contains(qMakePair(keyCode, modifiers)))
            return kStatusXBadAccess;
        registrations.insert(*outHandle = ++lastHandle, Registration{keyCode, modifiers, id});
        return 0;
    }
    int unregisterEventHotKey(Handle handle) override { return registrations.remove(handle) ? 0 : kStatusParamErr; }
    int installEventHandler(EventHandler h) override { handler = std::move(h); ++handlerInstalls; return 0; }

    Combos grabbed() const // in the order they were grabbed
    {
        Combos combos;
        for (const Registration &r : registrations)
            combos.append({r.keyCode, r.modifiers});
        return combos;
    }
    // The event a press (or release) of this combination causes; false when none is grabbed.
    bool press(qint32 keyCode, qint32 modifiers, quint32 kind = kEventHotKeyPressed)
    {
        for (const Registration &r : registrations) {
            if (r.keyCode == keyCode && r.modifiers == modifiers && handler)
                return handler(HotKeyEvent{kEventClassKeyboard, kind, r.id, 0}) == 0;
        }
        return false;
    }
    bool release(qint32 keyCode, qint32 modifiers) { return press(keyCode, modifiers, kEventHotKeyReleased); }
};
