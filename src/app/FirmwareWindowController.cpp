// The firmware window; see FirmwareWindowController.h.
#include "FirmwareWindowController.h"

#include "AppLog.h"
#include "ResourceImages.h"
#include "Translation.h"
#include "switch/DefaultsStore.h"
#include "switch/DeviceGate.h"
#include "switch/FirmwareTransfer.h"
#include "switch/SwitchProtocol.h"
#include "switch/net/FirmwareUpdateCheck.h"
#include "usb/IOWarriorController.h"

#include "ui_FirmwareWindow.h"

#include "WindowPlacement.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QStyle>
#include <QVersionNumber>

#include <algorithm>
#include <utility>

namespace {

QString idleText()
{
    return tx("Check the maker's server for a newer firmware.");
}

QString unplugWarning()
{
    return tx("Do not unplug the switch while it is written.");
}

} // namespace

FirmwareWindowController::FirmwareWindowController(IOWarriorController &registry,
                                                   DefaultsStore &defaults, QObject *parent)
    : QObject(parent)
    , mWindow(std::make_unique<QWidget>(nullptr, Qt::Window))
    , mUi(std::make_unique<Ui::FirmwareWindow>())
    , mRegistry(registry)
    , mDefaults(defaults)
    , mCheck(new FirmwareUpdateCheck(registry, defaults, this))
    , mTransfer(new FirmwareTransfer(registry, defaults, this))
{
    mUi->setupUi(mWindow.get());
    mWindow->setWindowIcon(resourceIcon(QStringLiteral("Status")));
    mWindow->installEventFilter(this);
    setStatusLine(idleText());
    mTransfer->setObserver(this);
    connect(mCheck, &FirmwareUpdateCheck::finished, this,
            &FirmwareWindowController::onCheckFinished);
    connect(mTransfer, &FirmwareTransfer::finished, this,
            &FirmwareWindowController::onTransferFinished);
    connect(mUi->mCheckBtn, &QPushButton::clicked, this, &FirmwareWindowController::selectFile);
    connect(mUi->mWriteBtn, &QPushButton::clicked, this, &FirmwareWindowController::writeOffered);
    connect(mUi->mCancelBtn, &QPushButton::clicked, this, &FirmwareWindowController::declineOffer);
    connect(mUi->mCloseBtn, &QPushButton::clicked, mWindow.get(), &QWidget::close);
}

FirmwareWindowController::~FirmwareWindowController()
{
    mTransfer->setObserver(nullptr);
}

QString FirmwareWindowController::switchLine() const
{
    return mUi->mVersion->text();
}

QString FirmwareWindowController::statusLine() const
{
    return mUi->mStatusLine->text();
}

QString FirmwareWindowController::switchName() const
{
    return QStringLiteral("%1 %2").arg(mModel, mSerial);
}

void FirmwareWindowController::setChosenSerial(const QString &serial)
{
    mChosen = serial;
    mCheck->setTargetSerial(serial);
    mTransfer->setTargetSerial(serial);
}

void FirmwareWindowController::showSelectedSwitch()
{
    mSerial = mChosen.isEmpty() ? mDefaults.stringForKey(QStringLiteral("Selected Switch")) : mChosen;
    mModel.clear();
    mVersion.clear();
    if (IOWarriorListNodeStruct *node = mRegistry.deviceWithSerial(mSerial)) {
        const auto id = SwitchProtocol::query(mRegistry, node, SwitchProtocol::QuerySwitchID);
        const auto version =
            SwitchProtocol::query(mRegistry, node, SwitchProtocol::QueryFirmwareVersion);
        // An unanswered query names no model, like an unknown identifier.
        mModel = GetSwitchName(id ? std::int32_t(SwitchProtocol::switchIDFromRecord(*id)) : 0);
        if (version)
            mVersion = SwitchProtocol::firmwareVersionFromRecord(*version);
    }
    updateSwitchLine();
}

void FirmwareWindowController::updateSwitchLine()
{
    if (mModel.isEmpty())
        mUi->mVersion->setText(tx("Not connected"));
    else if (mVersion.isEmpty())
        mUi->mVersion->setText(tx("%1 %2, firmware version unknown").arg(mModel, mSerial));
    else
        mUi->mVersion->setText(tx("%1 %2, firmware %3").arg(mModel, mSerial, mVersion));
}

