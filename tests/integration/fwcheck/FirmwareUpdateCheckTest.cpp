// The firmware check end to end: the query the server receives, and every kind of answer
// it can give, from a real HTTP server on the loopback interface.
#include "switch/net/FirmwareUpdateCheck.h"

#include "LocalHttpServer.h"
#include "TarvexVersion.h"
#include "switch/DefaultsStore.h"
#include "usb/IOWarriorController.h"
#include "usb/IOWarriorLib.h"
#include "usb/sim/SimHidPlatform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using Kind = FirmwareCheckAnswer::Kind;

namespace {

class FirmwareUpdateCheckTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(server.isListening());
        sw = sim.plug("00001003", 3, 1, 2); // a "Tarvex Pro DVI DL" on firmware 1.2
        IOWarriorSetPlatform(&sim);
        ASSERT_EQ(IOWarriorInit(), 0);
        registry.findAttachedDevices();
        QCoreApplication::processEvents();
        defaults.setObjectForKey(QStringLiteral("Selected Switch"), QStringLiteral("00001003"));
        defaults.setObjectForKey(FirmwareUpdateCheck::checkURLKey(), server.baseURL());
        check.setTimeoutMs(3000);
    }
    void TearDown() override
    {
        IOWarriorClearInterfaceList();
        IOWarriorSetPlatform(nullptr);
    }

    QByteArray expectedTarget() const
    {
        return QByteArrayLiteral("/firmware/check.php?av=") + TARVEX_VERSION + "&fw=1.2&swid=3";
    }

    QTemporaryDir dir;
    LocalHttpServer server;
    tarvex::SimHidPlatform sim;
    std::shared_ptr<tarvex::SimulatedSwitch> sw;
    IOWarriorController registry;
    DefaultsStore defaults{dir.filePath(QStringLiteral("defaults.json"))};
    FirmwareUpdateCheck check{registry, defaults};
};

} // namespace

TEST(FirmwareUpdateCheckURL, ValuesGoInInOrderAndUnescaped)
{
    EXPECT_EQ(FirmwareUpdateCheck::queryURL(QStringLiteral("https://h/firmware/check.php"),
                                            QStringLiteral("1.0.1"), QStringLiteral("1.2"), 3),
              QStringLiteral("https://h/firmware/check.php?av=1.0.1&fw=1.2&swid=3"));
    EXPECT_EQ(FirmwareUpdateCheck::queryURL(QStringLiteral("b"), QStringLiteral("a v"),
                                            QStringLiteral("-1.-128"), -1),
              QStringLiteral("b?av=a v&fw=-1.-128&swid=-1"));
    EXPECT_TRUE(FirmwareUpdateCheck::defaultCheckURL().startsWith(QLatin1String("https://")));
    EXPECT_TRUE(FirmwareUpdateCheck::defaultCheckURL().endsWith(QLatin1String("/firmware/check.php")));
    EXPECT_EQ(FirmwareUpdateCheck::getAppVersion(), QStringLiteral(TARVEX_VERSION));
}

TEST_F(FirmwareUpdateCheckTest, ServerReceivesAppVersionFirmwareAndSwitchID)
{
    server.respond(200, "NULL");
    EXPECT_EQ(check.checkAndWait().kind(), Kind::UpToDate);
    ASSERT_EQ(server.targets().size(), 1);
    EXPECT_EQ(server.targets().at(0), expectedTarget());
    EXPECT_EQ(check.lastQueryURL(), QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort())
                                        + QString::fromLatin1(expectedTarget()));
}

TEST_F(FirmwareUpdateCheckTest, NullAnswersMeanUpToDate)
{
    for (const QByteArray &body : {QByteArray("NULL"), QByteArray("NULL\r"), QByteArray("NULL\r\n")}) {
        server.respond(200, body);
        EXPECT_EQ(check.checkAndWait().kind(), Kind::UpToDate) << body.toStdString();
    }
}

TEST_F(FirmwareUpdateCheckTest, OfferCarriesTheWholeAnswer)
{
    const QByteArray body = "1.3\nS00600004844521B\nS1130000285F245F2212226A000424290008237C2A\nS9030000FC\n";
    server.respond(200, body);
    const FirmwareCheckAnswer answer = check.checkAndWait();
    ASSERT_EQ(answer.kind(), Kind::Offer);
    EXPECT_EQ(answer.offeredVersion(), QStringLiteral("1.3"));
    EXPECT_EQ(answer.text(), QString::fromLatin1(body));

    server.respond(200, "1.4");
    const FirmwareCheckAnswer oneLine = check.checkAndWait();
    ASSERT_EQ(oneLine.kind(), Kind::Offer);
    EXPECT_EQ(oneLine.text(), QStringLiteral("1.4"));
}

