// Fuzz harness: any bytes as a firmware-check answer, then, for an offer, its image check;
// also the bytes taken directly as an image. Beyond not crashing, the decisions must agree
// with each other: an image that passes has only well-formed records and ends its data with
// an end record, an offer is firmware that passes its check and its version is showable text.
#include "switch/FirmwareCheckAnswer.h"
#include "switch/SRecordImage.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void checkImage(const QString &text)
{
    const SRecordImage image = SRecordImage::fromText(text);
    require(image.lines().size() == text.count(QLatin1Char('\n')));
    const bool passed = !image.validationError().has_value();
    bool dataOpen = false; // a data record not yet followed by an end record
    for (const SRecordImage::Line &line : image.lines()) {
        require(line.kind == SRecordImage::kindOf(line.text));
        if (line.kind == SRecordImage::Kind::Skipped)
            continue;
        require(!passed || !SRecordImage::recordError(line.text).has_value());
        if (line.kind == SRecordImage::Kind::Data || line.kind == SRecordImage::Kind::End)
            dataOpen = line.kind == SRecordImage::Kind::Data;
    }
    require(!passed || !dataOpen);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray body = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const FirmwareCheckAnswer answer = FirmwareCheckAnswer::fromBody(body);
    if (answer.kind() == FirmwareCheckAnswer::Kind::Offer) {
        require(!SRecordImage::fromText(answer.text()).validationError()); // only firmware is offered
        for (QChar c : answer.offeredVersion()) // shown to the user as it stands
            require(c.category() != QChar::Other_Control);
        require(answer.text().startsWith(answer.firstLine()));
        checkImage(answer.text());
    } else if (answer.kind() == FirmwareCheckAnswer::Kind::NoAnswer) {
        require(answer.text().isEmpty() && !answer.reason().isEmpty());
    }
    require(answer.kind() != FirmwareCheckAnswer::Kind::NotConnected); // only the check itself decides that
    checkImage(QString::fromLatin1(body));
    return 0;
}
