// tarvexctl as a user and a script run it: exit status, stdout (text, or exactly one JSON
// document with --json, errors included) and one-line errors on stderr.
#include "Tarvexctl.h"
#include "TarvexVersion.h"

#include <QJsonArray>
#include <csignal>

// What each command line answers: exit status and a piece of stdout or stderr. The switch a
// command goes to is --serial, else the stored choice when attached, else the only one.
TEST_F(Tarvexctl, AnswersAndErrors)
{
    struct Case {
        QByteArray defaults; // stored before, and unchanged after
        const char *arguments;
        int exitCode;
        QString out, err;
    };
    const QByteArray chose1002 = R"({"Selected Switch": "00001002", "Time Interval": 30})";
    const QByteArray chose9999 = R"({"Selected Switch": "00009999"})";
    const QList<Case> cases = {
        {{}, "--simulate --serial 00001002 port 3", 1, {}, "tarvexctl: Tarvex mini has 2 ports; port 3 does not exist\n"},
        {{}, "--simulate --serial 00001002 port 2", 0, "00001002: port 2\n", {}},
        {{}, "--json --simulate=2 --serial 00001002 port 3", 1, "\"error\": \"Tarvex mini has 2 ports", {}},
        {{}, "--json --simulate=0 list", 0, "{\n    \"switches\": [\n    ]\n}\n", {}},
        {{}, "--simulate=0 list", 0, "No Tarvex switch attached.\n", {}},
        {{}, "--json --simulate=0 port 1", 1, "No Tarvex switch attached.", {}},
        {{}, "--simulate lsit", 2, {}, "did you mean 'list'?"},
        {{}, "help prot", 2, {}, "did you mean 'port'?"},
        {{}, "frobnicate", 2, {}, "the commands are list, status, port, name, rotate, firmware, help"},
        {{}, "--json --bogus list", 2, "Unknown option", {}},
        {{}, "--version", 0, "tarvexctl " TARVEX_VERSION "\n", {}},
        {{}, "--help", 0, "\n  name N NAME ", {}},
        {{}, "port --help", 0, "Usage: tarvexctl [OPTIONS] port N|NAME\n\nSwitches", {}},
        {{}, "--json help port", 0, "\"help\": \"Usage: tarvexctl [OPTIONS] port N|NAME\\n", {}},
        {{}, "--simulate=3 serials", 0, "00001001\n00001002\n00001003\n", {}},
        {{}, "--simulate=1 rotate --interval 1 --count 2", 0, "port 1; Ctrl-C stops\n00001001: port 2\n00001001: port 3\n00001001: stopped on port 3; its USB connection follows\n", {}},
        {{}, "--simulate=1 --json status", 0, "\"serial\": \"00001001\"", {}},
        {{}, "--simulate status", 1, {}, "(\"00001001\", \"00001002\"); choose one with --serial"},
        {{}, "--simulate --serial nonexistent status", 1, {}, "serial \"nonexistent\" is attached; attached: \"00001001\", \"00001002\""},
        {chose1002, "--simulate --json status", 0, "\"serial\": \"00001002\"", {}},
        {chose1002, "--simulate --json --serial 00001001 status", 0, "\"serial\": \"00001001\"", {}},
        {chose9999, "--simulate=1 --json status", 0, "\"serial\": \"00001001\"", {}},
        {chose9999, "--simulate=2 status", 1, {}, "(\"00001001\", \"00001002\")"},
    };
    for (const Case &c : cases) {
        if (!c.defaults.isEmpty())
            file("TarvexCC/defaults.json", c.defaults);
        const Outcome r = run(c.arguments);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.arguments;
        EXPECT_TRUE(r.out.contains(c.out) && r.err.contains(c.err)) << c.arguments << "\n" << r.out.toStdString() << r.err.toStdString();
        EXPECT_EQ(stored(), c.defaults) << c.arguments; // asking never rewrites it
        QFile::remove(config.filePath("TarvexCC/defaults.json"));
    }
    for (const char *arguments : {"--simulate", "--simulate port", "--simulate=1 port x", "--simulate port 0",
                                  "--simulate port 1 2", "--simulate list extra", "--simulate=17 list", "--simulate=two list",
                                  "--simulate --serial", "--simulate --serial= status", "--simulate=1 name 2",
                                  "--simulate=1 name 5 x", "--simulate=1 name 2 12", "help list status",
                                  "--simulate=1 rotate --interval 0.5", "--simulate=1 rotate --count 0"})
        EXPECT_EQ(run(arguments).exitCode, 2) << arguments;
}

