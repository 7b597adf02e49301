// tarvexctl as a user runs it: exit status, one-line errors on stderr, text and JSON on
// stdout, the switch choice through --serial and the stored "Selected Switch".
#include "TarvexVersion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

class Tarvexctl : public ::testing::Test
{
protected:
    Outcome run(const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TARVEXCTL_PATH), arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return Outcome{process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                   QString::fromUtf8(process.readAllStandardError())};
    }

    void storeDefaults(const QByteArray &json)
    {
        ASSERT_TRUE(QDir().mkpath(config.filePath(QStringLiteral("TarvexCC"))));
        QFile f(defaultsPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(json);
    }
    QString defaultsPath() const { return config.filePath(QStringLiteral("TarvexCC/defaults.json")); }

    // Every error is exactly one line, prefixed with the program's name.
    static void expectOneErrorLine(const Outcome &r, const QString &containing)
    {
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("tarvexctl: "))) << r.err.toStdString();
        EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(containing)) << r.err.toStdString();
    }

    QTemporaryDir config;
};

QJsonObject parseObject(const QString &text)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text.toStdString();
    return doc.object();
}

} // namespace

TEST_F(Tarvexctl, ListShowsBothSimulatedSwitches)
{
    const Outcome r = run({QStringLiteral("--simulate"), QStringLiteral("list")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << r.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("00001001  Tarvex Pro DVI SL")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("00001002  Tarvex mini")));
    // Columns line up.
    EXPECT_EQ(lines[0].indexOf(QStringLiteral("firmware")), lines[1].indexOf(QStringLiteral("firmware")));
    EXPECT_TRUE(lines[0].contains(QStringLiteral("firmware 1.4")));
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("port 1")));
}

