// Asks the firmware-check server whether newer firmware exists for the selected switch:
// one bounded GET of "<base>?av=<app>&fw=<firmware>&swid=<id>" whose answer is decided by
// FirmwareCheckAnswer. Runs on the event loop; the program stays responsive while it waits.
#pragma once

#include "switch/FirmwareCheckAnswer.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

class DefaultsStore;
class IOWarriorController;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

class FirmwareUpdateCheck : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDefaultTimeoutMs = 15000;
    static constexpr qint64 kMaxAnswerBytes = 4 * 1024 * 1024;

    FirmwareUpdateCheck(IOWarriorController &registry, DefaultsStore &defaults,
                        QObject *parent = nullptr);
    ~FirmwareUpdateCheck() override;

    // The defaults key that names the check address, and its value when none is stored.
    static QString checkURLKey();
    static QString defaultCheckURL();
    static QString getAppVersion();
    // "%@?av=%@&fw=%@&swid=%d": the values go in as they are, without escaping.
    static QString queryURL(const QString &base, const QString &appVersion,
                            const QString &firmwareVersion, std::int32_t switchID);

    // The switch to ask about by serial (tarvexctl --serial); empty, the default: the one
    // stored under "Selected Switch".
    void setTargetSerial(const QString &serial) { mTargetSerial = serial; }
    // A check address that wins over the defaults (tarvexctl --url); empty: none.
    void setCheckURLOverride(const QString &url) { mURLOverride = url; }
    QString checkURL() const;
    // The whole fetch, connection to last byte, must end within this; tests shorten it.
    void setTimeoutMs(int ms) { mTimeoutMs = ms; }

    bool isRunning() const { return mReply != nullptr; }
    // The address of the last query sent, for messages.
    QString lastQueryURL() const { return mLastQueryURL; }

    // Asks the selected switch for its identifier and version, then the server; returns at
    // once and ends with finished(). Without an attached, answering switch nothing is sent
    // and the answer is NotConnected (or, while another program holds the switch, no answer
    // that says so). The answer carries the installed version. False (and no signal) while
    // a check is already running.
    bool selectFile();
    // Runs selectFile() and the event loop until its answer is there.
    FirmwareCheckAnswer checkAndWait();

signals:
    void finished(const FirmwareCheckAnswer &answer);

private:
    void onReadyRead();
    void onFinished();
    void onTimeout();
    void fail(const QString &reason);
    void deliver(FirmwareCheckAnswer answer);

    IOWarriorController &mRegistry;
    DefaultsStore &mDefaults;
    QNetworkAccessManager *mNetwork = nullptr;
    QTimer *mTimer = nullptr;
    QNetworkReply *mReply = nullptr; // the fetch under way; owned until it ends
    QByteArray mBody;
    QString mURLOverride;
    QString mTargetSerial;
    QString mLastQueryURL;
    QString mInstalledVersion;
    int mTimeoutMs = kDefaultTimeoutMs;
};
