// UnavailableHotKeyService: refusal with one notice, so the menus keep working without noise.
#include "PTHotKeys/UnavailableHotKeyService.h"

#include <cstdio>

int UnavailableHotKeyService::registerEventHotKey(qint32, qint32, HotKeyID, Handle *outHandle)
{
    if (outHandle)
        *outHandle = 0;
    if (!mToldUser) {
        mToldUser = true;
        std::fprintf(stderr, "tarvexcc: global hot keys are unavailable in this session "
                             "(they need an X11 display); the menu commands still work.\n");
        std::fflush(stderr);
    }
    return kStatusUnavailable;
}
