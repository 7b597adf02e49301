// The image split and the check that keeps a damaged download away from the switch.
#include "switch/SRecordImage.h"

#include "SRecordTestImages.h"

#include <gtest/gtest.h>

using namespace SRecordTestImages;

TEST(SRecordImage, VersionLineAloneIsAnEmptyValidImage)
{
    for (const QString &text : {QStringLiteral("1.3"), QString()}) {
        const SRecordImage image = SRecordImage::fromText(text);
        EXPECT_TRUE(image.lines().isEmpty());
        EXPECT_FALSE(image.validationError().has_value());
    }
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

TEST(SRecordImage, ImageCheck)
{
    const QString v = QStringLiteral("1.5\n");
    const QString nl = QStringLiteral("\n");
    QStringList damaged = image(5).split(QLatin1Char('\n'));
    damaged[4].chop(1); // line 5 of the text: the third data record loses a digit
    // Lower-case digits are still hexadecimal.
    const QString lower = dataRecord(0x20).toLower().replace(0, 1, QLatin1Char('S'));
    const struct {
        QString text;
        const char *error; // the start of the error, or null when the image passes
    } cases[] = {
        {image(20), nullptr},
        {image(20, QStringLiteral("1.5"), QStringLiteral("\r\n")), nullptr},
        {v + lower + nl + endRecord(), nullptr},
        {damaged.join(QLatin1Char('\n')), "line 5:"},
        // Data records must be followed by an end record ...
        {v + headerRecord() + nl + dataRecord(0), "no end record"},
        {v + endRecord() + nl + dataRecord(0), "no end record"},
        // ... but a header alone, or an end record alone, writes no data and is left to the switch.
        {v + headerRecord(), nullptr},
        {v + endRecord(), nullptr},
        // Lines that are skipped anyway are not judged.
        {QStringLiteral("1.5\nS5 not a record\nS8??\n\n  \nS3zz\nhello\n") + dataRecord(0) + nl + endRecord() + nl,
         nullptr},
    };
    for (const auto &c : cases) {
        const auto error = SRecordImage::fromText(c.text).validationError();
        EXPECT_EQ(error.has_value(), c.error != nullptr) << c.text.toStdString();
        if (error && c.error) {
            EXPECT_TRUE(error->startsWith(QLatin1String(c.error))) << error->toStdString();
        }
    }
}
