// AtomicFile where a regular write cannot show its faults: a settings file that is a link
// kept elsewhere stays a link, and a failing fsync keeps the old file (a writer that skips
// fsync renames blocks the disk may never get into place). fsync is replaced in this test
// program, not preloaded: the switch library is linked in statically.
#include "switch/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {
int gFsyncError = 0; // 0: the real fsync
}

extern "C" int fsync(int fd)
{
    if (gFsyncError != 0)
        return errno = gFsyncError, -1;
    static const auto real = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
    return real(fd);
}

TEST(AtomicFile, ALinkStaysALinkAndAFailingFsyncKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString kept = dir.filePath("dotfiles/defaults.json"), link = dir.filePath("defaults.json");
    QString error;
    ASSERT_TRUE(QDir().mkpath(dir.filePath("dotfiles")) && AtomicFile::write(kept, "{}", 0600, &error));
    ASSERT_TRUE(QFile::link(kept, link));
    ASSERT_TRUE(AtomicFile::write(link, "{\"a\": 1}", 0600, &error)) << error.toStdString();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), kept);
    QFile target(kept);
    ASSERT_TRUE(target.open(QIODevice::ReadOnly));
    EXPECT_EQ(target.readAll(), "{\"a\": 1}");
    target.close();

    gFsyncError = EIO;
    EXPECT_FALSE(AtomicFile::write(link, "{\"a\": 2}", 0600, &error));
    gFsyncError = 0;
    EXPECT_EQ(error, QString::fromLocal8Bit(std::strerror(EIO)));
    ASSERT_TRUE(target.open(QIODevice::ReadOnly));
    EXPECT_EQ(target.readAll(), "{\"a\": 1}");
    EXPECT_EQ(QDir(dir.filePath("dotfiles")).entryList(QDir::Files | QDir::Hidden).size(), 1); // no leftovers
}
