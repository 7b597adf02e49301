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
    EXPECT_EQ(FirmwareUpdateCheck::queryURL(QStringLiteral("b"), QStringLiteral("a v"), QStringLiteral("-1.-128"), -1),
              QStringLiteral("b?av=a v&fw=-1.-128&swid=-1"));
    EXPECT_TRUE(FirmwareUpdateCheck::defaultCheckURL().startsWith(QLatin1String("https://")));
    EXPECT_TRUE(FirmwareUpdateCheck::defaultCheckURL().endsWith(QLatin1String("/firmware/check.php")));
    EXPECT_EQ(FirmwareUpdateCheck::kDefaultTimeoutMs, 15000);
}

TEST_F(FirmwareUpdateCheckTest, ServerReceivesAppVersionFirmwareAndSwitchID)
{
    server.respond(200, "NULL");
    EXPECT_EQ(check.checkAndWait().kind(), Kind::UpToDate);
    const QByteArray target = QByteArrayLiteral("/firmware/check.php?av=") + TARVEX_VERSION + "&fw=1.2&swid=3";
    EXPECT_EQ(server.targets(), QList<QByteArray>{target});
    EXPECT_EQ(check.lastQueryURL(),
              QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()) + QString::fromLatin1(target));
}

TEST_F(FirmwareUpdateCheckTest, EveryKindOfResponse)
{
    const QByteArray offer = "1.3\nS00600004844521B\nS1130000285F245F2212226A000424290008237C2A\nS9030000FC\n";
    const QString https = server.baseURL().replace(QLatin1String("http:"), QLatin1String("https:"));
    const QString local = QUrl::fromLocalFile(dir.filePath(QStringLiteral("answer.txt"))).toString();
    const struct {
        const char *what;
        int status;
        QByteArray body;
        Kind kind;
        QString url; // instead of the configured address
        bool declareLength = true;
    } cases[] = {
        {"NULL", 200, "NULL", Kind::UpToDate, {}},
        {"NULL CR", 200, "NULL\r", Kind::UpToDate, {}},
        {"NULL CR-LF", 200, "NULL\r\n", Kind::UpToDate, {}},
        {"offer with records", 200, offer, Kind::Offer, {}},
        {"one-line offer", 200, "1.4", Kind::Offer, {}},
        {"empty body", 200, {}, Kind::NoAnswer, {}},
        {"not found", 404, "NULL", Kind::NoAnswer, {}},
        {"server error", 500, "NULL", Kind::NoAnswer, {}},
        {"redirect without target", 302, "NULL", Kind::NoAnswer, {}},
        {"binary garbage", 200, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe", 18), Kind::NoAnswer, {}},
        {"5 MiB", 200, QByteArray(5 * 1024 * 1024, 'A'), Kind::NoAnswer, {}},
        // The size limit, not the content, decides, also without a declared length.
        {"5 MiB streamed", 200, "9.9\n" + QByteArray(5 * 1024 * 1024, 'S'), Kind::NoAnswer, {}, false},
        {"nobody listening", 200, "NULL", Kind::NoAnswer, QStringLiteral("http://127.0.0.1:1/firmware/check.php")},
        // An https address answered without TLS: a failed handshake is never an answer.
        {"no TLS", 200, "NULL", Kind::NoAnswer, https},
        {"local file", 200, "NULL", Kind::NoAnswer, local}, // never read, even if it exists
    };
    QFile file(dir.filePath(QStringLiteral("answer.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("NULL") == 4);
    file.close();
    for (const auto &c : cases) {
        server.respond(c.status, c.body, c.declareLength);
        check.setCheckURLOverride(c.url);
        const FirmwareCheckAnswer answer = check.checkAndWait();
        EXPECT_EQ(answer.kind(), c.kind) << c.what;
        if (c.kind == Kind::Offer) {
            EXPECT_EQ(answer.text(), QString::fromLatin1(c.body)) << c.what; // the whole answer
        }
        EXPECT_EQ(answer.reason().isEmpty(), c.kind != Kind::NoAnswer) << c.what;
    }
    check.setCheckURLOverride(QString());
    defaults.removeObjectForKey(FirmwareUpdateCheck::checkURLKey());
    EXPECT_EQ(check.checkURL(), FirmwareUpdateCheck::defaultCheckURL());
}

TEST_F(FirmwareUpdateCheckTest, SilentServerIsBoundedAndTheLoopKeepsTurning)
{
    server.neverAnswer();
    check.setTimeoutMs(400);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    EXPECT_EQ(check.checkAndWait().kind(), Kind::NoAnswer);
    ticker.stop();
    EXPECT_EQ(server.targets().size(), 1);
    EXPECT_GT(ticks, 3); // the program was not frozen meanwhile
}

TEST_F(FirmwareUpdateCheckTest, WithoutAnAnsweringSwitchNothingIsAsked)
{
    server.respond(200, "NULL");
    defaults.setObjectForKey(QStringLiteral("Selected Switch"), QStringLiteral("00009999"));
    sw->clearLog();
    EXPECT_EQ(check.checkAndWait().kind(), Kind::NotConnected);
    EXPECT_TRUE(sw->log().empty());

    defaults.setObjectForKey(QStringLiteral("Selected Switch"), QStringLiteral("00001003"));
    sw->setReadNeverAnswers(true);
    EXPECT_EQ(check.checkAndWait().kind(), Kind::NotConnected);
    EXPECT_TRUE(server.targets().isEmpty());
}
