// `tarvexctl firmware` run as a process against one simulated switch ("00001001", firmware
// 1.4, 1.5 after a complete transfer) and a local check server: what it prints, its exit
// status, and two programs on one switch.
#include "LocalHttpServer.h"
#include "SRecordTestImages.h"

#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace {

struct CliRun {
    int exitCode = -1;
    std::string out, err;
};

QByteArray image(int records = 20, const char *version = "1.5")
{
    return SRecordTestImages::image(records, version).toLatin1();
}

class FirmwareCommandTest : public ::testing::Test
{
public:
    std::unique_ptr<QProcess> start(const QString &arguments, const QString &logRules = {})
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home.path());
        env.insert("LC_ALL", "C.UTF-8");
        env.insert("QT_LOGGING_RULES", logRules);
        process->setProcessEnvironment(env);
        process->setStandardInputFile(QProcess::nullDevice()); // not a terminal
        process->start(TARVEXCTL_PATH, ("--simulate=1 " + arguments).split(' '));
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
                process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
    }
    CliRun run(const QString &arguments) { return finish(*start(arguments)); }
    QString file(const char *name, const QByteArray &content)
    {
        QFile f(home.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
        return f.fileName();
    }

    QTemporaryDir home;
    LocalHttpServer server;
};

} // namespace

TEST_F(FirmwareCommandTest, CheckAndUpgradeSayWhatTheyFoundAndDid)
{
    const QString url = " --url " + server.baseURL();
    const struct {
        QByteArray answer;
        QString arguments;
        int exitCode;
        std::string out, err; // out: contained; err: all of it
    } cases[] = {
        {"NULL\r\n", "firmware check" + url, 0, "firmware 1.4 installed, up-to-date\n", ""},
        {image(20, "1.5\r"), "firmware check" + url, 0, "firmware 1.4 installed, 1.5 available\n", ""},
        {image(), "--json firmware check" + url, 0, "\"available\": \"1.5\",\n    \"installed\": \"1.4\",", ""},
        // A failed check is an error, never "up-to-date", and says why.
        {"<!DOCTYPE html>\n<html>Hotel login</html>", "firmware upgrade --yes" + url, 1, "",
         "tarvexctl: firmware check failed: the answer holds no firmware (no data record)\n"},
        // Without a terminal to ask and without --yes: refused before anything is asked.
        {image(), "firmware upgrade" + url, 2, "", ""},
        {image(), "firmware upgrade --yes" + url, 0, "written (23 of 23 lines)\nFirmware:  1.5\nFirmware Upgrade finished\n", ""},
        {"", "firmware upgrade --yes --file " + file("login", "<html>"), 1, "",
         "tarvexctl: " + home.filePath("login").toStdString() + " is not a firmware answer: the answer holds no firmware (no data record)\n"},
        {"", "--json firmware upgrade --yes --file " + file("ok", image()), 0, "\"succeeded\": true", ""},
    };
    for (const auto &c : cases) {
        server.respond(c.answer.isEmpty() ? 404 : 200, c.answer);
        const CliRun result = run(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.arguments.toStdString() << result.err;
        EXPECT_NE(result.out.find(c.out), std::string::npos) << result.out;
        EXPECT_TRUE(c.exitCode == 2 || result.err == c.err) << result.err; // usage errors: cli's own words
    }
    EXPECT_EQ(server.targets().size(), 5); // the refusal before asking asked nobody
}

// Two programs on one switch: while the first writes firmware, a second upgrade and a port
// command change nothing and say why; a hang-up or Ctrl-C does not cut the first short.
TEST_F(FirmwareCommandTest, SecondProgramOnASwitchIsTurnedAwayAndTheFirstFinishes)
{
    const QString longImage = file("long", image(400)); // about 4 s of records, then 2 s
    auto first = start("firmware upgrade --yes --file " + longImage);
    ASSERT_TRUE(first->waitForReadyRead(60000)); // "firmware: 10 % written": it holds the switch
    // Stopped, it keeps the switch for as long as the others need; it ends only when let go.
    ::kill(pid_t(first->processId()), SIGSTOP);
    const std::string busy = "tarvexctl: the switch is busy: a firmware upgrade is running in another program\n";
    const CliRun second = run("firmware upgrade --yes --file " + longImage);
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_EQ(second.err, busy);
    const CliRun port = finish(*start("port 2", "tarvex.hid.debug=true"));
    EXPECT_EQ(port.exitCode, 1);
    EXPECT_NE(port.err.find(busy), std::string::npos) << port.err;
    EXPECT_EQ(port.err.find(" write "), std::string::npos) << port.err; // not even a set-up
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGCONT})
        ::kill(pid_t(first->processId()), signal);
    const CliRun result = finish(*first);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("Firmware:  1.5\nFirmware Upgrade finished\n"), std::string::npos) << result.out;
    EXPECT_EQ(result.err, "firmware upgrade in progress: tarvexctl exits when it has finished\n");
}
