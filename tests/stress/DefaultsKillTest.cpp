// The defaults file under SIGKILL: a writer process is killed at random moments while it
// saves settings, 50 times over. Every time defaults.json must be a complete JSON object
// (never truncated, never empty) and never be taken for a damaged one.
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

TEST(DefaultsKill, KilledWritersNeverLeaveATruncatedFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TarvexCC/defaults.json"));
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", round " << round);
        QProcess writer;
        writer.start(QStringLiteral(TARVEX_DEFAULTS_WRITER), {path});
        ASSERT_TRUE(writer.waitForReadyRead(-1)) << "the writer never got its first write done";
        // Somewhere within the next few hundred writes.
        std::this_thread::sleep_for(std::chrono::microseconds(random.bounded(20000)));
        ::kill(pid_t(writer.processId()), SIGKILL);
        ASSERT_TRUE(writer.waitForFinished(-1));
        EXPECT_EQ(writer.exitStatus(), QProcess::CrashExit);

        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(data, &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << data.size() << " bytes: " << error.errorString().toStdString();
        // Each run starts from what the last one left, but every key of a complete write is there.
        EXPECT_TRUE(object.value(QStringLiteral("Counter")).isDouble());
        EXPECT_TRUE(object.value(QStringLiteral("Padding")).isString());
        EXPECT_TRUE(object.value(QStringLiteral("Port 1")).isObject());
        EXPECT_FALSE(QFile::exists(path + QStringLiteral(".bad"))) << "a good file was taken for a bad one";
    }
}
