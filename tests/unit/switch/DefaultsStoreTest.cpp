// The defaults store on real files: a silent first run, damaged or odd files reported once
// and never lost, types preserved, and a full disk that costs the file no byte.
#include "switch/DefaultsStore.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Makes the store for `path`, and counts the lines it said on stderr meanwhile.
std::unique_ptr<DefaultsStore> load(const QString &path, long *lines)
{
    testing::internal::CaptureStderr();
    auto store = std::make_unique<DefaultsStore>(path);
    const std::string said = testing::internal::GetCapturedStderr();
    *lines = std::count(said.begin(), said.end(), '\n');
    return store;
}

// A 64 KiB tmpfs at `at`, in a mount namespace of this process alone; only root can.
bool mountSmallTmpfs(const QString &at)
{
    static const bool own = ::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0
        && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return own && ::mount("tmpfs", QFile::encodeName(at).constData(), "tmpfs", 0, "size=64k") == 0;
}

class DefaultsStoreFiles : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    const QString path = dir.filePath("TarvexCC/defaults.json"), bad = path + ".bad";
    long said = -1;
};

} // namespace

TEST_F(DefaultsStoreFiles, DamagedOrOddFilesAreToldOnceAndNeverLost)
{
    EXPECT_TRUE(load(path, &said)->synchronize());
    EXPECT_EQ(said, 0); // a first run is silent and creates nothing
    EXPECT_FALSE(QFileInfo::exists(path));
    QDir().mkpath(dir.filePath("TarvexCC"));
    const QByteArray native = QFile::encodeName(path);
    const auto put = [&](const QByteArray &content) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
    };
    // A damaged file is kept aside at the first write. What is no regular file is neither read
    // nor replaced: a FIFO would hang the start, /dev/zero would grow the program without end.
    enum Odd { Regular, Fifo, Zero, Directory };
    const std::pair<Odd, QByteArray> cases[] = {
        {Regular, "{\"Selected Switch\": \"0001"}, {Regular, "[1]"}, {Regular, " \n"}, {Fifo, {}}, {Zero, {}},
        {Regular, "{\"Selected Switch\": \"" + QByteArray(1 << 20, '0') + "\"}"}, {Directory, {}}, {Regular, "42"}};
    for (const auto &[odd, content] : cases) {
        QFile::remove(bad);
        ASSERT_TRUE(odd == Regular ? put(content) : odd == Fifo ? ::mkfifo(native.constData(), 0600) == 0
                                                : odd == Zero   ? QFile::link("/dev/zero", path)
                                                                : QDir().mkpath(path));
        struct stat before, after;
        ASSERT_EQ(::lstat(native.constData(), &before), 0);
        auto store = load(path, &said);
        EXPECT_EQ(said, 1);
        EXPECT_TRUE(store->objectForKey("Selected Switch").isUndefined());
        EXPECT_TRUE(store->synchronize()); // nothing changed: nothing written, nothing moved
        EXPECT_EQ(store->setObjectForKey("Time Interval", 12), odd == Regular);
        EXPECT_EQ(store->valueForKey("Time Interval"), 12); // in memory in any case
        if (odd == Regular) {
            EXPECT_EQ(readFile(bad), content);
            EXPECT_EQ(readFile(path), QJsonDocument(QJsonObject{{"Time Interval", 12}}).toJson());
        } else {
            EXPECT_TRUE(store->lastError().contains("not a regular file"));
            ASSERT_EQ(::lstat(native.constData(), &after), 0);
            EXPECT_TRUE(after.st_mode == before.st_mode && after.st_ino == before.st_ino && !QFileInfo::exists(bad));
        }
        ASSERT_TRUE(QFile::remove(path) || QDir(path).removeRecursively());
    }
    ASSERT_TRUE(put("second damage"));
    ASSERT_TRUE(load(path, &said)->setObjectForKey("Rotate", 1));
    EXPECT_EQ(readFile(bad), "42"); // an earlier copy set aside is not clobbered
    EXPECT_EQ(readFile(bad + ".1"), "second damage");
}

