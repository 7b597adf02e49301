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
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Settings are a few kilobytes; anything near this is not a settings file.
constexpr qint64 kMaxFileBytes = 1024 * 1024;
// Another program holds the directory lock only while it merges and writes (milliseconds,
// more with many programs at once on a slow disk). One that keeps it this long is stuck: the
// write fails and is tried again at the next one, it never goes ahead unlocked.
constexpr int kLockWaitMs = 10000;

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
    bool readOnly = false; // the user took the write permission away: never replaced
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
    // By its mode, not access(): root may write anything, yet 0400 still says "leave it".
    file.readOnly = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(native.constData(), W_OK) != 0;
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

// Two programs that merge at the same moment would each miss the other's changes: the
// read-merge-rename runs under an exclusive lock on the file's directory (no extra file to
// leave behind). Returns the locked descriptor, or -1 where the file system has no locks (the
// write is then as safe as an unmerged one); false when another program keeps it too long.
bool lockDirectory(const QString &directory, int *fd)
{
    *fd = ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    useconds_t pause = 500;
    for (int waited = 0; *fd >= 0 && ::flock(*fd, LOCK_EX | LOCK_NB) != 0;) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            ::close(*fd);
            *fd = -1;
            return true;
        }
        if (waited >= kLockWaitMs * 1000) {
            ::close(*fd);
            *fd = -1;
            return false;
        }
        ::usleep(pause);
        waited += int(pause);
        pause = std::min<useconds_t>(pause * 2, 20000);
    }
    return true;
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
                            "it will be kept as %3.bad when a setting is saved")
                 .arg(mPath, file.problem, AtomicFile::finalPath(mPath)));
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
    // Written even when this store already holds the value: another program may have stored
    // something else meanwhile, and this is the user's latest word. The merge skips the write
    // when the file already agrees.
    return editObjectForKey(key, [value](QJsonValue &stored, QString *) {
        stored = value;
        return true;
    });
}

bool DefaultsStore::removeObjectForKey(const QString &key)
{
    return setObjectForKey(key, QJsonValue(QJsonValue::Undefined));
}

bool DefaultsStore::editObjectForKey(const QString &key, const Edit &edit)
{
    QJsonValue value = mValues.value(key);
    QString problem;
    if (!edit(value, &problem)) {
        mFailureIsNew = problem != mLastError;
        mLastError = problem;
        return false;
    }
    value.isUndefined() ? (void)mValues.remove(key) : (void)mValues.insert(key, value);
    mPending.append({key, edit});
    return write();
}

bool DefaultsStore::synchronize()
{
    return mPending.isEmpty() || write();
}

QStringList DefaultsStore::reload()
{
    const FileContents file = readFile(mPath);
    if (file.state != FileContents::Read)
        return {}; // half-written by a hand, gone or damaged: what this store holds stands
    // Changes not written yet are replayed on what the file holds, as the next write would.
    QString refused;
    const QJsonObject merged = withOwnChanges(file.values, &refused);
    QStringList keys;
    for (auto it = merged.constBegin(); it != merged.constEnd(); ++it) {
        if (mValues.value(it.key()) != it.value())
            keys.append(it.key());
    }
    for (auto it = mValues.constBegin(); it != mValues.constEnd(); ++it) {
        if (!merged.contains(it.key()))
            keys.append(it.key());
    }
    mValues = merged;
    return keys;
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
    // Through a link (a dotfile kept elsewhere) it is the target's contents that go aside: the
    // link stays, and the new file is written through it.
    const QString path = AtomicFile::finalPath(mPath);
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return true; // gone meanwhile: nothing left to protect
    if (!S_ISREG(st.st_mode)) {
        *error = QStringLiteral("%1 is not a regular file").arg(path); // never a device moved aside
        return false;
    }
    // Never clobber an earlier copy: the first goes to .bad, later ones to .bad.1, .bad.2 ...
    QString target = path + QStringLiteral(".bad");
    for (int n = 1; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = path + QStringLiteral(".bad.%1").arg(n);
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) != 0) {
        *error = QStringLiteral("cannot keep the unreadable file as %1: %2").arg(target, systemError(errno));
        return false;
    }
    warn(QStringLiteral("the unreadable defaults file was kept as %1").arg(target));
    return true;
}

QJsonObject DefaultsStore::withOwnChanges(QJsonObject base, QString *problem)
{
    for (qsizetype i = 0; i < mPending.size();) {
        const auto &[key, edit] = mPending.at(i);
        QJsonValue value = base.value(key);
        QString refused;
        if (!edit(value, &refused)) {
            // Someone put a value there this edit does not understand: it stays, and the edit
            // is given up rather than tried again at every write.
            *problem = refused;
            mPending.removeAt(i);
            continue;
        }
        value.isUndefined() ? (void)base.remove(key) : (void)base.insert(key, value);
        ++i;
    }
    return base;
}

bool DefaultsStore::write()
{
    QString error, refused;
    const QString directory = QFileInfo(mPath).path();
    int lock = -1;
    if (PrivateDirectory::make(directory, &error) && !lockDirectory(directory, &lock))
        error = QStringLiteral("another program keeps the settings locked");
    if (error.isEmpty()) {
        const FileContents file = readFile(mPath);
        if (file.state == FileContents::NotRegular) {
            error = QStringLiteral("it is not a regular file; settings are kept in memory only");
        } else if (file.readOnly) {
            error = QStringLiteral("the file is read-only; settings are kept in memory only");
        } else {
            // A damaged file says nothing about the other keys: this store's view (which holds
            // its own changes already) stands in for them, and the file itself is kept aside.
            const QJsonObject merged = file.state == FileContents::Damaged ? mValues : withOwnChanges(file.values, &refused);
            const bool fileAgrees = file.state == FileContents::Read ? merged == file.values
                                                                     : file.state == FileContents::Missing && merged.isEmpty();
            QByteArray data;
            if (!fileAgrees) {
                // Indented to be read by people, but never so large that the next start would
                // refuse it.
                data = QJsonDocument(merged).toJson(QJsonDocument::Indented);
                if (data.size() > kMaxFileBytes)
                    data = QJsonDocument(merged).toJson(QJsonDocument::Compact);
                if (data.size() > kMaxFileBytes)
                    error = QStringLiteral("the settings would be larger than %1 bytes").arg(kMaxFileBytes);
            }
            if (lock >= 0)
                AtomicFile::removeLeftovers(mPath); // of writes killed on the way: none runs now
            if (!fileAgrees && error.isEmpty() && (file.state != FileContents::Damaged || moveBadFileAside(&error)))
                AtomicFile::write(mPath, data, 0600, &error);
            if (error.isEmpty())
                mValues = merged;
        }
        if (lock >= 0)
            ::close(lock);
    }
    if (error.isEmpty() && refused.isEmpty()) {
        mPending.clear();
        mFailureIsNew = false;
        mLastError.clear();
        return true;
    }
    if (error.isEmpty())
        mPending.clear();
    const QString text = error.isEmpty() ? refused : QStringLiteral("cannot save the defaults to %1: %2").arg(mPath, error);
    // Told once: the same failure again (every later change on a full disk) is not news.
    mFailureIsNew = text != mLastError;
    mLastError = text;
    return false;
}
