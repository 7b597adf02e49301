// `tarvexctl firmware` run as a process against one simulated switch ("00001001", firmware
// 1.4, 1.5 after a complete transfer) and a local check server: what it prints, what it asks
// the server, its exit status, and two programs on one switch.
#include "LocalHttpServer.h"
#include "SRecordTestImages.h"
#include "TarvexVersion.h"

#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace {

struct CliRun {
    int exitCode = -1;
    QString out, err;
};

QByteArray image(int records = 20, const char *version = "1.5")
{
    return SRecordTestImages::image(records, QString::fromLatin1(version)).toLatin1();
}

class FirmwareCommandTest : public ::testing::Test
{
public:
    std::unique_ptr<QProcess> start(const QStringList &arguments, const QByteArray &logRules = {})
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home.path());
        env.insert("LC_ALL", "C.UTF-8");
        env.insert("QT_LOGGING_RULES", logRules);
        process->setProcessEnvironment(env);
        process->setStandardInputFile(QProcess::nullDevice()); // not a terminal
        process->start(TARVEXCTL_PATH, QStringList{"--simulate=1"} + arguments);
        return process;
    }
    // Waits while this thread's event loop keeps serving the check server.
    CliRun finish(QProcess &process)
    {
        QEventLoop loop;
        QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        if (process.state() != QProcess::NotRunning)
            loop.exec();
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
    }
    CliRun firmware(const QString &arguments) { return finish(*start(("firmware " + arguments).split(' '))); }
    QString writeFile(const char *name, const QByteArray &content)
    {
        QFile file(home.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        return file.fileName();
    }

    QTemporaryDir home;
    LocalHttpServer server;
};

} // namespace

TEST_F(FirmwareCommandTest, CheckSaysBothVersionsOrWhyThereIsNone)
{
    const QString check = "check --url " + server.baseURL();
    const struct {
        int status;
        QByteArray body;
        QString arguments;
        int exitCode;
        QString out, err;
    } cases[] = {
        {200, "NULL\r\n", check, 0, "firmware 1.4 installed, up-to-date\n", ""},
        {200, image(20, "1.5\r"), check, 0, "firmware 1.4 installed, 1.5 available\n", ""},
        {200, image(), "--json " + check, 0, "\"available\": \"1.5\",\n    \"installed\": \"1.4\",", ""},
        // A failed check is an error, never "up-to-date", and says why.
        {404, "NULL", check, 1, "", "tarvexctl: firmware check failed: the server answered 404 Not Found\n"},
        {200, "<!DOCTYPE html>\n<html>Hotel login</html>", check, 1, "",
         "tarvexctl: firmware check failed: the answer holds no firmware (no data record)\n"},
        {200, "<!DOCTYPE html>", "upgrade --yes --url " + server.baseURL(), 1, "",
         "tarvexctl: firmware check failed: the answer holds no firmware (no data record)\n"},
    };
    for (const auto &c : cases) {
        server.respond(c.status, c.body);
        const CliRun run = firmware(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments.toStdString() << run.err.toStdString();
        EXPECT_TRUE(c.out.isEmpty() ? run.out.isEmpty() : run.out.contains(c.out)) << run.out.toStdString();
        EXPECT_EQ(run.err.toStdString(), c.err.toStdString());
    }
    EXPECT_EQ(server.targets().first(), QByteArrayLiteral("/firmware/check.php?av=") + TARVEX_VERSION + "&fw=1.4&swid=1");
}

TEST_F(FirmwareCommandTest, UpgradeAsksFirstReportsProgressAndChecksFilesTheSameWay)
{
    server.respond(200, image());
    // Without a terminal to ask and without --yes: refused before anything is asked or read.
    EXPECT_EQ(firmware("upgrade --url " + server.baseURL()).exitCode, 2);
    EXPECT_TRUE(server.targets().isEmpty());
    CliRun run = firmware("upgrade --yes --url " + server.baseURL());
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 12) << run.out.toStdString();
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(lines[i].startsWith(QStringLiteral("firmware: %1 % written").arg((i + 1) * 10)));
    EXPECT_EQ(lines.mid(10), (QStringList{"Firmware:  1.5", "Firmware Upgrade finished"}));

    QByteArray damaged = image();
    damaged.replace(damaged.indexOf("\nS1") + 12, 1, "Z");
    const QString ok = writeFile("ok.txt", image());
    const struct {
        QString arguments;
        int exitCode;
        const char *err;
    } cases[] = {
        {"upgrade --yes --file " + writeFile("damaged.txt", damaged), 1, "the firmware in the answer is damaged (line 3:"},
        {"upgrade --yes --file " + writeFile("elf.bin", QByteArray("\x7f" "ELF\0\0\x01", 7)), 1, "the answer is not text"},
        {"upgrade --yes --file " + home.filePath("missing.txt"), 1, "cannot read"},
        {"upgrade --yes --file " + ok + " --url " + server.baseURL(), 2, "not both"},
        {"upgrade --yes --json --file " + ok, 0, ""},
    };
    for (const auto &c : cases) {
        run = firmware(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(c.err))) << run.err.toStdString();
    }
    EXPECT_TRUE(run.out.contains("\"succeeded\": true")) << run.out.toStdString();
    EXPECT_EQ(server.targets().size(), 1);
}

// Two programs on one switch: while the first writes firmware, a second upgrade and a port
// command change nothing and say why; a hang-up or Ctrl-C does not cut the first short.
TEST_F(FirmwareCommandTest, SecondProgramOnASwitchIsTurnedAwayAndTheFirstFinishes)
{
    const QString file = writeFile("long.txt", image(400)); // about 4 s of records, then 2 s
    auto first = start({"firmware", "upgrade", "--yes", "--file", file});
    ASSERT_TRUE(first->waitForReadyRead(60000)); // "firmware: 10 % written": it holds the switch
    // Stopped, it keeps the switch for as long as the others need; it ends only when let go.
    ::kill(pid_t(first->processId()), SIGSTOP);
    const CliRun second = firmware("upgrade --yes --file " + file);
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_EQ(second.err, "tarvexctl: the switch is busy: a firmware upgrade is running in another program\n");
    const CliRun port = finish(*start({"port", "2"}, "tarvex.hid.debug=true"));
    EXPECT_EQ(port.exitCode, 1);
    EXPECT_FALSE(port.err.contains(" write ")) << port.err.toStdString(); // not even a set-up
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::kill(pid_t(first->processId()), signal);
    ::kill(pid_t(first->processId()), SIGCONT);
    const CliRun run = finish(*first);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.endsWith("Firmware:  1.5\nFirmware Upgrade finished\n")) << run.out.toStdString();
    EXPECT_EQ(run.err, "firmware upgrade in progress: tarvexctl exits when it has finished\n");
}
