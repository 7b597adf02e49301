// How a firmware transfer ended, and the alert (if any) that tells the user: the outcome
// table of the switch's record statuses plus the endings the switch cannot report itself
// (no answer, an image it did not adopt, a damaged image, no switch attached, a transfer
// already running here or another program on the switch).
#pragma once

#include <QString>

class FirmwareOutcome
{
public:
    enum class Kind {
        Finished,        // every record accepted
        Refused,         // a record refused with a status that has an alert
        RefusedSilently, // a record refused with a status that has none
        NoAnswer,        // a report or the status read failed inside a record
        Unchanged,       // all accepted, yet after the restart the switch reports its old version
        Damaged,         // the image failed its check; nothing was sent
        NotConnected,    // no selected switch attached; nothing was sent
        Busy,            // a transfer was already running, here or in another program; nothing was sent
    };

    // Record status value standing for "the switch did not answer": outside the signed byte
    // range a switch can report, so it can never be mistaken for one.
    static constexpr int kNoAnswerStatus = 0x100;

    // The outcome for the status of the record that ended the loop (0 when all passed).
    static FirmwareOutcome forRecordStatus(int status);
    // Every record was accepted and another version was offered, but the switch still
    // reports `version`, the one it had before: it did not take the image.
    static FirmwareOutcome unchanged(const QString &version);
    static FirmwareOutcome damaged(const QString &detail);
    static FirmwareOutcome notConnected();
    // This program is already writing firmware (no alert: the running transfer has its own).
    static FirmwareOutcome busy();
    // Another program holds the switch (a SwitchLock busy status); with an alert.
    static FirmwareOutcome switchBusy(int status);

    Kind kind() const { return mKind; }
    int recordStatus() const { return mStatus; }
    bool succeeded() const { return mKind == Kind::Finished; }
    // Whether the user gets an alert, and which.
    bool hasAlert() const { return !mTitle.isEmpty(); }
    bool isInformational() const { return mInformational; }
    QString title() const { return mTitle; }
    QString text() const { return mText; }
    // What exactly was wrong with a damaged image (for logs and the command line).
    QString detail() const { return mDetail; }
    // Whether the restart reports reached the switch after the records (false only when the
    // interface stayed unusable; the outcome is then never a success).
    bool restartDelivered() const { return mRestartDelivered; }
    void setRestartDelivered(bool delivered) { mRestartDelivered = delivered; }

private:
    Kind mKind = Kind::Finished;
    int mStatus = 0;
    bool mInformational = false;
    bool mRestartDelivered = true;
    QString mTitle;
    QString mText;
    QString mDetail;
};
