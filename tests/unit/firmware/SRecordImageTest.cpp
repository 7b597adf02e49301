// The image split and the check that keeps a damaged download away from the switch.
#include "switch/SRecordImage.h"

#include "SRecordTestImages.h"

#include <gtest/gtest.h>

using Kind = SRecordImage::Kind;
using namespace SRecordTestImages;

TEST(SRecordImage, SplitsAtLineFeedsAndKeepsEveryComponentAfterTheVersionLine)
{
    const QString text = QStringLiteral("1.5\nS0x\nS1x\r\nS5x\nS8x\n\nS9x\nS2x\nS3x\nS7x\ns1x\n");
    const SRecordImage image = SRecordImage::fromText(text);
    EXPECT_EQ(image.versionLine(), QStringLiteral("1.5"));
    const QList<Kind> expected{Kind::Header,  Kind::Data,    Kind::Skipped, Kind::Skipped,
                               Kind::Skipped, Kind::End,     Kind::Skipped, Kind::Skipped,
                               Kind::Skipped, Kind::Skipped, Kind::Skipped};
    ASSERT_EQ(image.lines().size(), expected.size()); // the final empty component counts
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_EQ(image.lines().at(i).kind, expected.at(i)) << i;
    EXPECT_EQ(image.lines().at(1).text, QStringLiteral("S1x\r")); // sent whole, CR included
    EXPECT_EQ(SRecordImage::commandFor(Kind::Header), 0xF0);
    EXPECT_EQ(SRecordImage::commandFor(Kind::Data), 0xF1);
    EXPECT_EQ(SRecordImage::commandFor(Kind::End), 0xF2);
    EXPECT_EQ(SRecordImage::commandFor(Kind::Skipped), 0);
}

TEST(SRecordImage, VersionLineAloneIsAnEmptyValidImage)
{
    for (const QString &text : {QStringLiteral("1.3"), QString()}) {
        const SRecordImage image = SRecordImage::fromText(text);
        EXPECT_TRUE(image.lines().isEmpty());
        EXPECT_FALSE(image.validationError().has_value());
    }
}

TEST(SRecordImage, WellFormedImagesPassInLfAndCrLfForm)
{
    EXPECT_FALSE(SRecordImage::fromText(image(20)).validationError().has_value());
    EXPECT_FALSE(SRecordImage::fromText(image(20, QStringLiteral("1.5"), QStringLiteral("\r\n")))
                     .validationError()
                     .has_value());
    // Lower-case digits are still hexadecimal.
    const QString lower = QStringLiteral("v\n") + dataRecord(0x20).toLower().replace(0, 1, QLatin1Char('S'))
        + QStringLiteral("\n") + endRecord();
    EXPECT_FALSE(SRecordImage::fromText(lower).validationError().has_value()) << lower.toStdString();
}

TEST(SRecordImage, RecordErrorsNameTheirFault)
{
    const QString good = dataRecord(0x1234); // S113 1234 ... CS
    ASSERT_FALSE(SRecordImage::recordError(good).has_value());

    QString badSum = good;
    badSum[40] = badSum[40] == QLatin1Char('0') ? QLatin1Char('1') : QLatin1Char('0');
    QString notHex = good;
    notHex[10] = QLatin1Char('G');
    const QString countTooBig = QStringLiteral("S114") + good.mid(4);
    const QString missingByte = good.left(good.size() - 4) + good.right(2);
    const struct {
        QString line;
        const char *why;
    } cases[] = {
        {badSum, "checksum"},
        {notHex, "not a hexadecimal digit"},
        {countTooBig, "count byte"},
        {missingByte, "count byte"},
        {good.left(good.size() - 1), "odd number"},
        {good + QStringLiteral("\r\r"), "not a hexadecimal digit"},
        {good.left(10) + QStringLiteral("\r") + good.mid(10), "not a hexadecimal digit"},
        {good + QStringLiteral(" "), "not a hexadecimal digit"},
        {QStringLiteral("S102FFFE"), "too short"},
        {QStringLiteral("S1"), "too short"},
        {QStringLiteral("S1") + QChar(0x0663) + QStringLiteral("3"), "not a hexadecimal digit"},
    };
    for (const auto &c : cases) {
        const auto error = SRecordImage::recordError(c.line);
        ASSERT_TRUE(error.has_value()) << c.line.toStdString();
        EXPECT_TRUE(error->contains(QLatin1String(c.why))) << error->toStdString();
    }
    EXPECT_FALSE(SRecordImage::recordError(good + QStringLiteral("\r")).has_value());
}

TEST(SRecordImage, DamagedImageIsReportedWithItsLineNumber)
{
    QStringList lines = image(5).split(QLatin1Char('\n'));
    lines[4].chop(1); // line 5 of the text: the third data record loses a digit
    const auto error = SRecordImage::fromText(lines.join(QLatin1Char('\n'))).validationError();
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->startsWith(QLatin1String("line 5:"))) << error->toStdString();
}

TEST(SRecordImage, DataRecordsMustBeFollowedByAnEndRecord)
{
    const QString v = QStringLiteral("1.5\n");
    EXPECT_TRUE(SRecordImage::fromText(v + headerRecord() + QStringLiteral("\n") + dataRecord(0))
                    .validationError()
                    .has_value());
    EXPECT_TRUE(SRecordImage::fromText(v + endRecord() + QStringLiteral("\n") + dataRecord(0))
                    .validationError()
                    .has_value());
    // A header alone, or an end record alone, writes no data and is left to the switch.
    EXPECT_FALSE(SRecordImage::fromText(v + headerRecord()).validationError().has_value());
    EXPECT_FALSE(SRecordImage::fromText(v + endRecord()).validationError().has_value());
}

TEST(SRecordImage, SkippedLinesAreNotJudged)
{
    const QString text = QStringLiteral("1.5\nS5 not a record\nS8??\n\n  \nS3zz\nhello\n") + dataRecord(0)
        + QStringLiteral("\n") + endRecord() + QStringLiteral("\n");
    EXPECT_FALSE(SRecordImage::fromText(text).validationError().has_value());
}
