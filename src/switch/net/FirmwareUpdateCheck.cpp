// The bounded firmware check; see FirmwareUpdateCheck.h.
#include "switch/net/FirmwareUpdateCheck.h"

#include "TarvexVersion.h"
#include "switch/DefaultsStore.h"
#include "switch/EventLoopWait.h"
#include "switch/FirmwareLog.h"
#include "switch/SwitchProtocol.h"
#include "usb/IOWarriorController.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace {

QString tooLarge()
{
    return QCoreApplication::translate("Translation", "the answer is larger than %1 MiB")
        .arg(FirmwareUpdateCheck::kMaxAnswerBytes / (1024 * 1024));
}

} // namespace

FirmwareUpdateCheck::FirmwareUpdateCheck(IOWarriorController &registry, DefaultsStore &defaults,
                                         QObject *parent)
    : QObject(parent)
    , mRegistry(registry)
    , mDefaults(defaults)
    , mNetwork(new QNetworkAccessManager(this))
    , mTimer(new QTimer(this))
{
    mTimer->setSingleShot(true);
    connect(mTimer, &QTimer::timeout, this, &FirmwareUpdateCheck::onTimeout);
}

FirmwareUpdateCheck::~FirmwareUpdateCheck()
{
    if (mReply) {
        mReply->disconnect(this);
        mReply->abort();
        delete mReply;
    }
}

QString FirmwareUpdateCheck::checkURLKey()
{
    return QStringLiteral("Firmware Check URL");
}

QString FirmwareUpdateCheck::defaultCheckURL()
{
    return QStringLiteral("https://www.tarvex.example/firmware/check.php");
}

QString FirmwareUpdateCheck::getAppVersion()
{
    return QStringLiteral(TARVEX_VERSION);
}

QString FirmwareUpdateCheck::queryURL(const QString &base, const QString &appVersion,
                                      const QString &firmwareVersion, std::int32_t switchID)
{
    return base + QStringLiteral("?av=") + appVersion + QStringLiteral("&fw=") + firmwareVersion
        + QStringLiteral("&swid=") + QString::number(switchID);
}

QString FirmwareUpdateCheck::checkURL() const
{
    if (!mURLOverride.isEmpty())
        return mURLOverride;
    const QString stored = mDefaults.stringForKey(checkURLKey());
    return stored.isEmpty() ? defaultCheckURL() : stored;
}

bool FirmwareUpdateCheck::selectFile()
{
    if (mReply)
        return false;
    mInstalledVersion.clear();
    IOWarriorListNodeStruct *node = mRegistry.deviceWithSerial(
        mTargetSerial.isEmpty() ? mDefaults.stringForKey(QStringLiteral("Selected Switch"))
                                : mTargetSerial);
    // Without a switch there are no values to ask about; a query with made-up ones would
    // only get a made-up answer.
    if (!node) {
        deliver(FirmwareCheckAnswer::notConnected());
        return true;
    }
    int status = 0;
    const auto idRecord = SwitchProtocol::query(mRegistry, node, SwitchProtocol::QuerySwitchID, &status);
    const auto versionRecord =
        idRecord ? SwitchProtocol::query(mRegistry, node, SwitchProtocol::QueryFirmwareVersion, &status)
                 : std::nullopt;
    if (!idRecord || !versionRecord) {
        deliver(SwitchProtocol::isBusyStatus(status) ? FirmwareCheckAnswer::switchBusy(status)
                                                     : FirmwareCheckAnswer::notConnected());
        return true;
    }
    const auto switchID = static_cast<std::int32_t>(SwitchProtocol::switchIDFromRecord(*idRecord));
    mInstalledVersion = SwitchProtocol::firmwareVersionFromRecord(*versionRecord);
    const QString &firmware = mInstalledVersion;

    mLastQueryURL = queryURL(checkURL(), getAppVersion(), firmware, switchID);
    const QUrl url(mLastQueryURL, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    // Only the web: a "file:" or other address in the defaults must not turn the check
    // into a reader of local files.
    if (!url.isValid() || (scheme != QLatin1String("https") && scheme != QLatin1String("http"))
        || url.host().isEmpty()) {
        deliver(FirmwareCheckAnswer::noAnswer(
            QCoreApplication::translate("Translation", "not a usable check address: %1").arg(mLastQueryURL)));
        return true;
    }

    QNetworkRequest request(url);
    // Redirects are followed, but never from https down to http; certificates are checked
    // (Qt's default, kept).
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    mBody.clear();
    qCDebug(tarvexFirmware).noquote() << "firmware check:" << mLastQueryURL;
    mReply = mNetwork->get(request);
    connect(mReply, &QNetworkReply::readyRead, this, &FirmwareUpdateCheck::onReadyRead);
    connect(mReply, &QNetworkReply::finished, this, &FirmwareUpdateCheck::onFinished);
    mTimer->start(mTimeoutMs);
    return true;
}

FirmwareCheckAnswer FirmwareUpdateCheck::checkAndWait()
{
    return EventLoopWait::until(this, &FirmwareUpdateCheck::finished, [this] { return selectFile(); },
                                FirmwareCheckAnswer::noAnswer(QCoreApplication::translate(
                                    "Translation", "a check is already running")));
}

void FirmwareUpdateCheck::onReadyRead()
{
    if (!mReply)
        return;
    const QVariant declared = mReply->header(QNetworkRequest::ContentLengthHeader);
    if (declared.isValid() && declared.toLongLong() > kMaxAnswerBytes) {
        fail(tooLarge());
        return;
    }
    mBody += mReply->readAll();
    if (mBody.size() > kMaxAnswerBytes)
        fail(tooLarge());
}

void FirmwareUpdateCheck::onFinished()
{
    if (!mReply)
        return;
    // The server's own status first: a 404 is also a network "error", but what the user
    // needs to hear is what the server said.
    const QVariant status = mReply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() != 200) {
        const QString phrase = mReply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        fail(QCoreApplication::translate("Translation", "the server answered %1")
                 .arg(QStringLiteral("%1 %2").arg(status.toInt()).arg(phrase).trimmed()));
        return;
    }
    if (mReply->error() != QNetworkReply::NoError) {
        fail(QCoreApplication::translate("Translation", "the server could not be reached: %1")
                 .arg(mReply->errorString()));
        return;
    }
    mBody += mReply->readAll();
    if (mBody.size() > kMaxAnswerBytes) {
        fail(tooLarge());
        return;
    }
    QByteArray body = std::move(mBody);
    mBody.clear();
    mTimer->stop();
    QNetworkReply *reply = mReply;
    mReply = nullptr;
    reply->deleteLater();
    deliver(FirmwareCheckAnswer::fromBody(body));
}

void FirmwareUpdateCheck::onTimeout()
{
    fail(QCoreApplication::translate("Translation", "no answer within %1 s").arg(mTimeoutMs / 1000.0));
}

void FirmwareUpdateCheck::fail(const QString &reason)
{
    mTimer->stop();
    mBody.clear();
    if (QNetworkReply *reply = mReply) {
        mReply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    deliver(FirmwareCheckAnswer::noAnswer(reason));
}

void FirmwareUpdateCheck::deliver(FirmwareCheckAnswer answer)
{
    answer.setInstalledVersion(mInstalledVersion);
    qCDebug(tarvexFirmware).noquote() << "firmware check answer:" << answer.firstLine() << answer.reason()
                                      << answer.detail();
    emit finished(answer);
}
