// Well-formed S-records and images for the firmware tests, built with correct checksums.
#pragma once

#include <QString>

namespace SRecordTestImages {

// "S<type>" + count + 16-bit address + data + checksum.
QString record(char type, int address, const QByteArray &data);
QString dataRecord(int address); // 16 bytes of data: 42 characters
QString headerRecord();
QString endRecord();
// The version line, a header, `dataRecords` data records of 16 bytes, the end record; lines
// joined with `eol`, the text ending in `eol`.
QString image(int dataRecords, const QString &version = QStringLiteral("1.5"), const QString &eol = QStringLiteral("\n"));

} // namespace SRecordTestImages