void FirmwareWindowController::setStatusLine(const QString &text, bool failure)
{
    mUi->mStatusLine->setText(text);
    mFailure = failure;
    if (failure) {
        const int size = mWindow->style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
        mUi->mStatusIcon->setPixmap(mWindow->style()
                                        ->standardIcon(QStyle::SP_MessageBoxCritical)
                                        .pixmap(QSize(size, size), mWindow->devicePixelRatioF()));
    }
    mUi->mStatusIcon->setVisible(failure);
}

void FirmwareWindowController::setBusy(bool busy, bool writing)
{
    mBusy = busy;
    mWriting = writing;
    // One check at a time: a second click while the first waits for the server would only
    // stack alerts. While the switch is written the window stays open, so the user keeps
    // seeing the warning and the progress until the outcome.
    mUi->mCheckBtn->setEnabled(!busy);
    mUi->mCloseBtn->setEnabled(!writing);
}

bool FirmwareWindowController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == mWindow.get() && event->type() == QEvent::Close && mWriting) {
        event->ignore();
        return true;
    }
    // A stray Return or Escape while an image is offered declines it: writing firmware takes
    // a deliberate click (or the button's own mnemonic), never the key that ends a dialog.
    if (watched == mWindow.get() && isOffering() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            declineOffer();
            return true;
        }
    }
    if (watched == mWindow.get() && isOffering() && event->type() == QEvent::Close)
        declineOffer();
    return QObject::eventFilter(watched, event);
}

void FirmwareWindowController::selectFile()
{
    if (mBusy)
        return;
    // The check asks about the switch selected now: the question before writing must name
    // that one, also when another was picked while the window was open.
    if ((mChosen.isEmpty() ? mDefaults.stringForKey(QStringLiteral("Selected Switch")) : mChosen) != mSerial ||
        mModel.isEmpty())
        showSelectedSwitch();
    setBusy(true);
    setStatusLine(tx("Asking the maker's server…"));
    mUi->mProgress->setRange(0, 0); // busy while the server is asked; every outcome ends it
    if (!mCheck->selectFile())
        finish(idleText());
}

void FirmwareWindowController::finish(const QString &status, bool failure)
{
    // An outcome never leaves the bar busy or part-way: it rests at 0, out of sight.
    if (mUi->mProgress->maximum() == 0)
        mUi->mProgress->setRange(0, 100);
    mUi->mProgress->setValue(0);
    mUi->mProgress->hide();
    setStatusLine(status, failure);
    setBusy(false);
    // The window says how it ended; one the user closed while waiting shows it again.
    if (!mWindow->isVisible())
        centerAndShow(mWindow.get());
    emit selectFileFinished();
}

QString FirmwareWindowController::offerText(const QString &installed, const QString &offered,
                                            const QString &switchName)
{
    if (offered.isEmpty())
        return tx("New firmware is available for %1. Write it now?").arg(switchName)
            + QLatin1Char(' ') + unplugWarning();
    const QVersionNumber have = QVersionNumber::fromString(installed);
    const QVersionNumber get = QVersionNumber::fromString(offered);
    QString question;
    if (installed.isEmpty() || have.isNull() || get.isNull())
        question = tx("Firmware %1 is available for %2. Write it now?").arg(offered, switchName);
    else if (get == have)
        question = tx("%1 is already installed on %2: write it again?").arg(offered, switchName);
    else if (get < have)
        question = tx("%1 is older than the installed %2: write it to %3 anyway?")
                       .arg(offered, installed, switchName);
    else
        question = tx("Firmware %1 → %2 for %3. Write it now?").arg(installed, offered, switchName);
    return question + QLatin1Char(' ') + unplugWarning();
}

void FirmwareWindowController::writeOffered()
{
    if (!isOffering())
        return;
    const QString image = std::exchange(mOffered, QString());
    mUi->mWriteBtn->hide();
    mUi->mCancelBtn->hide();
    mUi->mCheckBtn->show();
    startTransfer(image);
}

void FirmwareWindowController::declineOffer()
{
    if (!isOffering())
        return;
    mOffered.clear();
    mUi->mWriteBtn->hide();
    mUi->mCancelBtn->hide();
    mUi->mCheckBtn->show();
    finish(tx("Nothing was written."));
}

