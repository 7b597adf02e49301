// Where the switch locks live: something another user planted there never lets a program go
// on unlocked, and an own directory open to others is closed.
#include "switch/SwitchLock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(SwitchLockPlace, WhatAnotherUserPlantedNeverLeavesASwitchUnlocked)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can plant files of another user";
    const QByteArray runtimeBefore = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const QString dir = runtime.filePath("tarvexcc"), lock = SwitchLock::lockFilePath("S1");
    const QByteArray native = QFile::encodeName(dir);
    const uid_t other = 65534;
    enum Plant { OthersDirectory, Link, File, OwnOpenDirectoryWithOthersLock };
    const std::pair<Plant, bool> cases[] = {{OthersDirectory, false}, {Link, false}, {File, false}, {OwnOpenDirectoryWithOthersLock, true}};
    for (const auto &[plant, held] : cases) {
        SCOPED_TRACE(plant);
        ASSERT_TRUE(QFile::remove(dir) || QDir(dir).removeRecursively());
        ASSERT_TRUE(plant == Link ? QFile::link(runtime.path(), dir)
                    : plant == File ? QFile(dir).open(QIODevice::WriteOnly)
                                    : ::mkdir(native.constData(), 0777) == 0 && ::chmod(native.constData(), 0777) == 0);
        if (plant == OthersDirectory) {
            ASSERT_EQ(::chown(native.constData(), other, other), 0);
        }
        if (plant == OwnOpenDirectoryWithOthersLock) {
            ASSERT_TRUE(QFile(lock).open(QIODevice::WriteOnly));
            ASSERT_EQ(::chown(QFile::encodeName(lock).constData(), other, other), 0);
        }
        const SwitchLock taken("S1", SwitchLock::Purpose::Exchange);
        EXPECT_EQ(taken.status(), held ? 0 : SwitchLock::kLockRefusedStatus);
        struct stat st;
        if (held) {
            EXPECT_TRUE(::stat(native.constData(), &st) == 0 && (st.st_mode & 07777) == 0700);
            EXPECT_TRUE(::stat(QFile::encodeName(lock).constData(), &st) == 0 && st.st_uid == ::getuid());
        } else {
            EXPECT_TRUE(SwitchLock::busyText(taken.status()).contains(dir));
        }
    }
    // No runtime directory: a place in the user's own state directory, never a shared one.
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_STATE_HOME", "/home/someone/.local/state");
    if (!QFileInfo::exists(QStringLiteral("/run/user/%1").arg(::getuid()))) {
        EXPECT_EQ(SwitchLock::directory(), "/home/someone/.local/state/TarvexCC/locks");
    }
    qunsetenv("XDG_STATE_HOME");
    qputenv("XDG_RUNTIME_DIR", runtimeBefore);
}
