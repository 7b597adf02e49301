// Following the defaults file; see DefaultsWatcher.h.
#include "switch/DefaultsWatcher.h"

#include "switch/DefaultsStore.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

DefaultsWatcher::DefaultsWatcher(DefaultsStore &store, QObject *parent)
    : QObject(parent), mStore(store), mWatcher(new QFileSystemWatcher(this)), mSettle(new QTimer(this))
{
    mSettle->setSingleShot(true);
    mSettle->setInterval(kDefaultSettleMs);
    connect(mSettle, &QTimer::timeout, this, &DefaultsWatcher::takeChange);
    const auto noteEvent = [this] {
        watch(); // an atomic write replaced the file: the new one is watched from now on
        mSettle->start();
    };
    connect(mWatcher, &QFileSystemWatcher::fileChanged, this, noteEvent);
    connect(mWatcher, &QFileSystemWatcher::directoryChanged, this, noteEvent);
    watch();
}

DefaultsWatcher::~DefaultsWatcher() = default;

void DefaultsWatcher::setSettleMs(int milliseconds)
{
    mSettle->setInterval(milliseconds);
}

void DefaultsWatcher::watch()
{
    // The directory sees the rename that replaces the file (and the first file being made);
    // the file sees a write in place (an editor that does not rename). Until the directory
    // exists, the configuration home is watched for it to appear.
    const QFileInfo file(mStore.filePath());
    const QString directory = file.absolutePath();
    const QString home = QFileInfo(directory).absolutePath();
    const bool haveDirectory = QFileInfo(directory).isDir();
    if (haveDirectory && mWatcher->directories().contains(home))
        mWatcher->removePath(home);
    for (const QString &path : {file.absoluteFilePath(), directory, haveDirectory ? QString() : home}) {
        if (!path.isEmpty() && QFileInfo::exists(path) && !mWatcher->files().contains(path)
            && !mWatcher->directories().contains(path))
            mWatcher->addPath(path);
    }
}

void DefaultsWatcher::takeChange()
{
    const QStringList keys = mStore.reload();
    if (!keys.isEmpty())
        emit changed(keys);
}