void FirmwareWindowController::onCheckFinished(const FirmwareCheckAnswer &answer)
{
    mUi->mProgress->setRange(0, 100);
    mUi->mProgress->hide();
    // The check has just read the version afresh.
    if (!answer.installedVersion().isEmpty() && answer.installedVersion() != mVersion) {
        mVersion = answer.installedVersion();
        updateSwitchLine();
    }
    QString status;
    bool failure = true;
    switch (answer.kind()) {
    case FirmwareCheckAnswer::Kind::NotConnected:
        status = tx("Not connected");
        break;
    case FirmwareCheckAnswer::Kind::NoAnswer:
        qCWarning(tarvexApp).noquote() << "firmware check failed:" << answer.reason();
        status = tx("The firmware check failed: %1.").arg(answer.reason());
        break;
    case FirmwareCheckAnswer::Kind::UpToDate:
        status = tx("Firmware is up-to-date");
        failure = false;
        break;
    case FirmwareCheckAnswer::Kind::Offer:
        // The server's version line is shown as the plain text it is (the status line takes
        // no markup).
        mOffered = answer.text();
        setStatusLine(offerText(mVersion, answer.offeredVersion().trimmed(), switchName()));
        mUi->mCheckBtn->hide();
        mUi->mWriteBtn->show();
        mUi->mCancelBtn->show();
        mUi->mCancelBtn->setFocus();
        if (!mWindow->isVisible())
            centerAndShow(mWindow.get());
        return;
    }
    finish(status, failure);
}

void FirmwareWindowController::startTransfer(const QString &image)
{
    setBusy(true, true);
    mOutcomeShown = false;
    mUi->mProgress->show();
    setStatusLine(tx("Writing firmware — do not unplug the switch"));
    // Busy until the transfer's finished(), which also ends a refusal before the first
    // report (switch gone meanwhile, damaged image). A hot-plug refresh that began while the
    // question was open rebuilds the device list first.
    QPointer<FirmwareWindowController> self(this);
    DeviceGate::instance().runOrDefer([self, image] {
        if (self)
            self->mTransfer->upgrade(image);
    });
}

void FirmwareWindowController::onTransferFinished(const FirmwareOutcome &outcome)
{
    if (!mWriting)
        return; // a transfer this window did not start (tarvexctl's code path, tests)
    QString status = outcome.text();
    bool failure = !outcome.succeeded();
    if (outcome.kind() == FirmwareOutcome::Kind::Finished) {
        status = mVersion.isEmpty()
            ? tx("Firmware Upgrade finished")
            : tx("Firmware Upgrade finished: %1 runs firmware %2.").arg(switchName(), mVersion);
    } else if (outcome.kind() == FirmwareOutcome::Kind::NotConnected) {
        // The switch went away between the question and the first report.
        status = tx("Not connected");
    } else if (outcome.kind() == FirmwareOutcome::Kind::RefusedSilently) {
        // The switch's table has no alert for this status, but the window must not look as
        // if all went well.
        status = tx("Firmware Upgrade failed: the switch refused a record (status %1)")
                     .arg(outcome.recordStatus());
    } else if (!outcome.hasAlert()) {
        status = idleText();
        failure = false;
    } else if (outcome.title() != outcome.text()) {
        // "Firmware Upgrade Error 3": the number the maker's support asks for.
        status = outcome.title() + QStringLiteral(": ") + outcome.text();
    }
    finish(status, failure);
}

void FirmwareWindowController::setProgressMaximum(int maximum)
{
    // An image without records has nothing to count: a maximum of 0 would turn the bar into
    // a busy indicator that nothing ever stops.
    mUi->mProgress->setRange(0, std::max(maximum, 1));
}

void FirmwareWindowController::setProgressValue(int value)
{
    mUi->mProgress->setValue(value);
}

void FirmwareWindowController::showFirmwareVersion(const QString &version)
{
    mVersion = version;
    updateSwitchLine();
}

void FirmwareWindowController::showOutcome(const FirmwareOutcome &outcome)
{
    // The transfer tells its outcome here before it finishes; the window says it then, once.
    mOutcomeShown = true;
    setStatusLine(outcome.text(), !outcome.succeeded());
}
