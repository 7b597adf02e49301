// Splitting and checking of firmware images; see SRecordImage.h.
#include "switch/SRecordImage.h"

#include <QStringList>

namespace {

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

QString hexByte(int value)
{
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

SRecordImage SRecordImage::fromText(const QString &text)
{
    SRecordImage image;
    const QStringList parts = text.split(QLatin1Char('\n'));
    image.mVersionLine = parts.value(0);
    image.mLines.reserve(parts.size() > 0 ? parts.size() - 1 : 0);
    for (qsizetype i = 1; i < parts.size(); ++i)
        image.mLines.append(Line{parts.at(i), kindOf(parts.at(i))});
    return image;
}

SRecordImage::Kind SRecordImage::kindOf(const QString &line)
{
    if (line.startsWith(QLatin1String("S0")))
        return Kind::Header;
    if (line.startsWith(QLatin1String("S1")))
        return Kind::Data;
    if (line.startsWith(QLatin1String("S9")))
        return Kind::End;
    return Kind::Skipped;
}

int SRecordImage::commandFor(Kind kind)
{
    switch (kind) {
    case Kind::Header:
        return kCommandHeader;
    case Kind::Data:
        return kCommandData;
    case Kind::End:
        return kCommandEnd;
    case Kind::Skipped:
        break;
    }
    return 0;
}

std::optional<QString> SRecordImage::recordError(const QString &line)
{
    QStringView body(line);
    if (body.endsWith(QLatin1Char('\r')))
        body.chop(1);
    // Behind "S" and the type digit come the hex pairs; the type digit is already known to
    // be 0, 1 or 9 for every line that is judged.
    const QStringView digits = body.mid(2);
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (hexValue(digits.at(i)) < 0)
            return QStringLiteral("character %1 is not a hexadecimal digit").arg(i + 3);
    }
    if (digits.size() % 2 != 0)
        return QStringLiteral("odd number of hexadecimal digits");
    const qsizetype byteCount = digits.size() / 2;
    // Count byte, two address bytes and the checksum at the very least.
    if (byteCount < 4)
        return QStringLiteral("too short for a record");
    auto byteAt = [&digits](qsizetype index) {
        return hexValue(digits.at(2 * index)) * 16 + hexValue(digits.at(2 * index + 1));
    };
    const int count = byteAt(0);
    if (count != byteCount - 1)
        return QStringLiteral("count byte says %1 bytes follow, the line has %2")
            .arg(count)
            .arg(byteCount - 1);
    int sum = 0;
    for (qsizetype i = 0; i < byteCount - 1; ++i)
        sum += byteAt(i);
    const int expected = ~sum & 0xFF;
    const int checksum = byteAt(byteCount - 1);
    if (checksum != expected)
        return QStringLiteral("checksum is %1, the record needs %2")
            .arg(hexByte(checksum), hexByte(expected));
    return std::nullopt;
}

std::optional<QString> SRecordImage::validationError() const
{
    qsizetype lastData = -1;
    qsizetype lastEnd = -1;
    for (qsizetype i = 0; i < mLines.size(); ++i) {
        const Line &line = mLines.at(i);
        if (line.kind == Kind::Skipped)
            continue;
        if (auto error = recordError(line.text))
            return QStringLiteral("line %1: %2").arg(i + 2).arg(*error);
        if (line.kind == Kind::Data)
            lastData = i;
        else if (line.kind == Kind::End)
            lastEnd = i;
    }
    // Without data the switch would be restarted into an empty image, and without the end
    // record into a half-written one: either way nothing it could run.
    if (lastData < 0)
        return QStringLiteral("no data record");
    if (lastEnd < lastData)
        return QStringLiteral("no end record after the last data record (line %1)")
            .arg(lastData + 2);
    return std::nullopt;
}

bool SRecordImage::hasDataRecords() const
{
    for (const Line &line : mLines) {
        if (line.kind == Kind::Data)
            return true;
    }
    return false;
}
