// tarvexctl as a user and a script run it: exit status, stdout (text, or exactly one JSON
// document with --json, errors included) and one-line errors on stderr.
#include "Tarvexctl.h"
#include "TarvexVersion.h"

#include <QJsonArray>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

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
    const QByteArray together = R"({"Selected Switch": "00001002", "Switch Together": true})";
    const QList<Case> cases = {
        {{}, "--simulate --serial 00001002 port 3", 1, {}, "tarvexctl: Tarvex mini has 2 ports; port 3 does not exist\n"},
        {{}, "--simulate --serial 00001002 port 2", 0, "00001002: port 2\n", {}},
        {{}, "--json --simulate=2 --serial 00001002 port 3", 1, "\"error\": \"Tarvex mini has 2 ports", {}},
        {{}, "--json --simulate=0 list", 0, "{\n    \"switches\": [\n    ]\n}\n", {}},
        {{}, "--simulate=0 list", 0, "No Tarvex switch attached.\n", {}},
        {{}, "--json --simulate=0 port 1", 1, "\"error\": \"no Tarvex switch attached\"", {}},
        {{}, "--simulate lsit", 2, {}, "tarvexctl: unknown command \"lsit\"; did you mean \"list\"? (see tarvexctl --help)\n"},
        {{}, "help prot", 2, {}, "did you mean \"port\"?"},
        {{}, "frobnicate", 2, {}, "the commands are list, status, select, port, name, rotate, firmware, help"},
        {{}, "--json --bogus list", 2, "unknown option \\\"--bogus\\\" (see", {}},
        // Option errors in the words of the others, and argument errors before any switch's.
        {{}, "--simlate list", 2, {}, "tarvexctl: unknown option \"--simlate\"; did you mean \"--simulate\"? (see tarvexctl --help)\n"},
        {{}, "--simulate 3 list", 2, {}, "tarvexctl: give the number of simulated switches as --simulate=3 ("},
        {{}, "--simulate status --serial", 2, {}, "tarvexctl: --serial needs a value ("},
        {{}, "--json=1 list", 2, {}, "tarvexctl: --json takes no value ("},
        {{}, "--simulate port 5", 2, {}, "tarvexctl: \"5\" is not a port number (ports are 1 to 4) ("},
        {{}, "--simulate port x", 2, {}, "tarvexctl: no port of the attached switches is named \"x\" ("},
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
        // Every switch with --all, or without --serial while the tray's choice is "together".
        {{}, "--simulate=2 --all port 2", 0, "00001001: port 2\n00001002: port 2\n", {}},
        {{}, "--simulate=2 --all port 3", 1, "00001001: port 3\n", "tarvexctl: Tarvex mini 00001002 has no port 3\n"},
        {R"({"Port Names": {"00001001": ["Dock"], "00001002": ["", "Dock"]}})", "--simulate=2 --all port dock", 2, {},
         "\"dock\" names more than one port of the switches"},
        {together, "--simulate=2 --json port 1", 0, "\"ok\": true,\n            \"port\": 1,\n            \"port_name\": null,\n            \"serial\": \"00001002\"", {}},
        {together, "--simulate=2 --json --serial 00001001 status", 0, "\"switch_id\": 1", {}},
        {together, "--simulate=2 --json status", 0, "\"switch_id\": 2", {}},
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
                                  "--simulate=1 rotate --interval 0.5", "--simulate=1 rotate --count 0",
                                  "--simulate --all --serial 00001001 port 1", "--simulate --all name 1 x"})
        EXPECT_EQ(run(arguments).exitCode, 2) << arguments;
}

// Every command's JSON is checked by run(): one document, "error" exactly when it failed,
// snake_case keys at every depth (the others' JSON in the other tests, firmware's in
// FirmwareCommandTest).
TEST_F(Tarvexctl, ListInTextAndEveryCommandInJson)
{
    file("TarvexCC/defaults.json", R"({"Port Names": {"00001002": ["Work laptop"]}})");
    EXPECT_EQ(run("--simulate list").out, "00001001  Tarvex Pro DVI SL  firmware 1.4  port 1\n"
                                          "00001002  Tarvex mini        firmware 1.4  port 1 (Work laptop)\n");
    const QJsonArray switches = run("--json --simulate=3 list").json()["switches"].toArray();
    ASSERT_EQ(switches.size(), 3);
    EXPECT_EQ(switches[1].toObject(), (QJsonObject{{"serial", "00001002"}, {"model", "Tarvex mini"}, {"switch_id", 2}, {"ports", 2},
                                                   {"port", 1}, {"firmware", "1.4"}, {"port_names", QJsonArray{"Work laptop", QJsonValue()}}}));
    for (const char *arguments : {"--version", "--simulate=1 name 1 x", "--simulate=1 rotate --interval 1 --count 1",
                                  "--simulate=1 serials", "--simulate=1 ports", "--simulate=1 select 00001001"})
        EXPECT_FALSE(run(QStringLiteral("--json ") + arguments).json().isEmpty()) << arguments;
}

