// The firmware-check server's answer, decided: no answer, up to date, or an offer whose
// whole text is the image for the transfer. Also the outcomes the check itself can reach
// before any answer (no switch to ask about, a switch another program holds). Pure text
// handling, shared by both programs.
#pragma once

#include <QByteArray>
#include <QString>

class FirmwareCheckAnswer
{
public:
    enum class Kind {
        NotConnected, // no selected switch attached, or it did not answer: nothing was asked
        NoAnswer,     // nothing to offer: failed fetch, time-out, oversize, non-200, no firmware
        UpToDate,     // line 0 begins with "NULL"
        Offer,        // line 0 is the offered version, the rest a complete valid image
    };

    // Splits a response body. Only an answer that holds firmware is an offer: line 0 followed
    // by well-formed records, at least one data record and the end record after it. Anything
    // else (a login page of a hotel network, a version line alone, a damaged image, bytes
    // that are not UTF-8 text, a line 0 with control characters) is no answer: it must never
    // reach the switch. Line 0 may be blank in an offer; it only names the version.
    static FirmwareCheckAnswer fromBody(const QByteArray &body);
    // `reason` is the user's text (translated), `detail` what a log or a developer needs.
    static FirmwareCheckAnswer noAnswer(const QString &reason, const QString &detail = QString());
    static FirmwareCheckAnswer notConnected();
    // The switch's status exchange failed because another program holds it (SwitchLock).
    static FirmwareCheckAnswer switchBusy(int status);

    Kind kind() const { return mKind; }
    // The whole answer, version line included, as the transfer takes it.
    const QString &text() const { return mText; }
    // Line 0 as received (a trailing carriage return kept), the alert's format argument.
    const QString &firstLine() const { return mFirstLine; }
    // Line 0 without the line-end carriage return, for showing.
    QString offeredVersion() const;
    // Why there is nothing to offer, in the user's words ("the server answered 404 Not
    // Found", "no answer within 15 s", "the answer holds no firmware").
    const QString &reason() const { return mReason; }
    const QString &detail() const { return mDetail; }
    bool isSwitchBusy() const { return mSwitchBusy; }

    // The version the switch reported when it was asked (empty when it was not).
    const QString &installedVersion() const { return mInstalled; }
    void setInstalledVersion(const QString &version) { mInstalled = version; }

private:
    Kind mKind = Kind::NoAnswer;
    QString mText;
    QString mFirstLine;
    QString mReason;
    QString mDetail;
    QString mInstalled;
    bool mSwitchBusy = false;
};
