// The bounded firmware check; see FirmwareUpdateCheck.h.
#include "switch/net/FirmwareUpdateCheck.h"

#include "TarvexVersion.h"
#include "switch/DefaultsStore.h"
#include "switch/SwitchProtocol.h"
#include "usb/IOWarriorController.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

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
    IOWarriorListNodeStruct *node = mRegistry.deviceWithSerial(
        mTargetSerial.isEmpty() ? mDefaults.stringForKey(QStringLiteral("Selected Switch"))
                                : mTargetSerial);
    // Without a switch there are no values to ask about; a query with made-up ones would
    // only get a made-up answer.
    if (!node) {
        deliver(FirmwareCheckAnswer::notConnected());
        return true;
    }
    const auto idRecord = SwitchProtocol::query(mRegistry, node, SwitchProtocol::QuerySwitchID);
    const auto versionRecord =
        SwitchProtocol::query(mRegistry, node, SwitchProtocol::QueryFirmwareVersion);
    if (!idRecord || !versionRecord) {
        deliver(FirmwareCheckAnswer::notConnected());
        return true;
    }
    const auto switchID = static_cast<std::int32_t>(SwitchProtocol::switchIDFromRecord(*idRecord));
    const QString firmware = SwitchProtocol::firmwareVersionFromRecord(*versionRecord);

    mLastQueryURL = queryURL(checkURL(), getAppVersion(), firmware, switchID);
    const QUrl url(mLastQueryURL, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    // Only the web: a "file:" or other address in the defaults must not turn the check
    // into a reader of local files.
    if (!url.isValid() || (scheme != QLatin1String("https") && scheme != QLatin1String("http"))
        || url.host().isEmpty()) {
        deliver(FirmwareCheckAnswer::noAnswer(QStringLiteral("not a usable check address: %1")
                                                  .arg(mLastQueryURL)));
        return true;
    }

    QNetworkRequest request(url);
    // Redirects are followed, but never from https down to http; certificates are checked
    // (Qt's default, kept).
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    mBody.clear();
    mReply = mNetwork->get(request);
    connect(mReply, &QNetworkReply::readyRead, this, &FirmwareUpdateCheck::onReadyRead);
    connect(mReply, &QNetworkReply::finished, this, &FirmwareUpdateCheck::onFinished);
    mTimer->start(mTimeoutMs);
    return true;
}

FirmwareCheckAnswer FirmwareUpdateCheck::checkAndWait()
{
    FirmwareCheckAnswer result = FirmwareCheckAnswer::noAnswer(QStringLiteral("a check is already running"));
    if (mReply)
        return result;
    QEventLoop loop;
    bool done = false;
    const auto connection = connect(this, &FirmwareUpdateCheck::finished, &loop,
                                    [&](const FirmwareCheckAnswer &answer) {
                                        result = answer;
                                        done = true;
                                        loop.quit();
                                    });
    selectFile();
    if (!done)
        loop.exec();
    disconnect(connection);
    return result;
}

void FirmwareUpdateCheck::onReadyRead()
{
    if (!mReply)
        return;
    const QVariant declared = mReply->header(QNetworkRequest::ContentLengthHeader);
    if (declared.isValid() && declared.toLongLong() > kMaxAnswerBytes) {
        fail(QStringLiteral("answer larger than %1 bytes").arg(kMaxAnswerBytes));
        return;
    }
    mBody += mReply->readAll();
    if (mBody.size() > kMaxAnswerBytes)
        fail(QStringLiteral("answer larger than %1 bytes").arg(kMaxAnswerBytes));
}

void FirmwareUpdateCheck::onFinished()
{
    if (!mReply)
        return;
    if (mReply->error() != QNetworkReply::NoError) {
        fail(mReply->errorString());
        return;
    }
    const int status = mReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 200) {
        fail(QStringLiteral("server answered HTTP status %1").arg(status));
        return;
    }
    mBody += mReply->readAll();
    if (mBody.size() > kMaxAnswerBytes) {
        fail(QStringLiteral("answer larger than %1 bytes").arg(kMaxAnswerBytes));
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
    fail(QStringLiteral("no answer within %1 s").arg(mTimeoutMs / 1000.0));
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

void FirmwareUpdateCheck::deliver(const FirmwareCheckAnswer &answer)
{
    emit finished(answer);
}
