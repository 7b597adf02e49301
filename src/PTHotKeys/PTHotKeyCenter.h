// PTHotKeyCenter: the process-wide registry of hot keys. It registers them with the session's
// hot-key service, keeps the table of registrations and invokes a hot key when it is pressed.
#pragma once

#include "PTHotKeys/HotKeyService.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class PTHotKey;

class PTHotKeyCenter : public QObject
{
    Q_OBJECT

public:
    explicit PTHotKeyCenter(std::unique_ptr<HotKeyService> service, QObject *parent = nullptr);
    ~PTHotKeyCenter() override;

    // Made at first use with the session's service (X11 grabs on xcb, otherwise none) and
    // kept for the life of the process.
    static PTHotKeyCenter *sharedCenter();
    // Tests: the service the shared center is made with; only before its first use.
    static void setSharedServiceFactory(std::function<std::unique_ptr<HotKeyService>()> factory);

    // True when the hot key is registered or has nothing to register (not a valid
    // combination); false when the service refused it. A registration made before is removed
    // first in every case. Null is accepted and does nothing.
    bool registerHotKey(PTHotKey *hotKey);
    void unregisterHotKey(PTHotKey *hotKey);

    QList<PTHotKey *> allHotKeys() const;
    PTHotKey *hotKeyWithIdentifier(const QString &identifier) const;

    // Status of the last registerHotKey() that reached the service (0 when it accepted), and
    // the sentence to show for it.
    int lastRegistrationStatus() const { return mLastStatus; }
    QString lastRegistrationFailure() const { return HotKeyService::statusText(mLastStatus); }

    // How the session treats a hot key: active (with the desktop's name of its key when the
    // desktop chose it), still pending, or not active with the reason. Refusals of
    // registerHotKey() and at the end of a suspension count too. A hot key with nothing
    // registered (no valid combination, or unregistered) gets an empty, active grant.
    // grantChanged() tells when it changes later (a desktop that answers in its own time).
    HotKeyGrant grantForHotKey(const PTHotKey *hotKey) const;
    // Why global hot keys are limited or unavailable in this session; empty when they work.
    QString limitation() const { return mService->limitation(); }

    // Dispatches one event of the service; 0 or the status of reading its ID.
    int sendCarbonEvent(const HotKeyEvent &event);

    bool isEventHandlerInstalled() const { return mEventHandlerInstalled; }

    // While a key combination is being captured this program's own grabs must not take the
    // keys: suspendAll() gives every grab back to the session and resumeAll() makes them
    // again. Calls nest; the grabs come back when the last suspension ends. Meanwhile the hot
    // keys stay registered here (allHotKeys() lists them) and registerHotKey() accepts valid
    // combinations without asking the service; a refusal shows at resume.
    void suspendAll();
    void resumeAll();
    bool isSuspended() const { return mSuspendCount > 0; }

signals:
    // A hot key whose grab the service refused when the suspension ended; it is no longer
    // registered, like a hot key whose registration was refused.
    void registrationLost(PTHotKey *hotKey, int status);
    // grantForHotKey() of a registered hot key changed after registerHotKey() returned.
    void grantChanged(PTHotKey *hotKey);
    void limitationChanged(const QString &limitation);

private:
    struct Registration {
        PTHotKey *hotKey = nullptr;
        quint32 id = 0;
    };

    static constexpr bool hasCarbonEventSupport() { return true; }
    void updateEventHandler();
    HotKeyService::Handle carbonHotKeyForHotKey(const PTHotKey *hotKey) const;
    void hotKeyDown(PTHotKey *hotKey);
    void hotKeyUp(PTHotKey *hotKey);
    quint32 issueId();
    void forget(QObject *hotKey);
    bool registerWithService(PTHotKey *hotKey);

    std::unique_ptr<HotKeyService> mService;
    QHash<HotKeyService::Handle, Registration> mHotKeys;
    bool mEventHandlerInstalled = false;
    quint32 mLastId = 0;
    int mLastStatus = 0;
    int mSuspendCount = 0;
    QList<PTHotKey *> mSuspended; // registered hot keys without grabs, in registration order
    QHash<const QObject *, int> mRefusals; // hot keys whose last registration was refused
};
