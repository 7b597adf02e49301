// The firmware window's behaviour: the update check behind its button with the check's
// alerts, the question whether to write an offered image, and the transfer shown in the
// window (progress bar, version field) with its outcome alert. Keeps ApplicationController
// free of the firmware details; everything runs on the event loop.
#pragma once

#include "switch/FirmwareCheckAnswer.h"
#include "switch/FirmwareTransferObserver.h"

#include <QObject>

class DefaultsStore;
class FirmwareTransfer;
class FirmwareUpdateCheck;
class IOWarriorController;
class QAbstractButton;
class QLabel;
class QProgressBar;

class FirmwareWindowController : public QObject, public FirmwareTransferObserver
{
    Q_OBJECT
public:
    // The widgets are the window's outlets (not owned); `checkButton` may be null.
    FirmwareWindowController(IOWarriorController &registry, DefaultsStore &defaults,
                             QLabel *version, QProgressBar *progress,
                             QAbstractButton *checkButton, QObject *parent = nullptr);
    ~FirmwareWindowController() override;

    // Runs the update check for the selected switch; on an accepted offer, the transfer.
    // Ignored while a check or a transfer is under way.
    void selectFile();
    bool isBusy() const;

    FirmwareUpdateCheck &updateCheck() { return *mCheck; }
    FirmwareTransfer &transfer() { return *mTransfer; }

    // FirmwareTransferObserver
    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;
    void showFirmwareVersion(const QString &version) override;
    void showOutcome(const FirmwareOutcome &outcome) override;

signals:
    // A check and any transfer it led to are over.
    void selectFileFinished();

private:
    void onCheckFinished(const FirmwareCheckAnswer &answer);
    void setBusy(bool busy);

    FirmwareUpdateCheck *mCheck;
    FirmwareTransfer *mTransfer;
    QLabel *mVersion;
    QProgressBar *mProgress;
    QAbstractButton *mCheckButton;
    bool mBusy = false;
};
