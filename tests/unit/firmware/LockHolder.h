// Another program holding a switch: a forked child takes the SwitchLock for a serial and
// keeps it until the holder is destroyed.
#pragma once

#include "switch/SwitchLock.h"

class LockHolder
{
public:
    LockHolder(const char *serial, SwitchLock::Purpose purpose); // returns once it is held
    ~LockHolder();

private:
    int mChild = -1;
    int mRelease = -1;
};
