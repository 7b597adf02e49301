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
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Outcome {
    int exitCode = -1;
    QString out, err;
    QJsonObject json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
};

class Tarvexctl : public ::testing::Test
{
protected:
    Outcome run(const QString &arguments)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TARVEXCTL_PATH), arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts));
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        Outcome r{process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                  QString::fromUtf8(process.readAllStandardError())};
        // Every error is exactly one line, prefixed with the program's name.
        if (r.exitCode != 0) {
            EXPECT_TRUE(r.err.startsWith(QStringLiteral("tarvexctl: "))) << r.err.toStdString();
            EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1) << r.err.toStdString();
            EXPECT_TRUE(r.out.isEmpty()) << arguments.toStdString();
        }
        return r;
    }
    QString defaultsPath() const { return config.filePath(QStringLiteral("TarvexCC/defaults.json")); }
    QByteArray storedDefaults() const
    {
        QFile f(defaultsPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void storeDefaults(const QByteArray &json)
    {
        ASSERT_TRUE(QDir().mkpath(config.filePath(QStringLiteral("TarvexCC"))));
        QFile f(defaultsPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(json);
    }

    QTemporaryDir config;
};

} // namespace

TEST_F(Tarvexctl, ListInTextAndJson)
{
    const Outcome text = run(QStringLiteral("--simulate list"));
    EXPECT_EQ(text.exitCode, 0) << text.err.toStdString();
    const QStringList lines = text.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << text.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("00001001  Tarvex Pro DVI SL")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("00001002  Tarvex mini")));
    EXPECT_EQ(lines[0].indexOf(QStringLiteral("firmware")), lines[1].indexOf(QStringLiteral("firmware")));
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("firmware 1.4  port 1")));

    const QJsonArray switches = run(QStringLiteral("--json --simulate=3 list")).json()[QStringLiteral("switches")].toArray();
    ASSERT_EQ(switches.size(), 3);
    const QJsonObject mini = switches[1].toObject();
    EXPECT_EQ(mini, (QJsonObject{{"serial", "00001002"}, {"model", "Tarvex mini"}, {"switchID", 2},
                                 {"ports", 2}, {"port", 1}, {"firmware", "1.4"}}));
    EXPECT_EQ(switches[2].toObject()[QStringLiteral("model")].toString(), "Tarvex Pro DVI DL");
    EXPECT_EQ(run(QStringLiteral("--simulate=16 list")).out.count(QLatin1Char('\n')), 16);
}

TEST_F(Tarvexctl, PortIsCheckedAgainstTheModel)
{
    const Outcome mini3 = run(QStringLiteral("--simulate --serial 00001002 port 3"));
    EXPECT_EQ(mini3.exitCode, 1);
    EXPECT_EQ(mini3.err, "tarvexctl: Tarvex mini has 2 ports; port 3 does not exist\n");
    const Outcome sl5 = run(QStringLiteral("--simulate --serial 00001001 port 5"));
    EXPECT_EQ(sl5.exitCode, 1);
    EXPECT_TRUE(sl5.err.contains(QStringLiteral("Tarvex Pro DVI SL has 4 ports")));

    const Outcome mini2 = run(QStringLiteral("--simulate --serial 00001002 port 2"));
    EXPECT_EQ(mini2.exitCode, 0) << mini2.err.toStdString();
    EXPECT_TRUE(mini2.err.isEmpty());
    const Outcome json = run(QStringLiteral("--simulate --json --serial 00001001 port 4"));
    EXPECT_EQ(json.json(), (QJsonObject{{"serial", "00001001"}, {"port", 4}})) << json.out.toStdString();
}

// Which switch a command goes to: --serial, else the stored choice when attached, else the
// only attached switch, else an error that lists the serials.
TEST_F(Tarvexctl, SwitchChoice)
{
    struct Case {
        QByteArray defaults;
        QString arguments, serial; // empty serial: an error naming every word of `error`
        QStringList error;
    };
    const QList<Case> cases = {
        {{}, "--simulate=1 status", "00001001", {}},
        {{}, "--simulate status", {}, {"--serial", "00001001", "00001002"}},
        {{}, "--simulate --serial nonexistent status", {}, {"nonexistent", "00001001", "00001002"}},
        {R"({"Selected Switch": "00001002", "Time Interval": 30})", "--simulate status", "00001002", {}},
        {R"({"Selected Switch": "00001002"})", "--simulate --serial 00001001 status", "00001001", {}},
        {R"({"Selected Switch": "00009999"})", "--simulate=1 status", "00001001", {}},
        {R"({"Selected Switch": "00009999"})", "--simulate=2 status", {}, {"00001001", "00001002"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.toStdString() + " with " + c.defaults.toStdString());
        if (!c.defaults.isEmpty())
            storeDefaults(c.defaults);
        const Outcome r = run(QStringLiteral("--json ") + c.arguments);
        EXPECT_EQ(r.exitCode, c.serial.isEmpty() ? 1 : 0) << r.err.toStdString();
        if (!c.serial.isEmpty()) {
            EXPECT_EQ(r.json()[QStringLiteral("serial")].toString(), c.serial);
        }
        for (const QString &word : c.error)
            EXPECT_TRUE(r.err.contains(word)) << r.err.toStdString();
        // Asking never rewrites the user's file.
        EXPECT_EQ(storedDefaults(), c.defaults);
        QFile::remove(defaultsPath());
    }
    const Outcome text = run(QStringLiteral("--simulate --serial 00001001 status"));
    EXPECT_TRUE(text.out.contains(QStringLiteral("Port:      1 of 4"))) << text.out.toStdString();
}

TEST_F(Tarvexctl, DamagedDefaultsAreReportedAndLeftAlone)
{
    storeDefaults("{ not json");
    const Outcome r = run(QStringLiteral("--simulate=1 status"));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains(defaultsPath())) << r.err.toStdString();
    EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1);
    EXPECT_EQ(storedDefaults(), "{ not json");
    EXPECT_FALSE(QFile::exists(defaultsPath() + QStringLiteral(".bad")));
}

TEST_F(Tarvexctl, UsageErrorsExitTwo)
{
    for (const char *arguments :
         {"--simulate", "--simulate frobnicate", "--simulate port", "--simulate port x", "--simulate port 0",
          "--simulate port 1 2", "--simulate list extra", "--simulate=0 list", "--simulate=17 list",
          "--simulate=two list", "--simulate --bogus list", "--simulate --serial",
          "--simulate --serial= status"})
        EXPECT_EQ(run(QString::fromLatin1(arguments)).exitCode, 2) << arguments;
}

TEST_F(Tarvexctl, VersionAndHelp)
{
    EXPECT_EQ(run(QStringLiteral("--version")).out, QStringLiteral("tarvexctl " TARVEX_VERSION "\n"));
    const Outcome h = run(QStringLiteral("--help"));
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
