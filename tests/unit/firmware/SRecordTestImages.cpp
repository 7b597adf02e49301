// Builders for test S-records; see SRecordTestImages.h.
#include "SRecordTestImages.h"

#include <QStringList>

namespace SRecordTestImages {

QString record(char type, int address, const QByteArray &data)
{
    QByteArray bytes = QByteArray(1, char(data.size() + 3)) + char(address >> 8) + char(address) + data;
    int sum = 0;
    for (char b : bytes)
        sum += static_cast<unsigned char>(b);
    return QStringLiteral("S") + QChar::fromLatin1(type) + QString::fromLatin1((bytes + char(~sum)).toHex().toUpper());
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
    return record('0', 0, "TARVEX");
}

QString endRecord()
{
    return record('9', 0, {});
}

QString image(int dataRecords, const QString &version, const QString &eol)
{
    QStringList lines{version, headerRecord()};
    for (int i = 0; i < dataRecords; ++i)
        lines << dataRecord(0x1000 + 16 * i);
    return (lines << endRecord()).join(eol) + eol;
}

} // namespace SRecordTestImages
