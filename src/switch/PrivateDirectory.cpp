// Private directory creation; see PrivateDirectory.h.
#include "switch/PrivateDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

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

} // namespace PrivateDirectory
