// The firmware window's behaviour; see FirmwareWindowController.h.
#include "FirmwareWindowController.h"

#include "AlertPresenter.h"
#include "switch/FirmwareTransfer.h"
#include "switch/net/FirmwareUpdateCheck.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QLoggingCategory>
#include <QProgressBar>

namespace {

Q_LOGGING_CATEGORY(lcFirmware, "tarvex.firmware")

const QString kAlertTitle = QStringLiteral("Tarvex CC");

QString tx(const char *key)
{
    return QCoreApplication::translate("Translation", key);
}

} // namespace

FirmwareWindowController::FirmwareWindowController(IOWarriorController &registry,
                                                   DefaultsStore &defaults, QLabel *version,
                                                   QProgressBar *progress,
                                                   QAbstractButton *checkButton, QObject *parent)
    : QObject(parent)
    , mCheck(new FirmwareUpdateCheck(registry, defaults, this))
    , mTransfer(new FirmwareTransfer(registry, defaults, this))
    , mVersion(version)
    , mProgress(progress)
    , mCheckButton(checkButton)
{
    mTransfer->setObserver(this);
    connect(mCheck, &FirmwareUpdateCheck::finished, this, &FirmwareWindowController::onCheckFinished);
    connect(mTransfer, &FirmwareTransfer::finished, this, [this] {
        setBusy(false);
        emit selectFileFinished();
    });
}

FirmwareWindowController::~FirmwareWindowController()
{
    mTransfer->setObserver(nullptr);
}

bool FirmwareWindowController::isBusy() const
{
    return mBusy;
}

void FirmwareWindowController::setBusy(bool busy)
{
    mBusy = busy;
    // One check at a time: a second click while the first waits for the server (or while
    // the switch is being written) would only stack alerts.
    if (mCheckButton)
        mCheckButton->setEnabled(!busy);
}

void FirmwareWindowController::selectFile()
{
    if (mBusy)
        return;
    setBusy(true);
    if (!mCheck->selectFile())
        setBusy(false);
}

void FirmwareWindowController::onCheckFinished(const FirmwareCheckAnswer &answer)
{
    AlertPresenter &alerts = AlertPresenter::current();
    switch (answer.kind()) {
    case FirmwareCheckAnswer::Kind::NotConnected:
        alerts.runAlert(kAlertTitle, tx("Not connected"), QStringLiteral("OK"), QString());
        break;
    case FirmwareCheckAnswer::Kind::NoAnswer:
        qCWarning(lcFirmware) << "firmware check:" << answer.reason();
        alerts.runAlert(kAlertTitle, QStringLiteral("Couldn't open Firmware file!"),
                        QStringLiteral("OK"), QString());
        break;
    case FirmwareCheckAnswer::Kind::UpToDate:
        qCInfo(lcFirmware) << answer.firstLine();
        alerts.runAlert(kAlertTitle, tx("Firmware is up-to-date"), QStringLiteral("OK"), QString());
        break;
    case FirmwareCheckAnswer::Kind::Offer: {
        qCInfo(lcFirmware) << answer.firstLine();
        // A translation may show the offered version where it says %@ (without the line's
        // carriage return, which has no place in a dialog).
        QString message = tx("New Firmware available");
        message.replace(QLatin1String("%@"), answer.offeredVersion());
        if (alerts.runAlert(kAlertTitle, message, tx("Yes"), tx("No")) == 1) {
            // Busy until the transfer's finished(), which also ends a refusal before the
            // first report (switch gone meanwhile, damaged image).
            mTransfer->upgrade(answer.text());
            return;
        }
        break;
    }
    }
    setBusy(false);
    emit selectFileFinished();
}

void FirmwareWindowController::setProgressMaximum(int maximum)
{
    if (mProgress)
        mProgress->setMaximum(maximum);
}

void FirmwareWindowController::setProgressValue(int value)
{
    if (mProgress)
        mProgress->setValue(value);
}

void FirmwareWindowController::showFirmwareVersion(const QString &version)
{
    if (mVersion)
        mVersion->setText(version);
}

void FirmwareWindowController::showOutcome(const FirmwareOutcome &outcome)
{
    // The switch's error numbers and every OK are shown untranslated; the outcome already
    // carries the translated texts where there are any.
    AlertPresenter::current().runAlert(outcome.title(), outcome.text(), QStringLiteral("OK"), QString());
}
