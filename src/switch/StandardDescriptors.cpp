// Keeping descriptors 0-2 taken; see StandardDescriptors.h.
#include "switch/StandardDescriptors.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

void StandardDescriptors::ensureOpen()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // Read-only: reading stdin gives end of file, writing stdout or stderr fails with EBADF.
        // open() returns the lowest free descriptor, which is this one.
        const int opened = open("/dev/null", O_RDONLY);
        if (opened != fd && opened >= 0)
            close(opened);
    }
}

bool StandardDescriptors::flushedCleanly(std::FILE *stream, int *error)
{
    errno = 0;
    const bool flushed = std::fflush(stream) == 0;
    const int flushError = errno;
    if (flushed && !std::ferror(stream))
        return true;
    *error = flushError != 0 ? flushError : EIO;
    return false;
}
