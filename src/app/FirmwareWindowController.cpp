// The firmware window; see FirmwareWindowController.h.
#include "FirmwareWindowController.h"

#include "AlertPresenter.h"
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

#include <QEvent>
#include <QPointer>

#include <algorithm>

namespace {

QString idleText()
{
    return tx("Check the maker's server for a newer firmware.");
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

void FirmwareWindowController::showSelectedSwitch()
{
    mSerial = mDefaults.stringForKey(QStringLiteral("Selected Switch"));
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

void FirmwareWindowController::setStatusLine(const QString &text)
{
    mUi->mStatusLine->setText(text);
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
    return QObject::eventFilter(watched, event);
}

void FirmwareWindowController::selectFile()
{
    if (mBusy)
        return;
    // The check asks about the switch selected now: the question before writing must name
    // that one, also when another was picked while the window was open.
    if (mDefaults.stringForKey(QStringLiteral("Selected Switch")) != mSerial || mModel.isEmpty())
        showSelectedSwitch();
    setBusy(true);
    setStatusLine(tx("Asking the maker's server…"));
    mUi->mProgress->setRange(0, 0); // busy while the server is asked; every outcome ends it
    if (!mCheck->selectFile())
        finish(idleText());
}

void FirmwareWindowController::finish(const QString &status)
{
    // An outcome never leaves the bar busy or part-way: it rests at 0.
    if (mUi->mProgress->maximum() == 0)
        mUi->mProgress->setRange(0, 100);
    mUi->mProgress->setValue(0);
    setStatusLine(status);
    setBusy(false);
    emit selectFileFinished();
}

void FirmwareWindowController::onCheckFinished(const FirmwareCheckAnswer &answer)
{
    mUi->mProgress->setRange(0, 100);
    // The check has just read the version afresh.
    if (!answer.installedVersion().isEmpty() && answer.installedVersion() != mVersion) {
        mVersion = answer.installedVersion();
        updateSwitchLine();
    }
    QString status;
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
        break;
    case FirmwareCheckAnswer::Kind::Offer: {
        const QString version = answer.offeredVersion().trimmed();
        const QString question = version.isEmpty()
            ? tx("New firmware is available for %1. Write it now? Do not unplug the switch "
                 "while it is written.").arg(switchName())
            : tx("Firmware %1 is available for %2. Write it now? Do not unplug the switch while "
                 "it is written.").arg(version, switchName());
        setStatusLine(question);
        if (AlertPresenter::current().runAlert(QStringLiteral("Tarvex CC"), question, tx("Yes"),
                                               tx("No")) == 1) {
            startTransfer(answer.text());
            return;
        }
        finish(idleText());
        return;
    }
    }
    // The window says it before the alert does, and keeps saying it after.
    setStatusLine(status);
    AlertPresenter::inform(status);
    finish(status);
}

void FirmwareWindowController::startTransfer(const QString &image)
{
    setBusy(true, true);
    mOutcomeShown = false;
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
    if (outcome.kind() == FirmwareOutcome::Kind::NotConnected) {
        // The switch went away between the question and the first report.
        status = tx("Not connected");
        AlertPresenter::inform(status);
    } else if (outcome.kind() == FirmwareOutcome::Kind::RefusedSilently) {
        // The switch's table has no alert for this status, but the window must not look as
        // if all went well.
        status = tx("Firmware Upgrade failed: the switch refused a record (status %1)")
                     .arg(outcome.recordStatus());
    } else if (!outcome.hasAlert()) {
        status = idleText();
    } else if (!mOutcomeShown) {
        showOutcome(outcome);
    }
    finish(status);
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
    mOutcomeShown = true;
    setStatusLine(outcome.text());
    // The switch's error numbers and every OK are shown untranslated; the outcome already
    // carries the translated texts where there are any.
    AlertPresenter::current().runAlert(outcome.title(), outcome.text(), QStringLiteral("OK"),
                                       QString());
}
