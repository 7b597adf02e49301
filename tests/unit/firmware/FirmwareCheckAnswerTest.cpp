// Deciding the check server's answer: up to date, an offer, or no answer at all.
#include "switch/FirmwareCheckAnswer.h"

#include <gtest/gtest.h>

using Kind = FirmwareCheckAnswer::Kind;

TEST(FirmwareCheckAnswer, FirstLineDecides)
{
    const struct {
        QByteArray body;
        Kind kind;
        const char *offered;
    } cases[] = {
        {"NULL\n", Kind::UpToDate, ""},
        {"NULLified\nS1...", Kind::UpToDate, ""}, // a first line beginning with NULL
        {"null", Kind::Offer, "null"},           // the test is exact
        {"2.0 beta", Kind::Offer, "2.0 beta"},
        {"Version 1.6 \xc3\xa4", Kind::Offer, "Version 1.6 \xc3\xa4"},
        {"", Kind::NoAnswer, ""},
        {"\n", Kind::NoAnswer, ""},
        {"\r\nS1...", Kind::NoAnswer, ""},
        {"   \n1.3", Kind::NoAnswer, ""},
        {QByteArray("1.3\0\nS1", 7), Kind::NoAnswer, ""},
        {"1.\xc3", Kind::NoAnswer, ""},                 // cut-off UTF-8
        {"\x1b[2J1.3\nS9030000FC", Kind::NoAnswer, ""}, // terminal control sequence in the version
    };
    for (const auto &c : cases) {
        const auto answer = FirmwareCheckAnswer::fromBody(c.body);
        EXPECT_EQ(answer.kind(), c.kind) << c.body.toHex().toStdString();
        if (c.kind == Kind::Offer) {
            EXPECT_EQ(answer.offeredVersion(), QString::fromUtf8(c.offered));
        }
        EXPECT_EQ(answer.reason().isEmpty(), c.kind != Kind::NoAnswer);
        EXPECT_EQ(answer.text().isEmpty(), c.kind == Kind::NoAnswer);
    }
}

TEST(FirmwareCheckAnswer, OfferKeepsTheWholeTextForTheTransfer)
{
    const QByteArray body("1.3\r\nS00600005441524B\r\nS9030000FC\r\n");
    const auto answer = FirmwareCheckAnswer::fromBody(body);
    ASSERT_EQ(answer.kind(), Kind::Offer);
    EXPECT_EQ(answer.text(), QString::fromLatin1(body));
    EXPECT_EQ(answer.firstLine(), QStringLiteral("1.3\r"));
    EXPECT_EQ(answer.offeredVersion(), QStringLiteral("1.3"));
}
