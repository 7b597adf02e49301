// Well-formed S-records and images for the firmware tests, built with correct checksums.
#pragma once

#include <QStringList>

namespace SRecordTestImages {

// "S<type>" + count + 16-bit address + data + checksum.
inline QString record(char type, int address, const QByteArray &data)
{
    QByteArray bytes = QByteArray(1, char(data.size() + 3)) + char(address >> 8) + char(address) + data;
    int sum = 0;
    for (char b : bytes)
        sum += static_cast<unsigned char>(b);
    return QStringLiteral("S") + QChar::fromLatin1(type) + QString::fromLatin1((bytes + char(~sum)).toHex().toUpper());
}

// 16 bytes of data: 42 characters.
inline QString dataRecord(int address)
{
    QByteArray data;
    for (int i = 0; i < 16; ++i)
        data.append(char((address + i * 7) & 0xFF));
    return record('1', address, data);
}

inline QString headerRecord() { return record('0', 0, "TARVEX"); }
inline QString endRecord() { return record('9', 0, {}); }

// The version line, a header, `dataRecords` data records of 16 bytes, the end record; lines
// joined with `eol`, the text ending in `eol`.
inline QString image(int dataRecords, const QString &version = QStringLiteral("1.5"), const QString &eol = QStringLiteral("\n"))
{
    QStringList lines{version, headerRecord()};
    for (int i = 0; i < dataRecords; ++i)
        lines << dataRecord(0x1000 + 16 * i);
    return (lines << endRecord()).join(eol) + eol;
}

} // namespace SRecordTestImages