// Names are stored per serial number, shown by status and found by port, ignoring case;
// a name another port has (in any case) and one that is unknown are refused. They print
// exactly as stored; only what a terminal acts on is neutralised (JSON keeps it all).
TEST_F(Tarvexctl, NamedPorts)
{
    const struct {
        QString name, shown;
    } cases[] = {{"Save%2Now", "Save%2Now"}, {"%1 Büro 😀 𠀋", "%1 Büro 😀 𠀋"}, {"A\u2028B\u001B[2J", "A\uFFFDB\uFFFD[2J"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        if (c.name.contains("B\u001B")) // refused by name, but the tray or an editor may have put it there
            file("TarvexCC/defaults.json", QJsonDocument(QJsonObject{{"Port Names", QJsonObject{{"00001001", QJsonArray{c.name}}}}}).toJson());
        else
            EXPECT_EQ(run({"--simulate=1", "name", "1", c.name}).out, "00001001: port 1 is named \"" + c.shown + "\"\n");
        EXPECT_EQ(run({"--simulate=1", "port", "1"}).out, "00001001: port 1 (" + c.shown + ")\n");
        EXPECT_TRUE(run("--simulate=1 status").out.endsWith("Port 1:    " + c.shown + "\n"));
        EXPECT_TRUE(run("--simulate=1 list").out.endsWith("port 1 (" + c.shown + ")\n"));
        EXPECT_EQ(run("--json --simulate=1 status").json()["port_names"].toArray().first(), c.name);
    }
    EXPECT_EQ(run(QStringList{"--simulate=1", "name", "2", "Work laptop"}).exitCode, 0);
    EXPECT_EQ(run("--json --simulate=1 status").json()["port_names"].toArray(),
              (QJsonArray{"A\u2028B\u001B[2J", "Work laptop", QJsonValue(), QJsonValue()}));
    EXPECT_EQ(run(QStringList{"--json", "--simulate=1", "port", " work LAPTOP"}).json(),
              (QJsonObject{{"serial", "00001001"}, {"port", 2}, {"port_name", "Work laptop"}}));
    // Names are found without case, so a second port may not take one that differs only in case.
    const Outcome twice = run(QStringList{"--simulate=1", "name", "4", "WORK laptop"});
    EXPECT_EQ(twice.exitCode, 1);
    EXPECT_TRUE(twice.err.contains("port 2 is already named \"Work laptop\"")) << twice.err.toStdString();
    EXPECT_EQ(run("--simulate=2 --serial 00001002 name 3 x").exitCode, 1); // a mini has 2 ports
    EXPECT_EQ(run(QStringList{"--simulate=1", "port", "gaming pc"}).exitCode, 2);
    // While the tray switches them together a name goes to that port of each switch having it;
    // one given with --serial stays that switch's.
    file("TarvexCC/defaults.json", R"({"Switch Together": true})");
    EXPECT_EQ(run("--simulate=2 name 2 Dock").out, "00001001: port 2 is named \"Dock\"\n00001002: port 2 is named \"Dock\"\n");
    const Outcome lacking = run("--json --simulate=2 name 3 Desk");
    EXPECT_EQ(lacking.exitCode, 1);
    EXPECT_EQ(lacking.json()["switches"].toArray(),
              (QJsonArray{QJsonObject{{"serial", "00001001"}, {"ok", true}, {"port", 3}, {"port_name", "Desk"}},
                          QJsonObject{{"serial", "00001002"}, {"ok", false}, {"port", 3}, {"error", "Tarvex mini 00001002 has no port 3"}}}));
    EXPECT_EQ(run("--simulate=2 --serial 00001002 name 1 Mine").exitCode, 0);
    EXPECT_EQ(QJsonDocument::fromJson(stored()).object()["Port Names"].toObject(),
              (QJsonObject{{"00001001", QJsonArray{"", "Dock", "Desk"}}, {"00001002", QJsonArray{"Mine", "Dock"}}}));
}

// select stores the choice where the tray keeps it, and the next command follows it.
TEST_F(Tarvexctl, SelectBySerialOrModel)
{
    const struct {
        QStringList arguments;
        int exitCode;
        QString out, err;
        QByteArray stored; // "Selected Switch" afterwards
    } cases[] = {
        {{"--simulate=3", "select", "tarvex MINI"}, 0, "00001002 (Tarvex mini) is now the selected switch\n", "", "00001002"},
        {{"--simulate=3", "select", "00001003"}, 0, "00001003 (Tarvex Pro DVI DL) is now the selected switch\n", "", "00001003"},
        {{"--simulate=4", "select", "tarvex pro dvi sl"}, 1, "", "(00001001, 00001004); select one by its serial number\n", "00001003"},
        {{"--simulate=1", "select", "00009999"}, 1, "", "\"00009999\"; attached: 00001001 (Tarvex Pro DVI SL)\n", "00001003"},
        {{"--simulate=1", "select"}, 2, "", "select needs one serial number", "00001003"},
    };
    for (const auto &c : cases) {
        const Outcome r = run(c.arguments);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(r.out, c.out);
        EXPECT_TRUE(r.err.contains(c.err)) << r.err.toStdString();
        EXPECT_EQ(QJsonDocument::fromJson(stored()).object()["Selected Switch"].toString().toUtf8(), c.stored);
    }
    EXPECT_TRUE(run("--simulate=3 status").out.startsWith("Serial:    00001003\n"));
}

// An answer that could not be written is a failure, said on stderr: stdout on a full disk or
// closed. With stderr closed, error text goes nowhere, never into a file the program opens.
TEST_F(Tarvexctl, UnwrittenAnswerIsAFailure)
{
    const std::function<void()> redirections[] = {
        [] { ::dup2(::open("/dev/full", O_WRONLY), 1); }, [] { ::close(1); }};
    const QString reasons[] = {"No space left on device", "Bad file descriptor"};
    for (int i = 0; i < 2; ++i) {
        for (const char *arguments : {"--simulate list", "--simulate=1 status", "--simulate serials",
                                      "--json --simulate list", "--simulate=1 port 2", "--version"}) {
            const Outcome r = finish(*start(QString(arguments).split(' '), {}, redirections[i]));
            EXPECT_EQ(r.exitCode, 1) << arguments;
            EXPECT_EQ(r.err, "tarvexctl: cannot write the answer: " + reasons[i] + "\n") << arguments;
        }
    }
    EXPECT_EQ(finish(*start({"--version"}, {}, redirections[0], "C.UTF-8", TARVEXCC_PATH)).exitCode, 1);
    extraEnvironment["XDG_RUNTIME_DIR"] = config.path();
    const Outcome r = finish(*start({"--simulate=2", "--serial", "00001002", "port", "3"}, {}, [] { ::close(2); }));
    EXPECT_EQ(r.exitCode, 1);
    for (const QFileInfo &lock : QDir(config.filePath("tarvexcc")).entryInfoList(QDir::Files))
        EXPECT_EQ(lock.size(), 0) << lock.fileName().toStdString();
}

// The same language as the tray: German under LANGUAGE=de, the exit status unchanged.
TEST_F(Tarvexctl, SpeaksTheTraysLanguage)
{
    extraEnvironment["LANGUAGE"] = "de";
    const Outcome r = run("--simulate=1 port 7");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "tarvexctl: „7“ ist keine Anschlussnummer (die Anschlüsse sind 1 bis 4) (siehe tarvexctl --help)\n");
    EXPECT_TRUE(run("--help").out.startsWith("Aufruf: tarvexctl [OPTIONEN] BEFEHL [ARGUMENTE]\n"));
    EXPECT_TRUE(finish(*start({"--help"}, {}, {}, "C.UTF-8", TARVEXCC_PATH)).out.startsWith("Aufruf: tarvexcc [--simulate[=N]]"));
}

