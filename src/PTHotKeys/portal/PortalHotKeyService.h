// PortalHotKeyService: global hot keys on Wayland through the XDG desktop portal's
// GlobalShortcuts interface. The desktop binds the keys and has the last word on which key
// triggers what; this service asks for the combinations the user chose, reports what the
// desktop granted and turns its Activated / Deactivated signals into press / release events.
#pragma once

#include "PTHotKeys/HotKeyService.h"
#include "PTHotKeys/PTKeyCombo.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

class QDBusMessage;
class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

class PortalHotKeyService : public QObject, public HotKeyService
{
    Q_OBJECT

public:
    static constexpr int kRequestTimeoutMs = 30000;
    static constexpr int kReconnectDelayMs = 2000;
    // A desktop repeats Activated while a key is held (KDE: ~16 a second, after the keyboard's
    // repeat delay) and may never send Deactivated (KDE's invokeShortcut): an Activated this
    // long after the last one is a new press.
    static constexpr qint64 kRepeatGapMs = 1000;
    // New sessions tried after the desktop refused one following a portal restart.
    static constexpr int kSessionRetries = 3;

    // The application id the desktop knows us by: the desktop entry's name.
    static QString applicationId();
    // The version taken for a portal that is there but slow to tell its own.
    static constexpr int kAssumedVersion = 1;

    // Tells the portal our application id (portals that lack the registry refuse; that is
    // fine) and asks for the GlobalShortcuts version: 0 when there is no such interface,
    // kAssumedVersion when the portal has not answered within `timeoutMs`. Blocks; the program
    // calls it once, before any hot key exists.
    static int probeVersion(const QDBusConnection &bus, const QString &applicationId,
                            int timeoutMs = 3000);
    // Why the portal's registry refused our application id at the last probe; empty when it
    // took it or has no registry.
    static QString registrationProblem();

    PortalHotKeyService(const QDBusConnection &bus, int version, QObject *parent = nullptr);
    ~PortalHotKeyService() override;

    // Tests: how long a request may stay unanswered, and the pause before a new session.
    void setRequestTimeout(int milliseconds) { mRequestTimeoutMs = mDialogNoticeMs = milliseconds; }
    // How long a bind goes unanswered before the user is told a dialog may be waiting.
    void setDialogNotice(int milliseconds) { mDialogNoticeMs = milliseconds; }
    void setReconnectDelay(int milliseconds) { mReconnectTimer.setInterval(milliseconds); }
    void setClock(std::function<qint64()> clock) { mClock = std::move(clock); }

    int registerEventHotKey(qint32 keyCode, qint32 modifiers, HotKeyID id,
                            const HotKeyPurpose &purpose, Handle *outHandle) override;
    int unregisterEventHotKey(Handle handle) override;
    int installEventHandler(EventHandler handler) override;
    HotKeyGrant grant(Handle handle) const override;

    QString sessionHandle() const { return mSession; }

private slots:
    void onResponse(const QDBusMessage &message);
    void onActivated(const QDBusMessage &message);
    void onDeactivated(const QDBusMessage &message);
    void onShortcutsChanged(const QDBusMessage &message);
    void onSessionClosed(const QDBusMessage &message);
    void onKdeKeys(const QDBusMessage &reply);
    void onPortalOwnerChanged(const QString &service, const QString &oldOwner,
                              const QString &newOwner);

private:
    struct Registration {
        HotKeyID id;
        QString shortcutId;
        QString description;
        QString preferredTrigger;
        PTKeyCombo combo;
    };
    // What is known of one shortcut id. `preferredTrigger` and `edited` outlive a session;
    // the rest is this session's.
    struct Shortcut {
        QString preferredTrigger; // as last registered
        bool edited = false;      // registered with another key since the desktop last heard
        bool answered = false;    // the desktop has said whether it is bound
        bool bound = false;
        bool bindAsked = false;   // asked for in this session with the current key
        QString trigger;          // the desktop's description of its key
        PTKeyCombo asked;
        bool unassigned = false;  // KDE's kglobalaccel holds no key for it
        int status = 0;
        QString reason;
        QString note;
    };
    enum class Step { CreateSession, ListShortcuts, BindShortcuts };
    struct Request {
        Step step;
        quint64 serial;
        QString path;
        QStringList shortcutIds; // the ids a bind asked for
        bool waiting = false;    // past its time-out: a dialog may be waiting for the user
    };

    void scheduleSync();
    void sync();
    QList<Handle> handlesFor(const QString &shortcutId) const;
    QStringList registeredShortcutIds() const;
    QVariant shortcutsFor(const QStringList &shortcutIds) const;
    void send(Step step, const QString &method, QVariantList arguments, QVariantMap options,
              const QStringList &shortcutIds = {});
    void subscribeResponse(const QString &path, bool subscribe);
    void methodReplied(QDBusPendingCallWatcher *watcher, quint64 serial);
    Request endRequest(); // the request out, no longer waited for
    void finishRequest(int code, const QVariantMap &results);
    void failRequest(int status, const QString &reason);
    void sessionFailed(int status, const QString &reason);
    void configureShortcuts();
    void takeShortcuts(const QVariant &list);
    void resetSession();
    void dispatch(const QDBusMessage &message, quint32 kind);
    void notifyAll();
    QString doubtAbout(const QString &shortcutId) const;
    QString refusalText(uint code) const;
    void closeStaleSession();
    void askKdeForKeys();

    QDBusConnection mBus;
    int mVersion;
    int mRequestTimeoutMs = kRequestTimeoutMs;
    int mDialogNoticeMs = kRequestTimeoutMs;
    QHash<Handle, Registration> mRegistrations;
    Handle mLastHandle = 0;
    QHash<QString, Shortcut> mShortcuts;
    QString mSession;
    bool mListed = false;
    int mSessionStatus = 0; // a failed session: every binding is inactive until a new one
    QString mSessionReason;
    std::optional<Request> mRequest; // one at a time, in order
    quint64 mLastSerial = 0;
    QTimer mRequestTimer;
    QTimer mReconnectTimer;
    bool mSyncScheduled = false;
    QSet<QString> mHeld; // shortcut ids pressed and not yet released
    QHash<QString, qint64> mLastActivated;
    std::function<qint64()> mClock;
    QString mStaleSession; // the last session's path, which a restarted portal's backend may hold
    int mSessionRetries = 0;
    QString mRegistrationProblem;
    QHash<QString, QString> mToldReasons; // by shortcut id: the last reason logged
    EventHandler mHandler;
    QDBusServiceWatcher *mPortalWatcher = nullptr;
};
