// Deciding the check server's answer: up to date, an offer, or no answer at all.
#include "switch/FirmwareCheckAnswer.h"

#include <gtest/gtest.h>

using Kind = FirmwareCheckAnswer::Kind;

TEST(FirmwareCheckAnswer, NullFirstLineMeansUpToDate)
{
    for (const char *body : {"NULL", "NULL\r\n", "NULL\n", "NULLified\nS1...", "NULL\r"}) {
        const auto answer = FirmwareCheckAnswer::fromBody(QByteArray(body));
        EXPECT_EQ(answer.kind(), Kind::UpToDate) << body;
    }
}

TEST(FirmwareCheckAnswer, AnyOtherFirstLineOffersTheWholeText)
{
    const QByteArray body("1.3\r\nS00600005441524B\r\nS9030000FC\r\n");
    const auto answer = FirmwareCheckAnswer::fromBody(body);
    ASSERT_EQ(answer.kind(), Kind::Offer);
    EXPECT_EQ(answer.text(), QString::fromLatin1(body)); // handed to the transfer unchanged
    EXPECT_EQ(answer.firstLine(), QStringLiteral("1.3\r"));
    EXPECT_EQ(answer.offeredVersion(), QStringLiteral("1.3"));

    const auto oneLine = FirmwareCheckAnswer::fromBody("2.0 beta");
    ASSERT_EQ(oneLine.kind(), Kind::Offer);
    EXPECT_EQ(oneLine.offeredVersion(), QStringLiteral("2.0 beta"));
    EXPECT_EQ(FirmwareCheckAnswer::fromBody("null").kind(), Kind::Offer); // the test is exact
    EXPECT_EQ(FirmwareCheckAnswer::fromBody("Version 1.6 \xc3\xa4").kind(), Kind::Offer);
}

TEST(FirmwareCheckAnswer, UnusableBodiesAreNoAnswer)
{
    const QByteArray bodies[] = {
        QByteArray(),
        QByteArray("\n"),
        QByteArray("\r\nS1..."),
        QByteArray("   \n1.3"),
        QByteArray("1.3\0\nS1", 7),
        QByteArray("\xff\xfe\x00\x01garbage", 11),
        QByteArray("1.\xc3"),                  // cut-off UTF-8
        QByteArray("\x1b[2J1.3\nS9030000FC"), // terminal control sequence in the version
    };
    for (const QByteArray &body : bodies) {
        const auto answer = FirmwareCheckAnswer::fromBody(body);
        EXPECT_EQ(answer.kind(), Kind::NoAnswer) << body.toHex().toStdString();
        EXPECT_FALSE(answer.reason().isEmpty());
        EXPECT_TRUE(answer.text().isEmpty());
    }
}
