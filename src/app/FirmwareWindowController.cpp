// The firmware window's behaviour; see FirmwareWindowController.h.
#include "FirmwareWindowController.h"

#include "AlertPresenter.h"
#include "Translation.h"
#include "switch/DeviceGate.h"
#include "switch/FirmwareTransfer.h"
#include "switch/net/FirmwareUpdateCheck.h"

#include "ui_FirmwareWindow.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QIcon>
#include <QLabel>
#include <QLoggingCategory>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

namespace {

Q_LOGGING_CATEGORY(lcFirmware, "tarvex.firmware")

const QString kAlertTitle = QStringLiteral("Tarvex CC");

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

FirmwareWindowController::FirmwareWindowController(IOWarriorController &registry,
                                                   DefaultsStore &defaults, QObject *parent)
    : FirmwareWindowController(registry, defaults, nullptr, nullptr, nullptr, parent)
{
    mWindow = std::make_unique<QWidget>(nullptr, Qt::Window);
    mUi = std::make_unique<Ui::FirmwareWindow>();
    mUi->setupUi(mWindow.get());
    mWindow->setWindowIcon(QIcon(QStringLiteral(":/images/Status.png")));
    mVersion = mUi->mVersion;
    mProgress = mUi->mProgress;
    mCheckButton = mUi->mCheckBtn;
    connect(mUi->mCheckBtn, &QPushButton::clicked, this, &FirmwareWindowController::selectFile);
    connect(mUi->mCloseBtn, &QPushButton::clicked, mWindow.get(), &QWidget::close);
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
            // first report (switch gone meanwhile, damaged image). A hot-plug refresh that
            // began while the question was open rebuilds the device list first.
            QPointer<FirmwareWindowController> self(this);
            const QString image = answer.text();
            DeviceGate::instance().runOrDefer([self, image] {
                if (self)
                    self->mTransfer->upgrade(image);
            });
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
