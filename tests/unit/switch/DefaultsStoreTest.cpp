// The defaults store on real files: a silent first run, damaged, odd, linked or read-only files
// reported once and never lost, nothing written that the reader refuses, types preserved, and
// a full disk that costs the file no byte.
#include "switch/DefaultsStore.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
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
    QDir().mkpath(dir.filePath("TarvexCC/kept"));
    const QString kept = dir.filePath("TarvexCC/kept/d.json"), leftover = dir.filePath("TarvexCC/.defaults.json.new-AbC123");
    const auto put = [](const QString &at, const QByteArray &content) {
        QFile f(at);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
    };
    // A damaged file is kept aside at the first write, through a link its target's contents
    // (the link stays). What is no regular file is neither read nor replaced: a FIFO would
    // hang the start, /dev/zero would grow the program without end. A read-only file is the
    // user's word. A file that grows past the read limit when indented is written compactly.
    enum Odd { Regular, Fifo, Zero, Directory, LinkToDamaged, ReadOnly, NearLimit };
    const QByteArray nearLimit = "{\"Padding\":[" + QByteArray("\"a\",").repeated(200000) + "\"a\"]}";
    const std::pair<Odd, QByteArray> cases[] = {
        {Regular, "{\"Selected Switch\": \"0001"}, {Regular, "[1]"}, {Regular, " \n"}, {Fifo, {}}, {Zero, {}},
        {Regular, "{\"Selected Switch\": \"" + QByteArray(1 << 20, '0') + "\"}"}, {Directory, {}}, {LinkToDamaged, "{\"Rot"},
        {ReadOnly, "{\"Rotate\": 1}"}, {NearLimit, nearLimit}, {Regular, "42"}};
    for (const auto &[odd, content] : cases) {
        SCOPED_TRACE(odd);
        QFile::remove(bad);
        const QByteArray native = QFile::encodeName(path);
        ASSERT_TRUE(odd == Fifo ? ::mkfifo(native.constData(), 0600) == 0
                    : odd == Zero ? QFile::link("/dev/zero", path)
                    : odd == Directory ? QDir().mkpath(path)
                    : odd == LinkToDamaged ? put(kept, content) && QFile::link(kept, path)
                                           : put(path, content) && put(leftover, "{"));
        const bool readable = odd == ReadOnly || odd == NearLimit, written = odd == Regular || odd == LinkToDamaged || odd == NearLimit;
        ASSERT_TRUE(odd != ReadOnly || ::chmod(native.constData(), 0400) == 0);
        struct stat before, after;
        ASSERT_EQ(::lstat(native.constData(), &before), 0);
        auto store = load(path, &said);
        EXPECT_EQ(said, readable ? 0 : 1);
        EXPECT_TRUE(store->synchronize()); // nothing changed: nothing written, nothing moved
        EXPECT_EQ(store->setObjectForKey("Time Interval", 12), written) << store->lastError().toStdString();
        EXPECT_EQ(store->valueForKey("Time Interval"), 12); // in memory in any case
        ASSERT_EQ(::lstat(native.constData(), &after), 0);
        if (odd == Regular || odd == LinkToDamaged) {
            EXPECT_EQ(readFile((odd == Regular ? path : kept) + ".bad"), content);
            EXPECT_EQ(readFile(path), QJsonDocument(QJsonObject{{"Time Interval", 12}}).toJson());
            EXPECT_EQ(S_ISLNK(after.st_mode), odd == LinkToDamaged);
            EXPECT_FALSE(QFileInfo::exists(leftover)); // a killed write's file, cleaned up
        } else if (odd == NearLimit) {
            EXPECT_LE(QFileInfo(path).size(), 1 << 20);
            EXPECT_EQ(DefaultsStore(path).objectForKey("Padding").toArray().size(), 200001);
            EXPECT_FALSE(store->setObjectForKey("Selected Switch", QString(1 << 20, 'x')));
            EXPECT_TRUE(store->lastError().contains("larger than")) << store->lastError().toStdString();
        } else {
            EXPECT_TRUE(store->lastError().contains(odd == ReadOnly ? "read-only" : "not a regular file"));
            EXPECT_TRUE(after.st_mode == before.st_mode && after.st_ino == before.st_ino && !QFileInfo::exists(bad));
        }
        QFile::remove(kept + ".bad");
        ASSERT_TRUE(QFile::remove(path) || QDir(path).removeRecursively());
    }
    ASSERT_TRUE(put(path, "second damage"));
    ASSERT_TRUE(load(path, &said)->setObjectForKey("Rotate", 1));
    EXPECT_EQ(readFile(bad), "42"); // an earlier copy set aside is not clobbered
    EXPECT_EQ(readFile(bad + ".1"), "second damage");
}

TEST_F(DefaultsStoreFiles, FullDiskKeepsTheFileByteForByteAndTellsOnce)
{
    // A file-size limit stands in for the full disk: write() fails part-way just the same.
    ASSERT_TRUE(DefaultsStore(path).setObjectForKey("Time Interval", 12));
    const QByteArray before = readFile(path);
    DefaultsStore store(path);
    const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY}, small{16, RLIM_INFINITY};
    std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_FALSE(store.setObjectForKey("Selected Switch", QString(3000, 'x')));
    EXPECT_TRUE(store.failureIsNew());
    EXPECT_TRUE(store.lastError().startsWith("cannot save the defaults to " + path)) << store.lastError().toStdString();
    EXPECT_FALSE(store.setObjectForKey("Time Interval", 13));
    EXPECT_FALSE(store.failureIsNew()); // the same failure again is not news
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(QDir(dir.filePath("TarvexCC")).entryList(QDir::Files | QDir::Hidden).size(), 1); // no leftovers
    ::setrlimit(RLIMIT_FSIZE, &unlimited);
    EXPECT_TRUE(store.synchronize()); // room again: everything kept in memory is written
    EXPECT_EQ(DefaultsStore(path).objectForKey("Time Interval"), 13);
    EXPECT_EQ(DefaultsStore(path).stringForKey("Selected Switch"), QString(3000, 'x'));
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
