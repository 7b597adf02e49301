// All-or-nothing file replacement; see AtomicFile.h.
#include "switch/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace AtomicFile {

bool write(const QString &path, const QByteArray &data, mode_t mode, QString *error)
{
    // A link (a dotfile kept elsewhere) stays a link: its target gets the new contents.
    const QFileInfo info(path);
    const QString target = info.isSymLink() && info.exists() ? info.canonicalFilePath() : path;
    QByteArray temporary = QFile::encodeName(target) + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    int failure = ::fchmod(fd, mode) == 0 ? 0 : errno;
    for (qsizetype written = 0; failure == 0 && written < data.size();) {
        const ssize_t n = ::write(fd, data.constData() + written, size_t(data.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            failure = n < 0 ? errno : EIO;
        else
            written += n;
    }
    // Blocks a file system only promised are claimed by fsync; close reports what is left
    // (on network file systems).
    if (failure == 0 && ::fsync(fd) != 0)
        failure = errno;
    if (::close(fd) != 0 && failure == 0)
        failure = errno;
    if (failure == 0 && ::rename(temporary.constData(), QFile::encodeName(target).constData()) != 0)
        failure = errno;
    if (failure != 0) {
        ::unlink(temporary.constData());
        *error = QString::fromLocal8Bit(std::strerror(failure));
        return false;
    }
    return true;
}

} // namespace AtomicFile
