// Where the switch locks live: what another user planted there never lets a program go on
// unlocked, and an own directory open to others is closed.
#include "switch/SwitchLock.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(SwitchLockPlace, WhatAnotherUserPlantedNeverLeavesASwitchUnlocked)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can plant files of another user";
    const QByteArray runtimeBefore = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const QString dir = runtime.filePath("tarvexcc"), lock = SwitchLock::lockFilePath("S1");
    const QByteArray native = QFile::encodeName(dir);
    enum Plant { OthersDirectory, Link, File, OwnOpenDirectoryWithOthersLock };
    for (const Plant plant : {OthersDirectory, Link, File, OwnOpenDirectoryWithOthersLock}) {
        SCOPED_TRACE(plant);
        ASSERT_TRUE(QFile::remove(dir) || QDir(dir).removeRecursively());
        ASSERT_TRUE(plant == Link ? QFile::link(runtime.path(), dir)
                    : plant == File ? QFile(dir).open(QIODevice::WriteOnly)
                                    : ::mkdir(native.constData(), 0777) == 0 && ::chmod(native.constData(), 0777) == 0);
        const bool othersLock = plant == OwnOpenDirectoryWithOthersLock;
        ASSERT_TRUE(!othersLock || QFile(lock).open(QIODevice::WriteOnly));
        ASSERT_EQ(::lchown(QFile::encodeName(othersLock ? lock : dir).constData(), 65534, 65534), 0);
        const SwitchLock taken("S1", SwitchLock::Purpose::Exchange);
        EXPECT_EQ(taken.status(), othersLock ? 0 : SwitchLock::kLockRefusedStatus);
        struct stat st, lockSt;
        EXPECT_TRUE(!othersLock || (::stat(native.constData(), &st) == 0 && (st.st_mode & 07777) == 0700
                                    && ::stat(QFile::encodeName(lock).constData(), &lockSt) == 0 && lockSt.st_uid == 0));
        EXPECT_TRUE(othersLock || SwitchLock::busyText(taken.status()).contains(dir));
    }
    // No runtime directory: a place in the user's own state directory, never a shared one.
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_STATE_HOME", "/home/u/.local/state");
    EXPECT_TRUE(QFileInfo::exists("/run/user/0") || SwitchLock::directory() == "/home/u/.local/state/TarvexCC/locks");
    qunsetenv("XDG_STATE_HOME");
    qputenv("XDG_RUNTIME_DIR", runtimeBefore);
}
