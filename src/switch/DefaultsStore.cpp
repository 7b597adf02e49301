// The user defaults file: read once, written through atomically on every change. A file
// that cannot be understood is never silently replaced: it is set aside before the first
// write so the user can still recover what was in it.
#include "switch/DefaultsStore.h"

#include "switch/AtomicFile.h"
#include "switch/PrivateDirectory.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Settings are a few kilobytes; anything near this is not a settings file.
constexpr qint64 kMaxFileBytes = 1024 * 1024;

// Said to the user once per start, in the program's name (tarvexctl, tarvexcc).
void warn(const QString &text)
{
    QString program = QCoreApplication::applicationName();
    if (program.isEmpty())
        program = QStringLiteral("TarvexCC");
    qWarning().noquote() << program + QStringLiteral(": warning: ") + text;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString DefaultsStore::configHome()
{
    // The XDG base directory rules admit only absolute paths; anything else would make the
    // file's place depend on the working directory.
    const QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        return QDir::homePath() + QStringLiteral("/.config");
    return base;
}

QString DefaultsStore::standardFilePath()
{
    return configHome() + QStringLiteral("/TarvexCC/defaults.json");
}

DefaultsStore &DefaultsStore::standard()
{
    static DefaultsStore store(standardFilePath());
    return store;
}

DefaultsStore::DefaultsStore(const QString &filePath) : mPath(filePath)
{
    load();
}

void DefaultsStore::load()
{
    const QByteArray native = QFile::encodeName(mPath);
    // Non-blocking, so that a FIFO put in the file's place cannot hang the start; what it is
    // is then decided on the open descriptor itself.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT)
        return; // first run: nothing stored yet, nothing to say
    const auto setAside = [this](const QString &problem) {
        mFileWasBad = true;
        warn(QStringLiteral("ignoring the defaults file %1 (%2); starting with empty defaults, "
                            "it will be kept as %1.bad when a setting is saved")
                 .arg(mPath, problem));
    };
    if (fd < 0)
        return setAside(QStringLiteral("cannot read it: %1").arg(systemError(errno)));
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        // A device, FIFO or directory is the user's doing: leave it where it is and never
        // write in its place.
        mNotAFile = true;
        warn(QStringLiteral("ignoring the defaults file %1: it is not a regular file; settings "
                            "are kept in memory only and not saved")
                 .arg(mPath));
        return;
    }
    QByteArray data;
    bool tooLarge = st.st_size > kMaxFileBytes;
    int readError = 0;
    if (!tooLarge) {
        // Bounded by the limit, not by the size seen: a file may grow while it is read.
        data.resize(kMaxFileBytes + 1);
        qsizetype filled = 0;
        while (filled < data.size()) {
            const ssize_t n = ::read(fd, data.data() + filled, size_t(data.size() - filled));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                readError = n < 0 ? errno : 0;
                break;
            }
            filled += n;
        }
        data.truncate(filled);
        tooLarge = filled > kMaxFileBytes;
    }
    ::close(fd);
    if (readError != 0)
        return setAside(QStringLiteral("cannot read it: %1").arg(systemError(readError)));
    if (tooLarge)
        return setAside(QStringLiteral("it is larger than %1 bytes").arg(kMaxFileBytes));
    if (data.trimmed().isEmpty())
        return setAside(QStringLiteral("it is empty"));
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return setAside(QStringLiteral("not valid JSON: %1 at offset %2")
                            .arg(parseError.errorString())
                            .arg(parseError.offset));
    if (!doc.isObject())
        return setAside(QStringLiteral("it does not hold a JSON object"));
    mValues = doc.object();
}

QJsonValue DefaultsStore::objectForKey(const QString &key) const
{
    return mValues.value(key);
}

QString DefaultsStore::stringForKey(const QString &key) const
{
    const QJsonValue value = mValues.value(key);
    return value.isString() ? value.toString() : QString();
}

bool DefaultsStore::setObjectForKey(const QString &key, const QJsonValue &value)
{
    if (value.isUndefined())
        return removeObjectForKey(key);
    if (!mDirty && mValues.contains(key) && mValues.value(key) == value)
        return true;
    mValues.insert(key, value);
    mDirty = true;
    return write();
}

bool DefaultsStore::removeObjectForKey(const QString &key)
{
    if (!mValues.contains(key))
        return synchronize();
    mValues.remove(key);
    mDirty = true;
    return write();
}

bool DefaultsStore::synchronize()
{
    if (!mDirty)
        return true;
    return write();
}

void DefaultsStore::setInitialValues(const QJsonObject &values)
{
    mInitialValues = values;
}

QJsonValue DefaultsStore::valueForKey(const QString &key) const
{
    const auto stored = mValues.constFind(key);
    if (stored != mValues.constEnd())
        return *stored;
    return mInitialValues.value(key);
}

bool DefaultsStore::moveBadFileAside(QString *error)
{
    if (!QFile::exists(mPath))
        return true; // gone meanwhile: nothing left to protect
    // Never clobber an earlier copy: the first goes to .bad, later ones to .bad.1, .bad.2 ...
    QString target = mPath + QStringLiteral(".bad");
    for (int n = 1; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = mPath + QStringLiteral(".bad.%1").arg(n);
    if (!QFile::rename(mPath, target)) {
        *error = QStringLiteral("cannot keep the unreadable file as %1").arg(target);
        return false;
    }
    warn(QStringLiteral("the unreadable defaults file was kept as %1").arg(target));
    return true;
}

bool DefaultsStore::write()
{
    QString error;
    if (mNotAFile) {
        error = QStringLiteral("it is not a regular file; settings are kept in memory only");
    } else if (PrivateDirectory::make(QFileInfo(mPath).path(), &error)
               && (!mFileWasBad || moveBadFileAside(&error))) {
        mFileWasBad = false;
        AtomicFile::write(mPath, QJsonDocument(mValues).toJson(QJsonDocument::Indented), 0600, &error);
    }
    if (!error.isEmpty()) {
        const QString text = QStringLiteral("cannot save the defaults to %1: %2").arg(mPath, error);
        // Told once: the same failure again (every later change on a full disk) is not news.
        mFailureIsNew = text != mLastError;
        mLastError = text;
        return false;
    }
    mDirty = false;
    mFailureIsNew = false;
    mLastError.clear();
    return true;
}
