// Builders for test S-records; see SRecordTestImages.h.
#include "SRecordTestImages.h"

namespace SRecordTestImages {

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

QString dataRecord(int address)
{
    QByteArray data;
    for (int i = 0; i < 16; ++i)
        data.append(char((address + i * 7) & 0xFF));
    return record('1', address, data);
}

QString headerRecord()
{
    return record('0', 0, QByteArrayLiteral("TARVEX"));
}

QString endRecord()
{
    return record('9', 0, QByteArray());
}

QString image(int dataRecords, const QString &version, const QString &eol)
{
    QStringList lines{version, headerRecord()};
    for (int i = 0; i < dataRecords; ++i)
        lines << dataRecord(0x1000 + 16 * i);
    lines << endRecord();
    return lines.join(eol) + eol;
}

} // namespace SRecordTestImages
