// Private directory creation; see PrivateDirectory.h.
#include "switch/PrivateDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace PrivateDirectory {

bool make(const QString &path, QString *error)
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current;
    for (const QString &part : parts) {
        current += QLatin1Char('/') + part;
        const QByteArray native = QFile::encodeName(current);
        struct stat st;
        if (::stat(native.constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) {
                *error = QStringLiteral("%1 is not a directory").arg(current);
                return false;
            }
            continue;
        }
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
            *error = QStringLiteral("cannot create directory %1: %2")
                         .arg(current, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
    }
    return true;
}

bool makeOwn(const QString &path, QString *error, bool *foreign)
{
    *foreign = false;
    const QByteArray native = QFile::encodeName(path);
    struct stat st;
    if (::lstat(native.constData(), &st) != 0 && !make(path, error))
        return false;
    if (::lstat(native.constData(), &st) != 0) {
        *error = QStringLiteral("cannot use %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // A link or another user's directory is never used; an own one open to others is set back
    // at once (a file another user planted meanwhile is the caller's to deal with).
    const bool own = S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
    if (own && ((st.st_mode & 077) == 0 || ::chmod(native.constData(), 0700) == 0))
        return true;
    *foreign = true;
    *error = QStringLiteral("%1 is not a directory of this user's alone").arg(path);
    return false;
}

} // namespace PrivateDirectory
