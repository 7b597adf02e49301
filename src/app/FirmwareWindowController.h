// The firmware window: names the switch a check and a transfer go to, runs the update check
// behind its button, offers an image in the window itself ("1.4 → 1.5"; Return, Escape and
// closing the window decline, only "Write Firmware" writes), and shows the transfer (status
// line, a progress bar while it writes, the version read back) and how every check and
// transfer ended, failures in the error style. The window is the only place that says it:
// no box repeats it; a window closed meanwhile comes back. The tray application makes it
// when the user first opens the window; everything runs on the event loop.
#pragma once

#include "switch/FirmwareCheckAnswer.h"
#include "switch/FirmwareTransferObserver.h"

#include <QObject>
#include <QString>

#include <memory>

class DefaultsStore;
class FirmwareTransfer;
class FirmwareUpdateCheck;
class IOWarriorController;
class QWidget;

namespace Ui {
class FirmwareWindow;
}

class FirmwareWindowController : public QObject, public FirmwareTransferObserver
{
    Q_OBJECT
public:
    FirmwareWindowController(IOWarriorController &registry, DefaultsStore &defaults,
                             QObject *parent = nullptr);
    ~FirmwareWindowController() override;

    QWidget *window() const { return mWindow.get(); }
    // "Tarvex mini 00001002, firmware 1.4": the switch the next check and transfer go to.
    QString switchLine() const;
    // What is happening now, or what the last check or transfer came to.
    QString statusLine() const;

    // Asks the selected switch for its model and firmware version and names it in the window.
    void showSelectedSwitch();
    // The switch the user picked for this window while all switches switch together; empty:
    // the selected one.
    void setChosenSerial(const QString &serial);

    // Runs the update check for the selected switch; on an accepted offer, the transfer.
    // Ignored while a check, an offer or a transfer is under way.
    void selectFile();
    bool isBusy() const { return mBusy; }
    // An image waits for the user's answer.
    bool isOffering() const { return !mOffered.isEmpty(); }
    // The answers to the offer.
    void writeOffered();
    void declineOffer();
    // How the offered version compares with the installed one, in the offer's words.
    static QString offerText(const QString &installed, const QString &offered,
                             const QString &switchName);
    // Whether the status line tells of a failure (shown with the error icon).
    bool showsFailure() const { return mFailure; }

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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onCheckFinished(const FirmwareCheckAnswer &answer);
    void onTransferFinished(const FirmwareOutcome &outcome);
    void startTransfer(const QString &image);
    void finish(const QString &status, bool failure = false);
    void setBusy(bool busy, bool writing = false);
    void setStatusLine(const QString &text, bool failure = false);
    void updateSwitchLine();
    // "Tarvex mini 00001002"
    QString switchName() const;

    std::unique_ptr<QWidget> mWindow;
    std::unique_ptr<Ui::FirmwareWindow> mUi;
    IOWarriorController &mRegistry;
    DefaultsStore &mDefaults;
    FirmwareUpdateCheck *mCheck;
    FirmwareTransfer *mTransfer;
    QString mSerial, mModel, mVersion;
    QString mChosen;
    bool mBusy = false;
    bool mWriting = false;
    bool mOutcomeShown = false;
    bool mFailure = false;
    QString mOffered; // the offered image while it waits for an answer
};
