// UnavailableHotKeyService: stands in where the session offers no global hot keys (Wayland
// without X11, offscreen). It refuses every registration and says so once on stderr.
#pragma once

#include "PTHotKeys/HotKeyService.h"

class UnavailableHotKeyService : public HotKeyService
{
public:
    int registerEventHotKey(qint32 keyCode, qint32 modifiers, HotKeyID id,
                            Handle *outHandle) override;
    int unregisterEventHotKey(Handle) override { return 0; }
    int installEventHandler(EventHandler) override { return 0; }

private:
    bool mToldUser = false;
};
