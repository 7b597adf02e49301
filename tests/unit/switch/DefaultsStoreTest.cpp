// The defaults store on real files in temporary directories: silent first run, damaged
// files reported once and kept aside, types preserved, failed writes admitted and retried.
#include "switch/DefaultsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

QJsonObject fileObject(const QString &path)
{
    return QJsonDocument::fromJson(readFile(path)).object();
}

class DefaultsStoreFiles : public ::testing::Test
{
protected:
    QString path() const { return dir.filePath("TarvexCC/defaults.json"); }
    QString bad() const { return path() + ".bad"; }
    QTemporaryDir dir;
};

} // namespace

TEST_F(DefaultsStoreFiles, MissingFileIsEmptySilentAndNotCreatedByReading)
{
    testing::internal::CaptureStderr();
    DefaultsStore store(path());
    EXPECT_TRUE(store.objectForKey("Selected Switch").isUndefined());
    EXPECT_TRUE(store.stringForKey("Selected Switch").isNull());
    EXPECT_TRUE(store.synchronize());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(QFileInfo::exists(path()));
}

TEST_F(DefaultsStoreFiles, DamagedFileWarnsOnceAndIsKeptAsideOnFirstWrite)
{
    for (const QByteArray content : {"{\"Selected Switch\": \"0001", "[1, 2, 3]", "", " \n", "42"}) {
        SCOPED_TRACE(content.toStdString());
        QFile::remove(path());
        QFile::remove(bad());
        writeFile(path(), content);

        testing::internal::CaptureStderr();
        DefaultsStore store(path());
        const std::string warning = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(warning.begin(), warning.end(), '\n'), 1) << warning;
        EXPECT_NE(warning.find(path().toStdString()), std::string::npos) << warning;
        EXPECT_TRUE(store.objectForKey("Selected Switch").isUndefined());

        // Synchronising with nothing changed leaves the file exactly as it was.
        EXPECT_TRUE(store.synchronize());
        EXPECT_EQ(readFile(path()), content);
        EXPECT_FALSE(QFileInfo::exists(bad()));

        ASSERT_TRUE(store.setObjectForKey("Time Interval", 12));
        EXPECT_EQ(readFile(bad()), content);
        EXPECT_EQ(fileObject(path()), (QJsonObject{{"Time Interval", 12}}));
        // Only the first write sets the damaged file aside.
        ASSERT_TRUE(store.setObjectForKey("Time Interval", 13));
        EXPECT_EQ(readFile(bad()), content);
    }
    // An earlier copy set aside is not clobbered by the next one.
    writeFile(path(), "second damage");
    testing::internal::CaptureStderr();
    DefaultsStore store(path());
    ASSERT_TRUE(store.setObjectForKey("Rotate", QJsonObject{}));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(readFile(bad()), "42");
    EXPECT_EQ(readFile(bad() + ".1"), "second damage");
}

TEST_F(DefaultsStoreFiles, ValuesKeepTheirTypesAcrossAReload)
{
    const QJsonObject values{{"Time Interval", 45},
                             {"Port 1", QJsonObject{{"keyCode", 122}, {"modifiers", 0x1100}}},
                             {"Selected Switch", "0"},
                             {"Fraction", 2.5}};
    {
        DefaultsStore store(path());
        for (auto it = values.begin(); it != values.end(); ++it)
            ASSERT_TRUE(store.setObjectForKey(it.key(), it.value()));
    }
    // Numbers are JSON numbers and the combination a JSON object in the file itself.
    EXPECT_EQ(fileObject(path()), values);
    testing::internal::CaptureStderr();
    DefaultsStore reloaded(path());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    for (auto it = values.begin(); it != values.end(); ++it)
        EXPECT_EQ(reloaded.objectForKey(it.key()), QJsonValue(it.value())) << it.key().toStdString();
    EXPECT_TRUE(reloaded.stringForKey("Time Interval").isNull()); // a number is no string

    ASSERT_TRUE(reloaded.removeObjectForKey("Fraction"));
    EXPECT_FALSE(fileObject(path()).contains("Fraction"));
    EXPECT_TRUE(fileObject(path()).contains("Port 1"));
}

TEST_F(DefaultsStoreFiles, DirectoriesAreCreatedPrivate)
{
    DefaultsStore store(dir.filePath("a/b/TarvexCC/defaults.json"));
    ASSERT_TRUE(store.setObjectForKey("Time Interval", 30));
    for (const char *sub : {"a", "a/b", "a/b/TarvexCC"})
        EXPECT_EQ(QFileInfo(dir.filePath(sub)).permissions().toInt() & 0x77, 0) << sub; // group, other
}

TEST_F(DefaultsStoreFiles, FailedWriteIsAdmittedKeptInMemoryAndRetried)
{
    // A plain file where the directory should be: no write can succeed, even as root.
    writeFile(dir.filePath("TarvexCC"), "in the way");
    DefaultsStore store(path());
    EXPECT_FALSE(store.setObjectForKey("Selected Switch", "000012AB"));
    EXPECT_TRUE(store.lastError().contains(path())) << store.lastError().toStdString();
    EXPECT_EQ(store.stringForKey("Selected Switch"), "000012AB");
    EXPECT_FALSE(store.synchronize());

    ASSERT_TRUE(QFile::remove(dir.filePath("TarvexCC")));
    EXPECT_TRUE(store.synchronize());
    EXPECT_TRUE(store.lastError().isEmpty());
    EXPECT_EQ(fileObject(path()).value("Selected Switch").toString(), "000012AB");
}

TEST_F(DefaultsStoreFiles, InitialValuesAreSeenUntilAValueIsStoredAndNeverWritten)
{
    DefaultsStore store(path());
    store.setInitialValues(QJsonObject{{"Time Interval", 30}});
    EXPECT_EQ(store.valueForKey("Time Interval").toInt(), 30);
    EXPECT_TRUE(store.objectForKey("Time Interval").isUndefined());
    EXPECT_TRUE(store.valueForKey("Rotate").isUndefined());
    ASSERT_TRUE(store.setObjectForKey("Time Interval", 5));
    EXPECT_EQ(store.valueForKey("Time Interval").toInt(), 5);
    ASSERT_TRUE(store.removeObjectForKey("Time Interval"));
    EXPECT_EQ(store.valueForKey("Time Interval").toInt(), 30);
    EXPECT_FALSE(fileObject(path()).contains("Time Interval"));
}

TEST(DefaultsStoreLocation, FollowsXdgConfigHomeWhenAbsolute)
{
    QTemporaryDir config;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const QString fallback = QDir::homePath() + "/.config/TarvexCC/defaults.json";
    for (const char *ignored : {"", "relative/config"}) {
        qputenv("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(DefaultsStore::standardFilePath(), fallback) << ignored;
    }
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(DefaultsStore::standardFilePath(), fallback);

    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QString expected = config.path() + "/TarvexCC/defaults.json";
    // The shared store is made on first use, here: it must land under the temp dir.
    DefaultsStore &standard = DefaultsStore::standard();
    EXPECT_EQ(standard.filePath(), expected);
    ASSERT_TRUE(standard.setObjectForKey("Time Interval", 7));
    EXPECT_TRUE(QFileInfo::exists(expected));
    EXPECT_EQ(&DefaultsStore::standard(), &standard);
    qputenv("XDG_CONFIG_HOME", saved);
}
