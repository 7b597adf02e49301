// The user defaults file: read once, written through atomically on every change. A file
// that cannot be understood is never silently replaced: it is set aside before the first
// write so the user can still recover what was in it.
#include "switch/DefaultsStore.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSaveFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

void warn(const QString &text)
{
    QString program = QCoreApplication::applicationName();
    if (program.isEmpty())
        program = QStringLiteral("TarvexCC");
    const QByteArray line = (program + QStringLiteral(": warning: ") + text).toLocal8Bit();
    std::fprintf(stderr, "%s\n", line.constData());
    std::fflush(stderr);
}

// Creates every missing directory of `path` with mode 0700: the defaults belong to the
// user alone, and QDir::mkpath would leave them readable by everyone under a usual umask.
bool makePrivateDirectories(const QString &path, QString *error)
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
    QFile file(mPath);
    if (!file.exists())
        return; // first run: nothing stored yet, nothing to say

    if (!file.open(QIODevice::ReadOnly)) {
        mFileWasBad = true;
        warn(QStringLiteral("cannot read the defaults file %1 (%2); starting with empty "
                            "defaults, it will be kept as %1.bad when a setting is saved")
                 .arg(mPath, file.errorString()));
        return;
    }
    const QByteArray data = file.readAll();
    QString problem;
    if (data.trimmed().isEmpty()) {
        problem = QStringLiteral("it is empty");
    } else {
        QJsonParseError parseError;
        const QJsonDocument doc = QJsonDocument::fromJson(data, &parseError);
        if (parseError.error != QJsonParseError::NoError)
            problem = QStringLiteral("not valid JSON: %1 at offset %2")
                          .arg(parseError.errorString())
                          .arg(parseError.offset);
        else if (!doc.isObject())
            problem = QStringLiteral("it does not hold a JSON object");
        else
            mValues = doc.object();
    }
    if (!problem.isEmpty()) {
        mFileWasBad = true;
        warn(QStringLiteral("ignoring the defaults file %1 (%2); starting with empty defaults, "
                            "it will be kept as %1.bad when a setting is saved")
                 .arg(mPath, problem));
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

bool DefaultsStore::moveBadFileAside()
{
    if (!QFile::exists(mPath))
        return true; // gone meanwhile: nothing left to protect
    // Never clobber an earlier copy: the first goes to .bad, later ones to .bad.1, .bad.2 ...
    QString target = mPath + QStringLiteral(".bad");
    for (int n = 1; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = mPath + QStringLiteral(".bad.%1").arg(n);
    if (!QFile::rename(mPath, target)) {
        mLastError = QStringLiteral("cannot keep the unreadable defaults file %1 as %2")
                         .arg(mPath, target);
        return false;
    }
    warn(QStringLiteral("the unreadable defaults file was kept as %1").arg(target));
    return true;
}

bool DefaultsStore::write()
{
    QString error;
    if (!makePrivateDirectories(QFileInfo(mPath).path(), &error)) {
        mLastError = QStringLiteral("cannot save the defaults to %1: %2").arg(mPath, error);
        return false;
    }
    if (mFileWasBad) {
        if (!moveBadFileAside())
            return false;
        mFileWasBad = false;
    }

    QSaveFile file(mPath);
    if (!file.open(QIODevice::WriteOnly)) {
        mLastError = QStringLiteral("cannot save the defaults to %1: %2")
                         .arg(mPath, file.errorString());
        return false;
    }
    const QByteArray data = QJsonDocument(mValues).toJson(QJsonDocument::Indented);
    if (file.write(data) != data.size()) {
        mLastError = QStringLiteral("cannot save the defaults to %1: %2")
                         .arg(mPath, file.errorString());
        file.cancelWriting();
        return false;
    }
    // commit() is what makes the new contents visible; until it succeeds the old file
    // stands untouched.
    if (!file.commit()) {
        mLastError = QStringLiteral("cannot save the defaults to %1: %2")
                         .arg(mPath, file.errorString());
        return false;
    }
    mDirty = false;
    mLastError.clear();
    return true;
}
