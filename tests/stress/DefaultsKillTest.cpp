// The defaults file shared by processes: a writer process is killed at random moments while it
// saves settings, 50 times over, and every time defaults.json must be a complete JSON object
// (never truncated, never empty) and never be taken for a damaged one; twenty programs name
// ports at once while the tray's preferences name another, and no name is lost.
#include "switch/DefaultsStore.h"
#include "switch/PortNames.h"

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
#include <vector>

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

TEST(DefaultsKill, ProgramsNamingPortsAtOnceLoseNoName)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TarvexCC/defaults.json"));
    const auto serial = [](int i) { return QStringLiteral("0000100%1").arg(i / 4); };
    // The tray read the file at its start, each writer reads it before any of them names; the
    // tray's preferences name port 3 of the first switch while the writers name the rest.
    DefaultsStore tray(path);
    std::vector<std::unique_ptr<QProcess>> writers;
    for (int i = 0; i < 21; ++i) {
        if (i == 2)
            continue;
        auto &w = writers.emplace_back(std::make_unique<QProcess>());
        w->start(QStringLiteral(TARVEX_DEFAULTS_WRITER), {path, serial(i), QString::number(i % 4 + 1), QStringLiteral("n%1").arg(i)});
        ASSERT_TRUE(w->waitForReadyRead(-1));
    }
    for (auto &w : writers)
        w->write("go\n"), w->closeWriteChannel();
    EXPECT_TRUE(PortNames(tray).setName(serial(2), 3, QStringLiteral("n2")));
    for (auto &w : writers)
        EXPECT_TRUE(w->waitForFinished(-1) && w->exitCode() == 0) << w->readAllStandardError().toStdString();
    DefaultsStore file(path);
    for (int i = 0; i < 21; ++i)
        EXPECT_EQ(PortNames(file).name(serial(i), i % 4 + 1), QStringLiteral("n%1").arg(i)) << i;
}