TEST_F(Tarvexctl, JsonListHasEverySwitch)
{
    const Outcome r = run({QStringLiteral("--json"), QStringLiteral("--simulate=3"), QStringLiteral("list")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonArray switches = parseObject(r.out).value(QStringLiteral("switches")).toArray();
    ASSERT_EQ(switches.size(), 3);
    const QJsonObject mini = switches[1].toObject();
    EXPECT_EQ(switches[0].toObject().value(QStringLiteral("serial")).toString(), "00001001");
    EXPECT_EQ(mini.value(QStringLiteral("serial")).toString(), "00001002");
    EXPECT_EQ(mini.value(QStringLiteral("model")).toString(), "Tarvex mini");
    EXPECT_EQ(mini.value(QStringLiteral("switchID")).toInt(), 2);
    EXPECT_EQ(mini.value(QStringLiteral("ports")).toInt(), 2);
    EXPECT_EQ(mini.value(QStringLiteral("port")).toInt(), 1);
    EXPECT_EQ(mini.value(QStringLiteral("firmware")).toString(), "1.4");
    EXPECT_FALSE(mini.contains(QStringLiteral("error")));
    EXPECT_EQ(switches[2].toObject().value(QStringLiteral("model")).toString(), "Tarvex Pro DVI DL");
}

TEST_F(Tarvexctl, PortBeyondTheModelIsRefusedWithItsPortCount)
{
    const Outcome r = run({QStringLiteral("--simulate"), QStringLiteral("--serial"),
                       QStringLiteral("00001002"), QStringLiteral("port"), QStringLiteral("3")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "tarvexctl: Tarvex mini has 2 ports; port 3 does not exist\n");
    EXPECT_TRUE(r.out.isEmpty());

    const Outcome five = run({QStringLiteral("--simulate"), QStringLiteral("--serial"),
                          QStringLiteral("00001001"), QStringLiteral("port"), QStringLiteral("5")});
    EXPECT_EQ(five.exitCode, 1);
    expectOneErrorLine(five, QStringLiteral("Tarvex Pro DVI SL has 4 ports"));
}

TEST_F(Tarvexctl, PortWithinTheModelSucceeds)
{
    const Outcome r = run({QStringLiteral("--simulate"), QStringLiteral("--serial"),
                       QStringLiteral("00001002"), QStringLiteral("port"), QStringLiteral("2")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty());

    const Outcome json = run({QStringLiteral("--simulate"), QStringLiteral("--json"), QStringLiteral("--serial"),
                          QStringLiteral("00001001"), QStringLiteral("port"), QStringLiteral("4")});
    EXPECT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonObject o = parseObject(json.out);
    EXPECT_EQ(o.value(QStringLiteral("serial")).toString(), "00001001");
    EXPECT_EQ(o.value(QStringLiteral("port")).toInt(), 4);
}

TEST_F(Tarvexctl, UnknownSerialListsTheAttachedOnes)
{
    const Outcome r = run({QStringLiteral("--simulate"), QStringLiteral("--serial"),
                       QStringLiteral("nonexistent"), QStringLiteral("status")});
    EXPECT_EQ(r.exitCode, 1);
    expectOneErrorLine(r, QStringLiteral("nonexistent"));
    EXPECT_TRUE(r.err.contains(QStringLiteral("00001001")));
    EXPECT_TRUE(r.err.contains(QStringLiteral("00001002")));
}

TEST_F(Tarvexctl, AmbiguousChoiceIsAnErrorListingTheSerials)
{
    const Outcome r = run({QStringLiteral("--simulate"), QStringLiteral("status")});
    EXPECT_EQ(r.exitCode, 1);
    expectOneErrorLine(r, QStringLiteral("--serial"));
    EXPECT_TRUE(r.err.contains(QStringLiteral("00001001")));
    EXPECT_TRUE(r.err.contains(QStringLiteral("00001002")));
    EXPECT_TRUE(r.out.isEmpty());
}

TEST_F(Tarvexctl, OnlyAttachedSwitchIsUsedWithoutAChoice)
{
    const Outcome r = run({QStringLiteral("--simulate=1"), QStringLiteral("--json"), QStringLiteral("status")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(parseObject(r.out).value(QStringLiteral("serial")).toString(), "00001001");
}

TEST_F(Tarvexctl, StoredSelectionIsHonouredWhenAttached)
{
    storeDefaults(R"({"Selected Switch": "00001002", "Time Interval": 30})");
    const QByteArray before = [&] { QFile f(defaultsPath()); f.open(QIODevice::ReadOnly); return f.readAll(); }();

    const Outcome r = run({QStringLiteral("--simulate"), QStringLiteral("--json"), QStringLiteral("status")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject o = parseObject(r.out);
    EXPECT_EQ(o.value(QStringLiteral("serial")).toString(), "00001002");
    EXPECT_EQ(o.value(QStringLiteral("model")).toString(), "Tarvex mini");

    // --serial wins over the stored choice.
    const Outcome text = run({QStringLiteral("--simulate"), QStringLiteral("--serial"),
                          QStringLiteral("00001001"), QStringLiteral("status")});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_TRUE(text.out.contains(QStringLiteral("Tarvex Pro DVI SL")));
    EXPECT_TRUE(text.out.contains(QStringLiteral("Port:      1 of 4")));

    // Asking never rewrites the user's file.
    QFile f(defaultsPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

TEST_F(Tarvexctl, StoredSelectionNotAttachedFallsBackToTheOnlySwitch)
{
    storeDefaults(R"({"Selected Switch": "00009999"})");
    const Outcome one = run({QStringLiteral("--simulate=1"), QStringLiteral("--json"), QStringLiteral("status")});
    EXPECT_EQ(one.exitCode, 0) << one.err.toStdString();
    EXPECT_EQ(parseObject(one.out).value(QStringLiteral("serial")).toString(), "00001001");

    const Outcome two = run({QStringLiteral("--simulate=2"), QStringLiteral("status")});
    EXPECT_EQ(two.exitCode, 1);
    expectOneErrorLine(two, QStringLiteral("00001002"));
}

TEST_F(Tarvexctl, DamagedDefaultsAreReportedAndLeftAlone)
{
    storeDefaults("{ not json");
    const Outcome r = run({QStringLiteral("--simulate=1"), QStringLiteral("status")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains(defaultsPath())) << r.err.toStdString();
    EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1);
    QFile f(defaultsPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "{ not json");
    EXPECT_FALSE(QFile::exists(defaultsPath() + QStringLiteral(".bad")));
}

TEST_F(Tarvexctl, UsageErrorsExitTwoWithOneLine)
{
    const QList<QStringList> bad = {
        {QStringLiteral("--simulate")},
        {QStringLiteral("--simulate"), QStringLiteral("frobnicate")},
        {QStringLiteral("--simulate"), QStringLiteral("port")},
        {QStringLiteral("--simulate"), QStringLiteral("port"), QStringLiteral("x")},
        {QStringLiteral("--simulate"), QStringLiteral("port"), QStringLiteral("0")},
        {QStringLiteral("--simulate"), QStringLiteral("port"), QStringLiteral("1"), QStringLiteral("2")},
        {QStringLiteral("--simulate"), QStringLiteral("list"), QStringLiteral("extra")},
        {QStringLiteral("--simulate=0"), QStringLiteral("list")},
        {QStringLiteral("--simulate=17"), QStringLiteral("list")},
        {QStringLiteral("--simulate=two"), QStringLiteral("list")},
        {QStringLiteral("--simulate"), QStringLiteral("--bogus"), QStringLiteral("list")},
        {QStringLiteral("--simulate"), QStringLiteral("--serial")},
        {QStringLiteral("--simulate"), QStringLiteral("--serial="), QStringLiteral("status")},
    };
    for (const QStringList &arguments : bad) {
        const Outcome r = run(arguments);
        EXPECT_EQ(r.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("tarvexctl: "))) << r.err.toStdString();
        EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << arguments.join(' ').toStdString();
    }
}

TEST_F(Tarvexctl, SimulatedSwitchCountIsHonoured)
{
    const Outcome r = run({QStringLiteral("--simulate=16"), QStringLiteral("list")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count(QLatin1Char('\n')), 16);
}

TEST_F(Tarvexctl, VersionAndHelp)
{
    const Outcome v = run({QStringLiteral("--version")});
    EXPECT_EQ(v.exitCode, 0);
    EXPECT_EQ(v.out.trimmed(), QStringLiteral("tarvexctl " TARVEX_VERSION));

    const Outcome h = run({QStringLiteral("--help")});
    EXPECT_EQ(h.exitCode, 0);
    for (const char *word : {"list", "status", "port N", "--serial", "--simulate", "--json"})
        EXPECT_TRUE(h.out.contains(QLatin1String(word))) << word;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
