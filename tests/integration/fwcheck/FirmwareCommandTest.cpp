// `tarvexctl firmware` run as a process against one simulated switch ("00001001", firmware
// 1.4, 1.5 after a complete transfer) and a local check server: what it prints, what it
// asks the server, and its exit status.
#include "LocalHttpServer.h"
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

QString record(char type, int address, const QByteArray &data)
{
    QByteArray bytes;
    bytes.append(char(data.size() + 3));
    bytes.append(char((address >> 8) & 0xFF));
    bytes.append(char(address & 0xFF));
    bytes.append(data);
    int sum = 0;
    for (char b : bytes)
        sum += static_cast<unsigned char>(b);
    bytes.append(char(~sum & 0xFF));
    return QStringLiteral("S") + QChar::fromLatin1(type) + QString::fromLatin1(bytes.toHex().toUpper());
}

QByteArray image(const char *version)
{
    QStringList lines{QString::fromLatin1(version), record('0', 0, "HDR")};
    for (int a = 0; a < 16 * 20; a += 16)
        lines << record('1', a, QByteArray(16, char(a)));
    lines << record('9', 0, QByteArray());
    return lines.join(QLatin1Char('\n')).toLatin1() + '\n';
}

class FirmwareCommandTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(server.isListening());
    }

    // Runs tarvexctl while this thread's event loop keeps serving the check server.
    CliRun tarvexctl(QStringList arguments)
    {
        arguments.prepend(QStringLiteral("--simulate=1"));
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
        process.setProcessEnvironment(env);
        process.setStandardInputFile(QProcess::nullDevice()); // not a terminal
        QEventLoop loop;
        QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        process.start(QStringLiteral(TARVEXCTL_PATH), arguments);
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
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return file.fileName();
    }

    QTemporaryDir home;
    LocalHttpServer server;
};

} // namespace

TEST_F(FirmwareCommandTest, CheckPrintsUpToDateOrTheOfferedVersion)
{
    server.respond(200, "NULL\r\n");
    CliRun run = tarvexctl({QStringLiteral("firmware"), QStringLiteral("check"), QStringLiteral("--url"), server.baseURL()});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("up-to-date\n"));
    ASSERT_EQ(server.targets().size(), 1);
    EXPECT_EQ(server.targets().at(0), QByteArrayLiteral("/firmware/check.php?av=") + TARVEX_VERSION + "&fw=1.4&swid=1");

    server.respond(200, image("1.5\r"));
    run = tarvexctl({QStringLiteral("firmware"), QStringLiteral("check"), QStringLiteral("--url"), server.baseURL()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QStringLiteral("1.5\n"));
}

TEST_F(FirmwareCommandTest, CheckFailureIsAnErrorNotUpToDate)
{
    server.respond(404, "NULL");
    const CliRun run = tarvexctl({QStringLiteral("firmware"), QStringLiteral("check"), QStringLiteral("--url"), server.baseURL()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains(QLatin1String("Couldn't open Firmware file!"))) << run.err.toStdString();
}

TEST_F(FirmwareCommandTest, UpgradeWithoutTerminalOrYesWritesNothingAndAsksNobody)
{
    server.respond(200, image("1.5"));
    const CliRun run = tarvexctl({QStringLiteral("firmware"), QStringLiteral("upgrade"), QStringLiteral("--url"), server.baseURL()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QLatin1String("--yes"))) << run.err.toStdString();
    EXPECT_TRUE(server.targets().isEmpty());
}

TEST_F(FirmwareCommandTest, UpgradeFromTheServerReportsProgressAndTheNewVersion)
{
    server.respond(200, image("1.5"));
    const CliRun run = tarvexctl({QStringLiteral("firmware"), QStringLiteral("upgrade"), QStringLiteral("--url"),
                               server.baseURL(), QStringLiteral("--yes")});
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
    CliRun run = tarvexctl({QStringLiteral("firmware"), QStringLiteral("upgrade"), QStringLiteral("--file"),
                         writeFile("damaged.txt", damaged), QStringLiteral("--yes")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QLatin1String("The firmware image is damaged. Nothing was written to the switch.")))
        << run.err.toStdString();

    run = tarvexctl({QStringLiteral("firmware"), QStringLiteral("upgrade"), QStringLiteral("--file"),
                     writeFile("garbage.bin", QByteArray("\x7f" "ELF\0\0\x01", 7)), QStringLiteral("--yes")});
    EXPECT_EQ(run.exitCode, 1);

    run = tarvexctl({QStringLiteral("firmware"), QStringLiteral("upgrade"), QStringLiteral("--file"),
                     home.filePath(QStringLiteral("missing.txt")), QStringLiteral("--yes")});
    EXPECT_EQ(run.exitCode, 1);

    run = tarvexctl({QStringLiteral("firmware"), QStringLiteral("upgrade"), QStringLiteral("--file"),
                     writeFile("ok.txt", image("1.5")), QStringLiteral("--url"), server.baseURL(),
                     QStringLiteral("--yes")});
    EXPECT_EQ(run.exitCode, 2);

    run = tarvexctl({QStringLiteral("firmware"), QStringLiteral("upgrade"), QStringLiteral("--file"),
                     writeFile("ok.txt", image("1.5")), QStringLiteral("--yes"), QStringLiteral("--json")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QLatin1String("\"succeeded\": true"))) << run.out.toStdString();
    EXPECT_TRUE(server.targets().isEmpty());
}
