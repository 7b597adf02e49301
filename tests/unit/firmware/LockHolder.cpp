// The lock-holding child; see LockHolder.h.
#include "LockHolder.h"

#include <QString>
#include <sys/wait.h>
#include <unistd.h>

LockHolder::LockHolder(const char *serial, SwitchLock::Purpose purpose)
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
    ::close(held[0]);
    ::close(held[1]);
    ::close(release[0]);
    mRelease = release[1];
}

LockHolder::~LockHolder()
{
    ::close(mRelease); // the child's read returns: it lets go and ends
    ::waitpid(mChild, nullptr, 0);
}
