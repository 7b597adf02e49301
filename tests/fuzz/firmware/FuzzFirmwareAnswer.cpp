// Fuzz harness: any bytes as a firmware-check answer, then, for an offer, its image check;
// also the bytes taken directly as an image. Beyond not crashing, the decisions must agree
// with each other: an image that passes has only well-formed records, an offer's version is
// showable text, and a damaged record is never passed.
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
    bool sawData = false;
    bool endAfterData = true;
    for (const SRecordImage::Line &line : image.lines()) {
        require(line.kind == SRecordImage::kindOf(line.text));
        if (line.kind == SRecordImage::Kind::Skipped)
            continue;
        const bool wellFormed = !SRecordImage::recordError(line.text).has_value();
        if (passed)
            require(wellFormed);
        if (line.kind == SRecordImage::Kind::Data) {
            sawData = true;
            endAfterData = false;
        } else if (line.kind == SRecordImage::Kind::End) {
            endAfterData = true;
        }
    }
    if (passed && sawData)
        require(endAfterData);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray body = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const FirmwareCheckAnswer answer = FirmwareCheckAnswer::fromBody(body);
    switch (answer.kind()) {
    case FirmwareCheckAnswer::Kind::Offer: {
        require(!SRecordImage::fromText(answer.text()).validationError()); // only firmware is offered
        for (QChar c : answer.offeredVersion())
            require(c.category() != QChar::Other_Control);
        require(answer.text().startsWith(answer.firstLine()));
        checkImage(answer.text());
        break;
    }
    case FirmwareCheckAnswer::Kind::UpToDate:
        require(answer.firstLine().startsWith(QLatin1String("NULL")));
        break;
    case FirmwareCheckAnswer::Kind::NoAnswer:
        require(answer.text().isEmpty() && !answer.reason().isEmpty());
        break;
    case FirmwareCheckAnswer::Kind::NotConnected:
        require(false); // only the check itself decides that
        break;
    }
    checkImage(QString::fromLatin1(body));
    return 0;
}
