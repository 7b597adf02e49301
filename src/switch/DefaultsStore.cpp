// The user defaults file: read at start, merged and written through atomically on every
// change. A file that cannot be understood is never silently replaced: it is set aside before
// the write so the user can still recover what was in it.
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
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Settings are a few kilobytes; anything near this is not a settings file.
constexpr qint64 kMaxFileBytes = 1024 * 1024;
// Another program holds the directory lock only while it merges and writes (a few
// milliseconds); past this bound the write goes ahead unlocked rather than stall the caller.
constexpr int kLockTries = 100;
constexpr useconds_t kLockPause = 2000;

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

// What the file holds now. Read at start and again before every write.
struct FileContents {
    enum State { Missing, Read, Damaged, NotRegular } state = Missing;
    QJsonObject values;
    QString problem; // of a damaged file
};

FileContents readFile(const QString &path)
{
    FileContents file;
    const QByteArray native = QFile::encodeName(path);
    // Non-blocking, so that a FIFO put in the file's place cannot hang the program; what it is
    // is then decided on the open descriptor itself.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT)
        return file;
    const auto damaged = [&file](const QString &problem) {
        file.state = FileContents::Damaged;
        file.problem = problem;
        return file;
    };
    if (fd < 0)
        return damaged(QStringLiteral("cannot read it: %1").arg(systemError(errno)));
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        file.state = FileContents::NotRegular;
        return file;
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
        return damaged(QStringLiteral("cannot read it: %1").arg(systemError(readError)));
    if (tooLarge)
        return damaged(QStringLiteral("it is larger than %1 bytes").arg(kMaxFileBytes));
    if (data.trimmed().isEmpty())
        return damaged(QStringLiteral("it is empty"));
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return damaged(QStringLiteral("not valid JSON: %1 at offset %2")
                           .arg(parseError.errorString())
                           .arg(parseError.offset));
    if (!doc.isObject())
        return damaged(QStringLiteral("it does not hold a JSON object"));
    file.state = FileContents::Read;
    file.values = doc.object();
    return file;
}

// Two programs that merge at the same moment would each miss the other's keys: the
// read-merge-rename runs under an exclusive lock on the file's directory (no extra file to
// leave behind). -1 when there is none to be had (a file system without locks, or a holder
// that does not let go); the write is then as safe as an unmerged one.
int lockDirectory(const QString &directory)
{
    const int fd = ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int tries = 0; fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0; ++tries) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || tries == kLockTries) {
            ::close(fd);
            return -1;
        }
        ::usleep(kLockPause);
    }
    return fd;
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
    const FileContents file = readFile(mPath);
    switch (file.state) {
    case FileContents::Missing:
        return; // first run: nothing stored yet, nothing to say
    case FileContents::Read:
        mValues = file.values;
        return;
    case FileContents::Damaged:
        warn(QStringLiteral("ignoring the defaults file %1 (%2); starting with empty defaults, "
                            "it will be kept as %1.bad when a setting is saved")
                 .arg(mPath, file.problem));
        return;
    case FileContents::NotRegular:
        // A device, FIFO or directory is the user's doing: it is left where it is and never
        // written in its place.
        warn(QStringLiteral("ignoring the defaults file %1: it is not a regular file; settings "
                            "are kept in memory only and not saved")
                 .arg(mPath));
        return;
    }
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
    // Written even when this store already holds the value: another program may have stored
    // something else meanwhile, and this is the user's latest word. The merge skips the write
    // when the file already agrees.
    mValues.insert(key, value);
    mChanged.insert(key);
    return write();
}

bool DefaultsStore::removeObjectForKey(const QString &key)
{
    mValues.remove(key);
    mChanged.insert(key);
    return write();
}

bool DefaultsStore::synchronize()
{
    return mChanged.isEmpty() || write();
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

QJsonObject DefaultsStore::withOwnChanges(QJsonObject base) const
{
    for (const QString &key : mChanged) {
        const auto own = mValues.constFind(key);
        if (own != mValues.constEnd())
            base.insert(key, *own);
        else
            base.remove(key);
    }
    return base;
}

bool DefaultsStore::write()
{
    QString error;
    const QString directory = QFileInfo(mPath).path();
    if (PrivateDirectory::make(directory, &error)) {
        const int lock = lockDirectory(directory);
        const FileContents file = readFile(mPath);
        if (file.state == FileContents::NotRegular) {
            error = QStringLiteral("it is not a regular file; settings are kept in memory only");
        } else {
            // A damaged file says nothing about the other keys: what this store holds stands
            // in for them, and the file itself is kept aside for the user.
            const QJsonObject merged = withOwnChanges(file.state == FileContents::Damaged ? mValues : file.values);
            const bool fileAgrees = file.state == FileContents::Read ? merged == file.values
                                                                     : file.state == FileContents::Missing && merged.isEmpty();
            if (!fileAgrees && (file.state != FileContents::Damaged || moveBadFileAside(&error)))
                AtomicFile::write(mPath, QJsonDocument(merged).toJson(QJsonDocument::Indented), 0600, &error);
            if (error.isEmpty())
                mValues = merged;
        }
        if (lock >= 0)
            ::close(lock);
    }
    if (!error.isEmpty()) {
        const QString text = QStringLiteral("cannot save the defaults to %1: %2").arg(mPath, error);
        // Told once: the same failure again (every later change on a full disk) is not news.
        mFailureIsNew = text != mLastError;
        mLastError = text;
        return false;
    }
    mChanged.clear();
    mFailureIsNew = false;
    mLastError.clear();
    return true;
}
