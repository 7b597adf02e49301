// The firmware window's behaviour: the update check behind its button with the check's
// alerts, the question whether to write an offered image, and the transfer shown in the
// window (progress bar, version field) with its outcome alert. The tray application makes
// it, with its window, when the user first opens the window; everything runs on the event
// loop.
#pragma once

#include "switch/FirmwareCheckAnswer.h"
#include "switch/FirmwareTransferObserver.h"

#include <QObject>

#include <memory>

class DefaultsStore;
class FirmwareTransfer;
class FirmwareUpdateCheck;
class IOWarriorController;
class QAbstractButton;
class QLabel;
class QProgressBar;
class QWidget;

namespace Ui {
class FirmwareWindow;
}

class FirmwareWindowController : public QObject, public FirmwareTransferObserver
{
    Q_OBJECT
public:
    // The widgets are the window's outlets (not owned); `checkButton` may be null.
    FirmwareWindowController(IOWarriorController &registry, DefaultsStore &defaults,
                             QLabel *version, QProgressBar *progress,
                             QAbstractButton *checkButton, QObject *parent = nullptr);
    // Builds the firmware window and drives its widgets.
    FirmwareWindowController(IOWarriorController &registry, DefaultsStore &defaults,
                             QObject *parent = nullptr);
    ~FirmwareWindowController() override;

    // The window this controller built, or null when it was given outlets.
    QWidget *window() const { return mWindow.get(); }
    QLabel *versionField() const { return mVersion; }

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

    // Declared first so that it goes last: the members below point into it.
    std::unique_ptr<QWidget> mWindow;
    std::unique_ptr<Ui::FirmwareWindow> mUi;
    FirmwareUpdateCheck *mCheck;
    FirmwareTransfer *mTransfer;
    QLabel *mVersion;
    QProgressBar *mProgress;
    QAbstractButton *mCheckButton;
    bool mBusy = false;
};
