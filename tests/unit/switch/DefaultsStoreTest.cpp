// The defaults store on real files in temporary directories: silent first run, damaged
// files reported once and kept aside, types preserved, failed writes admitted and retried.
#include "switch/DefaultsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
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

int lineCount(const std::string &text)
{
    int n = 0;
    for (char c : text)
        n += c == '\n';
    return n;
}

class DefaultsStoreFiles : public ::testing::Test
{
protected:
    QString path() const { return dir.filePath(QStringLiteral("TarvexCC/defaults.json")); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(DefaultsStoreFiles, MissingFileIsEmptyAndSilentAndNotCreatedByReading)
{
    testing::internal::CaptureStderr();
    DefaultsStore store(path());
    EXPECT_TRUE(store.objectForKey(QStringLiteral("Selected Switch")).isUndefined());
    EXPECT_TRUE(store.stringForKey(QStringLiteral("Selected Switch")).isNull());
    EXPECT_TRUE(store.synchronize());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(QFileInfo::exists(path()));
}

TEST_F(DefaultsStoreFiles, DamagedFileWarnsOnceAndIsKeptAsideOnFirstWrite)
{
    const QByteArray damaged[] = {"{\"Selected Switch\": \"0001", "[1, 2, 3]", "", " \n", "42"};
    for (const QByteArray &content : damaged) {
        QFile::remove(path());
        QFile::remove(path() + QStringLiteral(".bad"));
        writeFile(path(), content);

        testing::internal::CaptureStderr();
        DefaultsStore store(path());
        const std::string warning = testing::internal::GetCapturedStderr();
        EXPECT_EQ(lineCount(warning), 1) << warning;
        EXPECT_NE(warning.find(path().toStdString()), std::string::npos) << warning;
        EXPECT_TRUE(store.objectForKey(QStringLiteral("Selected Switch")).isUndefined());

        // Reading and synchronising with nothing changed leave the file exactly as it was.
        EXPECT_TRUE(store.synchronize());
        EXPECT_EQ(readFile(path()), content);
        EXPECT_FALSE(QFileInfo::exists(path() + QStringLiteral(".bad")));

        testing::internal::CaptureStderr();
        ASSERT_TRUE(store.setObjectForKey(QStringLiteral("Time Interval"), 12));
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(readFile(path() + QStringLiteral(".bad")), content);
        EXPECT_EQ(fileObject(path()), (QJsonObject{{QStringLiteral("Time Interval"), 12}}));

        // Only the first write sets the damaged file aside.
        ASSERT_TRUE(store.setObjectForKey(QStringLiteral("Time Interval"), 13));
        EXPECT_EQ(readFile(path() + QStringLiteral(".bad")), content);
    }
}

TEST_F(DefaultsStoreFiles, EarlierBadCopyIsNotClobbered)
{
    writeFile(path() + QStringLiteral(".bad"), "first damage");
    writeFile(path(), "second damage");
    testing::internal::CaptureStderr();
    DefaultsStore store(path());
    ASSERT_TRUE(store.setObjectForKey(QStringLiteral("Rotate"), QJsonObject{}));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(readFile(path() + QStringLiteral(".bad")), "first damage");
    EXPECT_EQ(readFile(path() + QStringLiteral(".bad.1")), "second damage");
}

TEST_F(DefaultsStoreFiles, ValuesKeepTheirTypesAcrossAReload)
{
    const QJsonObject combo{{QStringLiteral("keyCode"), 122}, {QStringLiteral("modifiers"), 0x1100}};
    {
        DefaultsStore store(path());
        ASSERT_TRUE(store.setObjectForKey(QStringLiteral("Time Interval"), 45));
        ASSERT_TRUE(store.setObjectForKey(QStringLiteral("Port 1"), combo));
        ASSERT_TRUE(store.setObjectForKey(QStringLiteral("Selected Switch"), QStringLiteral("0")));
        ASSERT_TRUE(store.setObjectForKey(QStringLiteral("Fraction"), 2.5));
    }
    // Numbers are JSON numbers and the combination a JSON object in the file itself.
    const QJsonObject onDisk = fileObject(path());
    EXPECT_TRUE(onDisk.value(QStringLiteral("Time Interval")).isDouble());
    EXPECT_TRUE(onDisk.value(QStringLiteral("Port 1")).isObject());
    EXPECT_TRUE(onDisk.value(QStringLiteral("Selected Switch")).isString());

    testing::internal::CaptureStderr();
    DefaultsStore reloaded(path());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(reloaded.objectForKey(QStringLiteral("Time Interval")).toInt(), 45);
    EXPECT_EQ(reloaded.objectForKey(QStringLiteral("Port 1")).toObject(), combo);
    EXPECT_EQ(reloaded.stringForKey(QStringLiteral("Selected Switch")), "0");
    EXPECT_EQ(reloaded.objectForKey(QStringLiteral("Fraction")).toDouble(), 2.5);
    // A value of another type is no string.
    EXPECT_TRUE(reloaded.stringForKey(QStringLiteral("Time Interval")).isNull());

    ASSERT_TRUE(reloaded.removeObjectForKey(QStringLiteral("Fraction")));
    EXPECT_FALSE(fileObject(path()).contains(QStringLiteral("Fraction")));
    EXPECT_TRUE(fileObject(path()).contains(QStringLiteral("Port 1")));
}

TEST_F(DefaultsStoreFiles, DirectoryIsCreatedPrivate)
{
    const QString deep = dir.filePath(QStringLiteral("a/b/TarvexCC/defaults.json"));
    DefaultsStore store(deep);
    ASSERT_TRUE(store.setObjectForKey(QStringLiteral("Time Interval"), 30));
    for (const QString &sub : {QStringLiteral("a"), QStringLiteral("a/b"), QStringLiteral("a/b/TarvexCC")}) {
        const QFileInfo info(dir.filePath(sub));
        EXPECT_EQ(info.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                        QFile::ReadOther | QFile::WriteOther | QFile::ExeOther),
                  QFile::Permissions())
            << sub.toStdString();
    }
}

TEST_F(DefaultsStoreFiles, FailedWriteIsAdmittedKeptInMemoryAndRetried)
{
    // A plain file where the directory should be: no write can succeed, even as root.
    writeFile(dir.filePath(QStringLiteral("TarvexCC")), "in the way");
    DefaultsStore store(path());
    EXPECT_FALSE(store.setObjectForKey(QStringLiteral("Selected Switch"), QStringLiteral("000012AB")));
    EXPECT_TRUE(store.lastError().contains(path())) << store.lastError().toStdString();
    EXPECT_EQ(store.stringForKey(QStringLiteral("Selected Switch")), "000012AB");
    EXPECT_FALSE(store.synchronize());

    ASSERT_TRUE(QFile::remove(dir.filePath(QStringLiteral("TarvexCC"))));
    EXPECT_TRUE(store.synchronize());
    EXPECT_TRUE(store.lastError().isEmpty());
    EXPECT_EQ(fileObject(path()).value(QStringLiteral("Selected Switch")).toString(), "000012AB");
}

TEST_F(DefaultsStoreFiles, InitialValuesAreSeenUntilAValueIsStored)
{
    DefaultsStore store(path());
    store.setInitialValues(QJsonObject{{QStringLiteral("Time Interval"), 30}});
    EXPECT_EQ(store.valueForKey(QStringLiteral("Time Interval")).toInt(), 30);
    EXPECT_TRUE(store.objectForKey(QStringLiteral("Time Interval")).isUndefined());
    EXPECT_TRUE(store.valueForKey(QStringLiteral("Rotate")).isUndefined());

    ASSERT_TRUE(store.setObjectForKey(QStringLiteral("Time Interval"), 5));
    EXPECT_EQ(store.valueForKey(QStringLiteral("Time Interval")).toInt(), 5);
    // Initial values are never written to the file.
    ASSERT_TRUE(store.removeObjectForKey(QStringLiteral("Time Interval")));
    EXPECT_EQ(store.valueForKey(QStringLiteral("Time Interval")).toInt(), 30);
    EXPECT_FALSE(fileObject(path()).contains(QStringLiteral("Time Interval")));
}

TEST(DefaultsStoreLocation, FollowsXdgConfigHomeWhenAbsolute)
{
    QTemporaryDir config;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const QString fallback = QDir::homePath() + QStringLiteral("/.config/TarvexCC/defaults.json");

    qputenv("XDG_CONFIG_HOME", QByteArray());
    EXPECT_EQ(DefaultsStore::standardFilePath(), fallback);
    qputenv("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(DefaultsStore::standardFilePath(), fallback);
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(DefaultsStore::standardFilePath(), fallback);

    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QString expected = config.path() + QStringLiteral("/TarvexCC/defaults.json");
    EXPECT_EQ(DefaultsStore::standardFilePath(), expected);
    // The shared store is made on first use, here: it must land under the temp dir.
    DefaultsStore &standard = DefaultsStore::standard();
    EXPECT_EQ(standard.filePath(), expected);
    ASSERT_TRUE(standard.setObjectForKey(QStringLiteral("Time Interval"), 7));
    EXPECT_TRUE(QFileInfo::exists(expected));
    EXPECT_EQ(&DefaultsStore::standard(), &standard);

    qputenv("XDG_CONFIG_HOME", saved);
}