// Bash completion offers what the line can take: each command's own options, the ports the
// switch in use has and their names, the attached switches' serials.
TEST_F(Tarvexctl, CompletionOffersWhatTheLineCanTake)
{
    file("TarvexCC/defaults.json", R"({"Port Names": {"00001001": ["", "Work laptop"]}})");
    const struct {
        QStringList words; // after the program, the last one being completed
        QString offered;
    } cases[] = {
        {{"firmware", "check", "--"}, "--help --version --serial --simulate --json --url"},
        {{"firmware", "upgrade", "--y"}, "--yes"},
        {{"se"}, "select"},
        {{"--simulate", "=", "1", "port", ""}, "1 2 3 4 Work\\ laptop"},
        {{"--simulate", "=", "1", "port", "w"}, "Work\\ laptop"},
        {{"--simulate", "=", "1", "name", ""}, "1 2 3 4"},
        {{"--simulate", "--serial", "00001002", "port", ""}, "1 2"},
        {{"--simulate", "select", ""}, "00001001 00001002"},
    };
    const QString complete = "source \"$1\"; shift; COMP_WORDS=(\"$0\" \"$@\"); COMP_CWORD=$#; COMP_LINE=\"${COMP_WORDS[*]}\"; "
                             "COMP_LINE=${COMP_LINE// = /=}; _tarvexctl; echo \"${COMPREPLY[*]}\"";
    for (const auto &c : cases)
        EXPECT_EQ(bash(complete, QStringList{TARVEX_SOURCE_DIR "/resources/bash-completion/tarvexctl"} + c.words), c.offered + "\n")
            << c.words.join(' ').toStdString();
}

// scripts/run starts the tray on simulated switches when none is attached.
TEST_F(Tarvexctl, RunScriptSimulatesWithoutASwitch)
{
    const QString decide = "source \"$1\" && simulate_unless_attached \"$0\" \"$2\"";
    EXPECT_EQ(bash(decide, {TARVEX_SOURCE_DIR "/scripts/run", "--simulate=0"}), "--simulate\n");
    EXPECT_EQ(bash(decide, {TARVEX_SOURCE_DIR "/scripts/run", "--simulate=2"}), "");
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
