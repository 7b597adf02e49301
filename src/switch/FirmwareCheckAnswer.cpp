// Deciding the firmware-check answer; see FirmwareCheckAnswer.h.
#include "switch/FirmwareCheckAnswer.h"

#include "switch/SRecordImage.h"
#include "switch/SwitchLock.h"

#include <QCoreApplication>
#include <QStringDecoder>

FirmwareCheckAnswer FirmwareCheckAnswer::noAnswer(const QString &reason, const QString &detail)
{
    FirmwareCheckAnswer answer;
    answer.mKind = Kind::NoAnswer;
    answer.mReason = reason;
    answer.mDetail = detail;
    return answer;
}

FirmwareCheckAnswer FirmwareCheckAnswer::notConnected()
{
    FirmwareCheckAnswer answer;
    answer.mKind = Kind::NotConnected;
    answer.mReason = QCoreApplication::translate("Translation", "Not connected");
    return answer;
}

FirmwareCheckAnswer FirmwareCheckAnswer::switchBusy(int status)
{
    FirmwareCheckAnswer answer = noAnswer(SwitchLock::busyText(status));
    answer.mSwitchBusy = true;
    return answer;
}

FirmwareCheckAnswer FirmwareCheckAnswer::fromBody(const QByteArray &body)
{
    const auto holdsNothing = [](const QString &detail) {
        return noAnswer(QCoreApplication::translate("Translation", "the answer holds no firmware"), detail);
    };
    if (body.isEmpty())
        return holdsNothing(QStringLiteral("empty answer"));
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decode(body);
    if (decode.hasError() || body.contains('\0'))
        return noAnswer(QCoreApplication::translate("Translation", "the answer is not text"));

    const qsizetype end = text.indexOf(QLatin1Char('\n'));
    const QString first = end < 0 ? text : text.left(end);
    if (first.startsWith(QLatin1String("NULL"))) {
        FirmwareCheckAnswer answer;
        answer.mKind = Kind::UpToDate;
        answer.mText = std::move(text);
        answer.mFirstLine = first;
        return answer;
    }
    QStringView version(first);
    if (version.endsWith(QLatin1Char('\r')))
        version.chop(1);
    for (QChar c : version) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return noAnswer(QCoreApplication::translate("Translation", "the answer names no readable version"));
    }
    const SRecordImage image = SRecordImage::fromText(text);
    if (const auto error = image.validationError()) {
        if (!image.hasDataRecords())
            return holdsNothing(*error);
        return noAnswer(QCoreApplication::translate("Translation", "the firmware in the answer is damaged"),
                        *error);
    }
    FirmwareCheckAnswer answer;
    answer.mKind = Kind::Offer;
    answer.mText = std::move(text);
    answer.mFirstLine = first;
    return answer;
}

QString FirmwareCheckAnswer::offeredVersion() const
{
    QString version = mFirstLine;
    if (version.endsWith(QLatin1Char('\r')))
        version.chop(1);
    return version;
}
