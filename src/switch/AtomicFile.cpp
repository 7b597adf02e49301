// All-or-nothing file replacement; see AtomicFile.h.
#include "switch/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Hidden, and named so that nothing of the user's ("defaults.json.backup") can match it.
QString leftoverPrefix(const QString &target)
{
    const QFileInfo info(target);
    return QStringLiteral(".") + info.fileName() + QStringLiteral(".new-");
}

} // namespace

namespace AtomicFile {

QString finalPath(const QString &path)
{
    QString current = path;
    // As many links as the kernel itself follows; a loop ends with the path it got to, whose
    // write then fails with the kernel's own error.
    for (int hops = 0; hops < 40; ++hops) {
        char target[PATH_MAX];
        const ssize_t n = ::readlink(QFile::encodeName(current).constData(), target, sizeof target);
        if (n <= 0 || n == ssize_t(sizeof target))
            break;
        const QString next = QFile::decodeName(QByteArray(target, n));
        current = QDir::cleanPath(QDir::isAbsolutePath(next) ? next : QFileInfo(current).path() + QLatin1Char('/') + next);
    }
    return current;
}

bool write(const QString &path, const QByteArray &data, mode_t mode, QString *error)
{
    // A link (a dotfile kept elsewhere) stays a link: its target gets the new contents.
    const QString target = finalPath(path);
    // Only a regular file is ever replaced: a link may lead to a device (run as root, a
    // rename would put a file in the place of /dev/zero).
    struct stat st;
    if (::lstat(QFile::encodeName(target).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        *error = QStringLiteral("%1 is not a regular file").arg(target);
        return false;
    }
    QByteArray temporary =
        QFile::encodeName(QFileInfo(target).path() + QLatin1Char('/') + leftoverPrefix(target)) + "XXXXXX";
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

void removeLeftovers(const QString &path)
{
    const QString target = finalPath(path);
    const QString prefix = leftoverPrefix(target);
    const QDir directory = QFileInfo(target).dir();
    const QStringList names = directory.entryList({prefix + QStringLiteral("??????")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        const QByteArray native = QFile::encodeName(directory.filePath(name));
        struct stat st;
        // Only what this user's writes made: a regular file of this user's.
        if (::lstat(native.constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid())
            ::unlink(native.constData());
    }
}

} // namespace AtomicFile
