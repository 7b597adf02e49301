// Another program holding a switch: a forked child takes the SwitchLock for a serial and
// keeps it until the holder is destroyed.
#pragma once

#include "switch/SwitchLock.h"

#include <QString>
#include <sys/wait.h>
#include <unistd.h>

class LockHolder
{
public:
    // Returns once the child holds the lock.
    LockHolder(const char *serial, SwitchLock::Purpose purpose)
    {
        int held[2], release[2];
        if (::pipe(held) != 0 || ::pipe(release) != 0 || (mChild = ::fork()) < 0)
            return;
        char c = 0;
        if (mChild == 0) {
            ::close(release[1]); // else its own copy would keep the release from arriving
            SwitchLock lock(QString::fromLatin1(serial), purpose);
            if (::write(held[1], "y", 1) == 1)
                while (::read(release[0], &c, 1) < 0) {
                }
            ::_exit(0);
        }
        while (::read(held[0], &c, 1) < 0) {
        }
        for (int fd : {held[0], held[1], release[0]})
            ::close(fd);
        mRelease = release[1];
    }
    ~LockHolder()
    {
        ::close(mRelease); // the child's read returns: it lets go and ends
        ::waitpid(mChild, nullptr, 0);
    }

private:
    int mChild = -1, mRelease = -1;
};
