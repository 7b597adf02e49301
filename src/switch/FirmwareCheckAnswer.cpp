// Deciding the firmware-check answer; see FirmwareCheckAnswer.h.
#include "switch/FirmwareCheckAnswer.h"

#include <QStringDecoder>

FirmwareCheckAnswer FirmwareCheckAnswer::noAnswer(const QString &reason)
{
    FirmwareCheckAnswer answer;
    answer.mKind = Kind::NoAnswer;
    answer.mReason = reason;
    return answer;
}

FirmwareCheckAnswer FirmwareCheckAnswer::notConnected()
{
    FirmwareCheckAnswer answer;
    answer.mKind = Kind::NotConnected;
    answer.mReason = QStringLiteral("no switch attached");
    return answer;
}

FirmwareCheckAnswer FirmwareCheckAnswer::fromBody(const QByteArray &body)
{
    if (body.isEmpty())
        return noAnswer(QStringLiteral("empty answer"));
    if (body.contains('\0'))
        return noAnswer(QStringLiteral("answer is not text"));
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decode(body);
    if (decode.hasError())
        return noAnswer(QStringLiteral("answer is not UTF-8 text"));

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
    if (version.trimmed().isEmpty())
        return noAnswer(QStringLiteral("answer names no version"));
    for (QChar c : version) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return noAnswer(QStringLiteral("answer's version line is not text"));
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
