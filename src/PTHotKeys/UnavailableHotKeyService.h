// UnavailableHotKeyService: stands in where the session offers no global hot keys (Wayland
// without the portal and without X11, offscreen). It refuses every registration; the reason
// is its limitation text, set by whoever chose it.
#pragma once

#include "PTHotKeys/HotKeyService.h"

class UnavailableHotKeyService : public HotKeyService
{
public:
    int registerEventHotKey(qint32, qint32, HotKeyID, const HotKeyPurpose &,
                            Handle *outHandle) override
    {
        *outHandle = 0;
        return kStatusUnavailable;
    }
    int unregisterEventHotKey(Handle) override { return 0; }
    int installEventHandler(EventHandler) override { return 0; }
};
