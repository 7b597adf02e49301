// The firmware check end to end: the query the server receives, and every kind of answer it
// can give, from a real HTTP server on the loopback interface, with the reason a user sees.
#include "switch/net/FirmwareUpdateCheck.h"

#include "LocalHttpServer.h"
#include "LockHolder.h"
#include "SRecordTestImages.h"
#include "SwitchBus.h"
#include "TarvexVersion.h"

#include <QTimer>

using Kind = FirmwareCheckAnswer::Kind;

namespace {

class FirmwareUpdateCheckTest : public SwitchBus
{
public:
    void SetUp() override
    {
        SwitchBus::SetUp();
        plug("00001003", 3, 2); // a "Tarvex Pro DVI DL" on firmware 1.2
        defaults.setObjectForKey(FirmwareUpdateCheck::checkURLKey(), server.baseURL());
        check.setTimeoutMs(120000); // answers come; only what is never answered waits less
    }

    LocalHttpServer server;
    FirmwareUpdateCheck check{registry, defaults};
};

} // namespace

TEST_F(FirmwareUpdateCheckTest, EveryKindOfResponseAndWhatTheUserIsTold)
{
    const QByteArray offer = SRecordTestImages::image(2, "1.3").toLatin1();
    const QString https = server.baseURL().replace("http:", "https:"), big = "the answer is larger than 4 MiB";
    const QString local = QUrl::fromLocalFile(dir.filePath("defaults.json")).toString();
    const struct {
        int status;
        QByteArray body;
        Kind kind;
        QString reason; // of no answer: its beginning
        QString url = {}; // instead of the configured address
        bool declareLength = true;
    } cases[] = {
        {200, "NULL\r\n", Kind::UpToDate, ""},
        {200, offer, Kind::Offer, ""},
        {404, "NULL", Kind::NoAnswer, "the server answered 404 Not Found"},
        {302, offer, Kind::NoAnswer, "the server answered 302"}, // a redirect without a target
        {200, QByteArray(5 << 20, 'A'), Kind::NoAnswer, big},
        // The size limit, not the content, decides, also without a declared length.
        {200, "9.9\n" + QByteArray(5 << 20, 'S'), Kind::NoAnswer, big, {}, false},
        {200, "NULL", Kind::NoAnswer, "the server could not be reached", "http://127.0.0.1:1/firmware/check.php"},
        // An https address answered without TLS: a handshake that never ends is no answer.
        {200, "NULL", Kind::NoAnswer, "no answer within 1 s", https},
        {200, "NULL", Kind::NoAnswer, "not a usable check address", local}, // never read
    };
    for (const auto &c : cases) {
        server.respond(c.status, c.body, c.declareLength);
        check.setCheckURLOverride(c.url);
        check.setTimeoutMs(c.url == https ? 1000 : 120000);
        const FirmwareCheckAnswer answer = check.checkAndWait();
        EXPECT_EQ(answer.kind(), c.kind) << c.body.left(20).toStdString();
        EXPECT_EQ(answer.reason().left(c.reason.size()), c.reason);
        EXPECT_EQ(answer.text(), c.kind == Kind::NoAnswer ? QString() : QString::fromLatin1(c.body)); // all of it
        EXPECT_EQ(answer.installedVersion(), "1.2");
    }
    // The values go in as they are, in order, unescaped.
    EXPECT_EQ(server.targets().first(), QByteArrayLiteral("/firmware/check.php?av=") + TARVEX_VERSION + "&fw=1.2&swid=3");
    EXPECT_EQ(FirmwareUpdateCheck::queryURL("b", "a v", "-1.-128", -1), "b?av=a v&fw=-1.-128&swid=-1");
    check.setCheckURLOverride({});
    defaults.removeObjectForKey(FirmwareUpdateCheck::checkURLKey());
    EXPECT_EQ(check.checkURL(), "https://www.tarvex.example/firmware/check.php");
}

TEST_F(FirmwareUpdateCheckTest, SilentServerIsBoundedAndAnUnansweringOrBusySwitchIsNotAskedAbout)
{
    server.neverAnswer();
    check.setTimeoutMs(1000);
    int ticks = 0; // the program is not frozen meanwhile
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(0);
    EXPECT_EQ(check.checkAndWait().reason(), "no answer within 1 s");
    EXPECT_GT(ticks, 0);
    {
        LockHolder other("00001003", SwitchLock::Purpose::FirmwareTransfer);
        EXPECT_TRUE(check.checkAndWait().isSwitchBusy());
    }
    sw->setReadNeverAnswers(true);
    EXPECT_EQ(check.checkAndWait().kind(), Kind::NotConnected);
    defaults.setObjectForKey("Selected Switch", "00009999");
    sw->clearLog();
    EXPECT_EQ(check.checkAndWait().kind(), Kind::NotConnected);
    EXPECT_TRUE(sw->log().empty());
    EXPECT_EQ(server.targets().size(), 1);
}
