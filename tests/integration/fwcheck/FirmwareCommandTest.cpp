// `tarvexctl firmware` run as a process against one simulated switch ("00001001", firmware
// 1.4, 1.5 after a complete transfer) and a local check server: what it prints, what it
// asks the server, and its exit status.
#include "LocalHttpServer.h"
#include "SRecordTestImages.h"
#include "TarvexVersion.h"

#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

QByteArray image(const char *version)
{
    return SRecordTestImages::image(20, QString::fromLatin1(version)).toLatin1();
}

class FirmwareCommandTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(server.isListening());
    }

    // Runs "tarvexctl firmware <arguments>" (split at spaces) while this thread's event
    // loop keeps serving the check server.
    CliRun firmware(const QString &arguments)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
        process.setProcessEnvironment(env);
        process.setStandardInputFile(QProcess::nullDevice()); // not a terminal
        QEventLoop loop;
        QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        process.start(QStringLiteral(TARVEXCTL_PATH),
                      QStringList{QStringLiteral("--simulate=1"), QStringLiteral("firmware")}
                          + arguments.split(QLatin1Char(' ')));
        loop.exec();
        CliRun run;
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    QString writeFile(const char *name, const QByteArray &content)
    {
        QFile file(home.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        return file.fileName();
    }

    QTemporaryDir home;
    LocalHttpServer server;
};

} // namespace

TEST_F(FirmwareCommandTest, CheckPrintsUpToDateOrTheOfferedVersion)
{
    const QString check = QStringLiteral("check --url ") + server.baseURL();
    server.respond(200, "NULL\r\n");
    CliRun run = firmware(check);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("up-to-date\n"));
    EXPECT_EQ(server.targets(),
              QList<QByteArray>{QByteArrayLiteral("/firmware/check.php?av=") + TARVEX_VERSION + "&fw=1.4&swid=1"});

    server.respond(200, image("1.5\r"));
    run = firmware(check);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QStringLiteral("1.5\n"));

    // A failed check is an error, never "up-to-date".
    server.respond(404, "NULL");
    run = firmware(check);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains(QLatin1String("Couldn't open Firmware file!"))) << run.err.toStdString();
}

TEST_F(FirmwareCommandTest, UpgradeFromTheServerReportsProgressAndTheNewVersion)
{
    server.respond(200, image("1.5"));
    // Without a terminal to ask and without --yes: refused before anything is asked.
    CliRun run = firmware(QStringLiteral("upgrade --url ") + server.baseURL());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QLatin1String("--yes"))) << run.err.toStdString();
    EXPECT_TRUE(server.targets().isEmpty());

    run = firmware(QStringLiteral("upgrade --yes --url ") + server.baseURL());
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 12) << run.out.toStdString();
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(lines[i].startsWith(QStringLiteral("firmware: %1 % written").arg((i + 1) * 10)))
            << lines[i].toStdString();
    EXPECT_EQ(lines[10], QStringLiteral("Firmware:  1.5"));
    EXPECT_EQ(lines[11], QStringLiteral("Firmware Upgrade finished"));
}

TEST_F(FirmwareCommandTest, UpgradeFromAFileIsCheckedTheSameWay)
{
    QByteArray damaged = image("1.5");
    damaged.replace(damaged.indexOf("\nS1") + 12, 1, "Z");
    CliRun run = firmware(QStringLiteral("upgrade --yes --file ") + writeFile("damaged.txt", damaged));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QLatin1String("The firmware image is damaged. Nothing was written to the switch.")))
        << run.err.toStdString();

    const QString ok = writeFile("ok.txt", image("1.5"));
    const struct {
        QString arguments;
        int exitCode;
    } cases[] = {
        {QStringLiteral("upgrade --yes --file ") + writeFile("garbage.bin", QByteArray("\x7f" "ELF\0\0\x01", 7)), 1},
        {QStringLiteral("upgrade --yes --file ") + home.filePath(QStringLiteral("missing.txt")), 1},
        {QStringLiteral("upgrade --yes --file %1 --url %2").arg(ok, server.baseURL()), 2},
    };
    for (const auto &c : cases)
        EXPECT_EQ(firmware(c.arguments).exitCode, c.exitCode) << c.arguments.toStdString();

    run = firmware(QStringLiteral("upgrade --yes --json --file ") + ok);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QLatin1String("\"succeeded\": true"))) << run.out.toStdString();
    EXPECT_TRUE(server.targets().isEmpty());
}
