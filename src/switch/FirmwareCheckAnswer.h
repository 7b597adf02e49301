// The firmware-check server's answer, decided: no answer, up to date, or an offer whose
// whole text is the image for the transfer. Also the outcomes the check itself can reach
// before any answer (no switch to ask about). Pure text handling, shared by both programs.
#pragma once

#include <QByteArray>
#include <QString>

class FirmwareCheckAnswer
{
public:
    enum class Kind {
        NotConnected, // no selected switch attached: nothing was asked
        NoAnswer,     // failed fetch, time-out, oversize, non-200, empty or unreadable body
        UpToDate,     // line 0 begins with "NULL"
        Offer,        // line 0 is the offered version, the rest the image
    };

    // Splits a response body. Bodies that are not UTF-8 text, contain NUL bytes, or whose
    // line 0 is blank or carries control characters count as no answer: they are not
    // something a user can be asked to accept.
    static FirmwareCheckAnswer fromBody(const QByteArray &body);
    static FirmwareCheckAnswer noAnswer(const QString &reason);
    static FirmwareCheckAnswer notConnected();

    Kind kind() const { return mKind; }
    // The whole answer, version line included, as the transfer takes it.
    const QString &text() const { return mText; }
    // Line 0 as received (a trailing carriage return kept), the alert's format argument.
    const QString &firstLine() const { return mFirstLine; }
    // Line 0 without the line-end carriage return, for showing.
    QString offeredVersion() const;
    // Why there is no answer, for logs and the command line.
    const QString &reason() const { return mReason; }

private:
    Kind mKind = Kind::NoAnswer;
    QString mText;
    QString mFirstLine;
    QString mReason;
};