TEST_F(Tarvexctl, ListInTextAndJson)
{
    file("TarvexCC/defaults.json", R"({"Port Names": {"00001002": ["Work laptop"]}})");
    EXPECT_EQ(run("--simulate list").out, "00001001  Tarvex Pro DVI SL  firmware 1.4  port 1\n"
                                          "00001002  Tarvex mini        firmware 1.4  port 1 (Work laptop)\n");
    const QJsonArray switches = run("--json --simulate=3 list").json()["switches"].toArray();
    ASSERT_EQ(switches.size(), 3);
    EXPECT_EQ(switches[1].toObject(), (QJsonObject{{"serial", "00001002"}, {"model", "Tarvex mini"}, {"switchID", 2}, {"ports", 2},
                                                   {"port", 1}, {"firmware", "1.4"}, {"port_names", QJsonArray{"Work laptop", QJsonValue()}}}));
}

// Names are stored per serial number, shown by status and found by port, ignoring case;
// a name that is unknown or names two ports is refused with the names there are.
TEST_F(Tarvexctl, NamedPorts)
{
    EXPECT_EQ(run(QStringList{"--simulate=1", "name", "2", "Work laptop"}).exitCode, 0);
    EXPECT_EQ(run("--json --simulate=1 status").json()["port_names"].toArray(),
              (QJsonArray{QJsonValue(), "Work laptop", QJsonValue(), QJsonValue()}));
    EXPECT_TRUE(run("--simulate=1 status").out.endsWith("Port 2:    Work laptop\n"));
    EXPECT_EQ(run(QStringList{"--json", "--simulate=1", "port", " work LAPTOP"}).json(),
              (QJsonObject{{"serial", "00001001"}, {"port", 2}, {"port_name", "Work laptop"}}));
    EXPECT_EQ(run(QStringList{"--simulate=1", "name", "4", "WORK laptop"}).exitCode, 0);
    const Outcome ambiguous = run(QStringList{"--simulate=1", "port", "work laptop"});
    EXPECT_EQ(ambiguous.exitCode, 2);
    EXPECT_TRUE(ambiguous.err.contains("\"Work laptop\" (port 2), \"WORK laptop\" (port 4)"));
    EXPECT_EQ(run("--simulate=2 --serial 00001002 name 3 x").exitCode, 1); // a mini has 2 ports
    EXPECT_EQ(run(QStringList{"--simulate=1", "port", "gaming pc"}).exitCode, 2);
}

// Ctrl-C, termination or a reader that has gone end a rotation like the tray's Rotate: the
// USB connection follows the port shown. Under a locale without UTF-8 the output stays what
// scripts expect, with nothing added.
TEST_F(Tarvexctl, InterruptedRotationSendsTheFinalReport)
{
    for (int signal : {SIGINT, SIGTERM, SIGPIPE}) {
        SCOPED_TRACE(signal);
        const auto process = start({"--simulate=1", "rotate", "--interval", "86400"}, {}, {}, "C");
        QByteArray out;
        while (!out.contains("Ctrl-C stops\n") && process->waitForReadyRead(60000))
            out += process->readAllStandardOutput();
        ASSERT_EQ(process->state(), QProcess::Running) << out.constData(); // else pid 0: our own group
        ::kill(pid_t(process->processId()), signal);
        const Outcome r = finish(*process);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(out + r.out + r.err, "00001001: rotating every 86400 s from port 1; Ctrl-C stops\n"
                                       "00001001: stopped on port 1; its USB connection follows\n");
    }
}
