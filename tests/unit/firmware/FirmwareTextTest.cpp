// The texts around a transfer: the check server's answer decided (only firmware is an offer),
// and the S-record check that keeps a damaged image off the switch.
#include "SRecordTestImages.h"
#include "switch/FirmwareCheckAnswer.h"
#include "switch/SRecordImage.h"

#include <gtest/gtest.h>

using namespace SRecordTestImages;
using Kind = FirmwareCheckAnswer::Kind;

TEST(FirmwareCheckAnswer, OnlyAnAnswerThatHoldsFirmwareIsAnOffer)
{
    const QByteArray records = (headerRecord() + "\r\n" + dataRecord(0) + "\r\n" + endRecord() + "\r\n").toLatin1();
    const QByteArray noFirmware = "the answer holds no firmware";
    const struct {
        QByteArray body;
        Kind kind;
        QByteArray versionOrReason;
    } cases[] = {
        {"NULL\n", Kind::UpToDate, ""},
        {"NULLified\nS1...", Kind::UpToDate, ""}, // a first line beginning with NULL
        {"1.3\r\n" + records, Kind::Offer, "1.3"},
        {"Version 1.6 \xc3\xa4\n" + records, Kind::Offer, "Version 1.6 \xc3\xa4"},
        {"\n" + records, Kind::Offer, ""}, // a blank version line names nothing, the image counts
        {"null", Kind::NoAnswer, noFirmware}, // the NULL test is exact; a version alone is no offer
        {"1.5\n" + headerRecord().toLatin1() + "\n" + endRecord().toLatin1(), Kind::NoAnswer, noFirmware},
        {"<!DOCTYPE html>\n<html><body>Log in to the hotel network</body></html>\n", Kind::NoAnswer, noFirmware},
        {"", Kind::NoAnswer, noFirmware},
        {"1.3\n" + records.left(records.size() - 4), Kind::NoAnswer, "the firmware in the answer is damaged"},
        {QByteArray("1.3\0\n", 5) + records, Kind::NoAnswer, "the answer is not text"},
        {"1.\xc3", Kind::NoAnswer, "the answer is not text"}, // cut-off UTF-8
        {"\x1b[2J1.3\n" + records, Kind::NoAnswer, "the answer names no readable version"},
    };
    for (const auto &c : cases) {
        const auto answer = FirmwareCheckAnswer::fromBody(c.body);
        EXPECT_EQ(answer.kind(), c.kind) << c.body.toStdString();
        if (c.kind == Kind::Offer) {
            EXPECT_EQ(answer.offeredVersion(), QString::fromUtf8(c.versionOrReason));
            EXPECT_EQ(answer.text(), QString::fromUtf8(c.body)); // the whole answer, for the transfer
        }
        EXPECT_EQ(answer.reason(), c.kind == Kind::NoAnswer ? QString::fromUtf8(c.versionOrReason) : QString());
        EXPECT_EQ(answer.text().isEmpty(), c.kind == Kind::NoAnswer);
    }
}

TEST(SRecordImage, RecordErrorsNameTheirFault)
{
    const QString good = dataRecord(0x1234);
    QString badSum = good, notHex = good;
    badSum[40] = badSum[40] == QLatin1Char('0') ? QLatin1Char('1') : QLatin1Char('0');
    notHex[10] = QLatin1Char('G');
    const std::pair<QString, const char *> cases[] = {
        {badSum, "checksum"}, {notHex, "not a hexadecimal digit"}, {"S114" + good.mid(4), "count byte"},
        {good.left(good.size() - 4) + good.right(2), "count byte"}, {good.left(good.size() - 1), "odd number"},
        {good + "\r\r", "not a hexadecimal digit"}, {good + " ", "not a hexadecimal digit"}, {"S102FFFE", "too short"},
        {QStringLiteral("S1") + QChar(0x0663) + "3", "not a hexadecimal digit"},
    };
    for (const auto &[line, why] : cases)
        EXPECT_TRUE(SRecordImage::recordError(line).value_or("").contains(QLatin1String(why))) << line.toStdString();
    EXPECT_FALSE(SRecordImage::recordError(good + "\r").has_value());
    EXPECT_FALSE(SRecordImage::recordError(good.toLower().replace(0, 1, "S")).has_value());
    // Lines that are not sent are not judged.
    EXPECT_FALSE(SRecordImage::fromText("1.5\nS5 x\n\nhello\n" + image(2).mid(4)).validationError());
    EXPECT_TRUE(SRecordImage::fromText("1.5\n" + endRecord() + "\n" + dataRecord(0))
                    .validationError()
                    .value_or("")
                    .startsWith("no end record"));
}
