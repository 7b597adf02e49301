// `tarvexctl firmware` against one simulated switch ("00001001", firmware 1.4, 1.5 after a
// complete transfer) and a local check server: what it prints, its exit status, and two
// programs on one switch.
#include "LocalHttpServer.h"
#include "SRecordTestImages.h"
#include "Tarvexctl.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>

namespace {

QByteArray image(int records = 20, const char *version = "1.5")
{
    return SRecordTestImages::image(records, version).toLatin1();
}

class FirmwareCommandTest : public Tarvexctl
{
public:
    Outcome run(const QString &arguments) { return Tarvexctl::run("--simulate=1 " + arguments); }

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
        QString out, err; // out: contained; err: all of it
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
         "tarvexctl: " + config.filePath("login") + " is not a firmware answer: the answer holds no firmware (no data record)\n"},
        {"", "--json firmware upgrade --yes --file " + file("ok", image()), 0, "\"succeeded\": true", ""},
    };
    for (const auto &c : cases) {
        server.respond(c.answer.isEmpty() ? 404 : 200, c.answer);
        const Outcome result = run(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.arguments.toStdString() << result.err.toStdString();
        EXPECT_TRUE(result.out.contains(c.out)) << result.out.toStdString();
        EXPECT_TRUE(c.exitCode == 2 || result.err == c.err) << result.err.toStdString(); // usage errors: cli's own words
    }
    EXPECT_EQ(server.targets().size(), 5); // the refusal before asking asked nobody
}

// Two programs on one switch: while the first writes firmware, a second upgrade and a port
// command change nothing and say why; a hang-up or Ctrl-C does not cut the first short.
// The first shows its bar on a terminal the test leaves unread: the bar moves at every line,
// the image's many blank lines cost no transfer time, and once the terminal is full the
// first waits in mid-transfer, holding the switch, until the test reads on.
TEST_F(FirmwareCommandTest, SecondProgramOnASwitchIsTurnedAwayAndTheFirstFinishes)
{
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_TRUE(terminal >= 0 && ::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0);
    const QByteArray screenPath = ::ptsname(terminal);
    const int screen = ::open(screenPath.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC); // kept open: no hang-up
    termios raw;
    ASSERT_TRUE(screen >= 0 && ::tcgetattr(screen, &raw) == 0);
    ::cfmakeraw(&raw);
    ::tcsetattr(screen, TCSANOW, &raw);
    QByteArray gated = image(2);
    gated.insert(gated.lastIndexOf("\nS1") + 1, QByteArray(40000, '\n')); // some MB of bars
    auto first = start({"--simulate=1", "firmware", "upgrade", "--yes", "--file", file("gated", gated)}, {},
                       [screen] { ::dup2(screen, STDOUT_FILENO); });
    std::string shown;
    const auto readTerminal = [&](int waitMs) {
        char buffer[4096];
        pollfd ready{terminal, POLLIN, 0};
        const bool any = ::poll(&ready, 1, waitMs) > 0;
        const ssize_t n = any ? ::read(terminal, buffer, sizeof buffer) : 0;
        shown.append(buffer, std::size_t(std::max<ssize_t>(n, 0)));
        return n > 0;
    };
    while (shown.find('%') == std::string::npos && readTerminal(60000)) {
    } // a bar: the transfer holds the switch
    ASSERT_NE(shown.find('%'), std::string::npos);
    const QString busy = "tarvexctl: the switch is busy: a firmware upgrade is running in another program\n";
    const Outcome second = run("firmware upgrade --yes --file " + config.filePath("gated"));
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_EQ(second.err, busy);
    const Outcome port = finish(*start({"--simulate=1", "port", "2"}, "tarvex.hid.debug=true"));
    EXPECT_EQ(port.exitCode, 1);
    EXPECT_TRUE(port.err.contains(busy)) << port.err.toStdString();
    EXPECT_FALSE(port.err.contains(" write ")) << port.err.toStdString(); // not even a set-up
    ASSERT_EQ(first->state(), QProcess::Running) << "the terminal took every bar: no gate";
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::kill(pid_t(first->processId()), signal);
    for (int quiet = 0; quiet < 1200 && !first->waitForFinished(0); ++quiet) {
        while (readTerminal(50)) {
        } // read on until it has ended
    }
    while (readTerminal(0)) {
    }
    ::close(screen);
    ::close(terminal);
    const Outcome result = finish(*first);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_NE(shown.find("Firmware:  1.5\nFirmware Upgrade finished\n"), std::string::npos) << shown.substr(std::max<std::size_t>(shown.size(), 200) - 200);
    // The bar has no line end yet: the notice starts a line of its own.
    EXPECT_EQ(result.err, "\nfirmware upgrade in progress: tarvexctl exits when it has finished\n");
    // Let go: the same port command now reaches the switch, and its trace says so.
    EXPECT_TRUE(finish(*start({"--simulate=1", "port", "2"}, "tarvex.hid.debug=true")).err.contains(" write "));
}
