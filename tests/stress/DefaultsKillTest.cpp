// The defaults file under SIGKILL: a writer process is killed at random moments while it
// saves settings, 50 times over. Every time, defaults.json must be a complete JSON object
// holding a consistent set of values (never truncated, never empty). A corrupt file is
// reported and kept aside as defaults.json.bad, never silently replaced.
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(DefaultsKill, KilledWritersNeverLeaveATruncatedFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("TarvexCC/defaults.json"));
    double lastCounter = -1;
    // Seeded per run; the seed is printed so a failure can be replayed.
    const quint32 seed = QRandomGenerator::global()->generate();
    std::printf("seed %u\n", seed);
    QRandomGenerator random(seed);

    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(round);
        QProcess writer;
        writer.start(QStringLiteral(TARVEX_DEFAULTS_WRITER), {path});
        ASSERT_TRUE(writer.waitForStarted());
        ASSERT_TRUE(writer.waitForReadyRead(30000)) << "the writer never got its first write done";
        // Somewhere within the next few hundred writes.
        std::this_thread::sleep_for(std::chrono::microseconds(random.bounded(20000)));
        ::kill(pid_t(writer.processId()), SIGKILL);
        ASSERT_TRUE(writer.waitForFinished());
        EXPECT_EQ(writer.exitStatus(), QProcess::CrashExit);

        const QByteArray data = readFile(path);
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError)
            << "after the kill defaults.json holds " << data.size() << " bytes: "
            << error.errorString().toStdString();
        ASSERT_TRUE(doc.isObject());
        const QJsonObject object = doc.object();
        ASSERT_TRUE(object.value(QStringLiteral("Counter")).isDouble());
        ASSERT_TRUE(object.value(QStringLiteral("Padding")).isString());
        // Each run starts from what the last one left: the counter restarts at 0, but every
        // key of a complete write is there.
        lastCounter = object.value(QStringLiteral("Counter")).toDouble();
        EXPECT_TRUE(object.value(QStringLiteral("Port 1")).isObject());
        EXPECT_FALSE(QFile::exists(path + QStringLiteral(".bad")))
            << "a good file was taken for a bad one";
    }
    EXPECT_GE(lastCounter, 0);
}

TEST(DefaultsKill, ACorruptFileIsReportedAndKeptAside)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("defaults.json"));
    const QByteArray corrupt = "{\n    \"Selected Switch\": \"0000";
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(corrupt);
    }
    QProcess writer;
    writer.start(QStringLiteral(TARVEX_DEFAULTS_WRITER), {path, QStringLiteral("--once")});
    ASSERT_TRUE(writer.waitForFinished(30000));
    EXPECT_EQ(writer.exitCode(), 0);
    const QString said = QString::fromLocal8Bit(writer.readAllStandardError());
    EXPECT_TRUE(said.contains(QStringLiteral("defaults.json.bad"))) << said.toStdString();
    EXPECT_EQ(readFile(path + QStringLiteral(".bad")), corrupt);
    const QJsonDocument fresh = QJsonDocument::fromJson(readFile(path));
    EXPECT_TRUE(fresh.isObject());
    EXPECT_TRUE(fresh.object().contains(QStringLiteral("Counter")));
}