TEST_F(DefaultsStoreFiles, FullDiskKeepsTheFileByteForByteAndTellsOnce)
{
    // A full tmpfs where the test may mount one (root), a file-size limit everywhere.
    for (const bool tmpfs : {true, false}) {
        const QString base = dir.filePath(tmpfs ? "tmpfs" : "limited"), file = base + "/defaults.json";
        QDir().mkpath(base);
        if (tmpfs && !mountSmallTmpfs(base)) {
            std::printf("no tmpfs can be mounted here: only the file-size limit is tried\n");
            continue;
        }
        ASSERT_TRUE(DefaultsStore(file).setObjectForKey("Time Interval", 12));
        const QByteArray before = readFile(file);
        DefaultsStore store(file);
        const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY}, small{16, RLIM_INFINITY};
        QFile filler(base + "/filler");
        if (tmpfs) {
            ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            while (filler.write(QByteArray(4096, 'f')) == 4096) {
            }
        } else {
            std::signal(SIGXFSZ, SIG_IGN);
            ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        EXPECT_FALSE(store.setObjectForKey("Selected Switch", QString(3000, 'x')));
        EXPECT_TRUE(store.failureIsNew());
        EXPECT_TRUE(store.lastError().startsWith("cannot save the defaults to " + file)) << store.lastError().toStdString();
        EXPECT_FALSE(store.setObjectForKey("Time Interval", 13));
        EXPECT_FALSE(store.failureIsNew()); // the same failure again is not news
        EXPECT_EQ(readFile(file), before);
        EXPECT_EQ(QDir(base).entryList(QDir::Files | QDir::Hidden).size(), tmpfs ? 2 : 1); // no leftovers
        tmpfs ? (void)filler.remove() : (void)::setrlimit(RLIMIT_FSIZE, &unlimited);
        EXPECT_TRUE(store.synchronize()); // room again: everything kept in memory is written
        EXPECT_EQ(DefaultsStore(file).objectForKey("Time Interval"), 13);
        EXPECT_EQ(DefaultsStore(file).stringForKey("Selected Switch"), QString(3000, 'x'));
        if (tmpfs)
            ::umount(QFile::encodeName(base).constData());
    }
}

TEST_F(DefaultsStoreFiles, TwoProgramsOnOneFileLoseNoSetting)
{
    // Both read the file before either writes, like the tray running while tarvexctl is used.
    // Numbers stay numbers and a combination an object on the way.
    DefaultsStore tray(path), ctl(path);
    const QJsonObject names{{"00001001", QJsonArray{"", "Work laptop"}}}, rotate{{"keyCode", 18}, {"modifiers", 256}};
    const QJsonValue removed(QJsonValue::Undefined);
    const struct {
        DefaultsStore *store;
        const char *key;
        QJsonValue value; // undefined: removed
        QJsonObject file; // afterwards, and the writer's view
        QByteArray damage = {}; // put in the file's place before the write
    } steps[] = {
        {&tray, "Time Interval", 12, {{"Time Interval", 12}}},
        {&ctl, "Port Names", names, {{"Time Interval", 12}, {"Port Names", names}}},
        {&tray, "Selected Switch", "00001002", {{"Time Interval", 12}, {"Port Names", names}, {"Selected Switch", "00001002"}}},
        {&ctl, "Selected Switch", "00001001", {{"Time Interval", 12}, {"Port Names", names}, {"Selected Switch", "00001001"}}},
        // The tray's own value again, though it holds it already: the latest word wins.
        {&tray, "Selected Switch", "00001002", {{"Time Interval", 12}, {"Port Names", names}, {"Selected Switch", "00001002"}}},
        {&ctl, "Time Interval", removed, {{"Port Names", names}, {"Selected Switch", "00001002"}}},
        {&tray, "Rotate", rotate, {{"Port Names", names}, {"Selected Switch", "00001002"}, {"Rotate", rotate}}},
        // Damaged meanwhile: kept aside, and the writer's own view stands in for the rest.
        {&ctl, "Time Interval", 40, {{"Port Names", names}, {"Selected Switch", "00001002"}, {"Time Interval", 40}}, "{\"Rot"},
    };
    for (const auto &s : steps) {
        SCOPED_TRACE(s.key);
        if (!s.damage.isEmpty()) {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(s.damage) == s.damage.size());
        }
        ASSERT_TRUE(s.store->setObjectForKey(s.key, s.value));
        EXPECT_EQ(QJsonDocument::fromJson(readFile(path)).object(), s.file);
        for (const char *key : {"Time Interval", "Port Names", "Selected Switch", "Rotate"})
            EXPECT_EQ(s.store->objectForKey(key), s.file.value(key)) << key;
    }
    EXPECT_EQ(readFile(bad), "{\"Rot");
    EXPECT_EQ(QFileInfo(dir.filePath("TarvexCC")).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);
    EXPECT_EQ(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);
}

TEST(DefaultsStorePlace, OnlyAnAbsoluteXdgConfigHomeCounts)
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    for (const char *base : {"", "relative/config"}) { // the working directory must not matter
        qputenv("XDG_CONFIG_HOME", base);
        EXPECT_EQ(DefaultsStore::configHome(), QDir::homePath() + "/.config") << base;
    }
    qputenv("XDG_CONFIG_HOME", "/somewhere");
    EXPECT_EQ(DefaultsStore::standardFilePath(), "/somewhere/TarvexCC/defaults.json");
    saved.isNull() ? (void)qunsetenv("XDG_CONFIG_HOME") : (void)qputenv("XDG_CONFIG_HOME", saved);
}