TEST_F(FirmwareUpdateCheckTest, UnusableResponsesAreNoAnswerNeverUpToDate)
{
    struct Case {
        const char *what;
        int status;
        QByteArray body;
    };
    const Case cases[] = {
        {"empty body", 200, QByteArray()},
        {"not found", 404, QByteArray("NULL")},
        {"server error", 500, QByteArray("NULL")},
        {"redirect without target", 302, QByteArray("NULL")},
        {"binary garbage", 200, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe", 18)},
        {"too large", 200, QByteArray(5 * 1024 * 1024, 'A')},
    };
    for (const Case &c : cases) {
        server.respond(c.status, c.body);
        const FirmwareCheckAnswer answer = check.checkAndWait();
        EXPECT_EQ(answer.kind(), Kind::NoAnswer) << c.what;
        EXPECT_FALSE(answer.reason().isEmpty()) << c.what;
    }
}

TEST_F(FirmwareUpdateCheckTest, LargeBodyWithoutDeclaredLengthIsCutOff)
{
    // 5 MiB whose first line would be an offer: the size limit, not the content, decides.
    QByteArray body = "9.9\n";
    body += QByteArray(5 * 1024 * 1024, 'S');
    server.streamWithoutLength(body);
    const FirmwareCheckAnswer answer = check.checkAndWait();
    EXPECT_EQ(answer.kind(), Kind::NoAnswer);
    EXPECT_TRUE(answer.reason().contains(QLatin1String("larger"))) << answer.reason().toStdString();
}

TEST_F(FirmwareUpdateCheckTest, SilentServerIsBoundedAndTheLoopKeepsTurning)
{
    server.neverAnswer();
    check.setTimeoutMs(400);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    const FirmwareCheckAnswer answer = check.checkAndWait();
    ticker.stop();
    EXPECT_EQ(answer.kind(), Kind::NoAnswer);
    EXPECT_EQ(server.targets().size(), 1);
    EXPECT_GT(ticks, 3); // the program was not frozen meanwhile
    EXPECT_EQ(FirmwareUpdateCheck::kDefaultTimeoutMs, 15000);
}

TEST_F(FirmwareUpdateCheckTest, UnreachableServerIsNoAnswer)
{
    const quint16 port = server.serverPort();
    server.close();
    defaults.setObjectForKey(FirmwareUpdateCheck::checkURLKey(),
                             QStringLiteral("http://127.0.0.1:%1/firmware/check.php").arg(port));
    EXPECT_EQ(check.checkAndWait().kind(), Kind::NoAnswer);
}

TEST_F(FirmwareUpdateCheckTest, FailedTlsHandshakeIsNoAnswer)
{
    // An https address answered by a server that speaks no TLS: the secure connection
    // fails, and that is never taken for an answer.
    server.respond(200, "NULL");
    check.setCheckURLOverride(server.baseURL().replace(QLatin1String("http:"), QLatin1String("https:")));
    const FirmwareCheckAnswer answer = check.checkAndWait();
    EXPECT_EQ(answer.kind(), Kind::NoAnswer);
    EXPECT_FALSE(answer.reason().isEmpty());
}

TEST_F(FirmwareUpdateCheckTest, WithoutAnAttachedSwitchNothingIsAsked)
{
    defaults.setObjectForKey(QStringLiteral("Selected Switch"), QStringLiteral("00009999"));
    server.respond(200, "NULL");
    sw->clearLog();
    EXPECT_EQ(check.checkAndWait().kind(), Kind::NotConnected);
    EXPECT_TRUE(server.targets().isEmpty());
    EXPECT_TRUE(sw->log().empty());
}

TEST_F(FirmwareUpdateCheckTest, SwitchThatDoesNotAnswerItsQueriesIsNotConnected)
{
    sw->setReadNeverAnswers(true);
    server.respond(200, "NULL");
    EXPECT_EQ(check.checkAndWait().kind(), Kind::NotConnected);
    EXPECT_TRUE(server.targets().isEmpty());
}

TEST_F(FirmwareUpdateCheckTest, AddressComesFromOverrideThenDefaultsAndMustBeWeb)
{
    server.respond(200, "NULL");
    check.setCheckURLOverride(server.baseURL().replace(QLatin1String("check.php"), QLatin1String("other.php")));
    EXPECT_EQ(check.checkAndWait().kind(), Kind::UpToDate);
    ASSERT_EQ(server.targets().size(), 1);
    EXPECT_TRUE(server.targets().at(0).startsWith("/firmware/other.php?av="));

    check.setCheckURLOverride(QString());
    defaults.removeObjectForKey(FirmwareUpdateCheck::checkURLKey());
    EXPECT_EQ(check.checkURL(), FirmwareUpdateCheck::defaultCheckURL());

    const QString local = dir.filePath(QStringLiteral("answer.txt"));
    QFile file(local);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("NULL");
    file.close();
    check.setCheckURLOverride(QUrl::fromLocalFile(local).toString());
    EXPECT_EQ(check.checkAndWait().kind(), Kind::NoAnswer); // never reads local files
}
