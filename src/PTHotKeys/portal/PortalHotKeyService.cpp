// PortalHotKeyService: the portal's request/response protocol driven as one small queue.
// Every request is answered by a Response signal on a path that we can compute before the
// call, so we subscribe first: a portal may send the answer before the method reply. Only
// one request is out at a time; sync() decides the next one from what is known, so a burst
// of registrations at start-up becomes one CreateSession, one ListShortcuts and at most one
// BindShortcuts (some desktops open their settings on every bind).
#include "PTHotKeys/portal/PortalHotKeyService.h"

#include "PTHotKeys/HotKeysLog.h"
#include "PTHotKeys/portal/PortalShortcut.h"
#include "PTHotKeys/portal/XdgShortcutTrigger.h"

#include <QCoreApplication>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QWindow>

#include <algorithm>

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString kSessionInterface = QStringLiteral("org.freedesktop.portal.Session");
const QString kRegistryInterface = QStringLiteral("org.freedesktop.host.portal.Registry");
// A restarted portal frontend forgets our session but its backend keeps it and refuses a new
// one at the same path (KDE 5.27): the backends whose stale session we close ourselves.
const char *const kBackends[] = {"org.freedesktop.impl.portal.desktop.kde"};
// The same token for every session of this program: the desktop can tell it is us again.
const QString kSessionToken = QStringLiteral("tarvexcc");
const QString kEntryName = QStringLiteral("Tarvex CC");

QString tx(const char *text)
{
    return QCoreApplication::translate("Translation", text);
}

QDBusMessage portalCall(const QString &interface, const QString &method)
{
    return QDBusMessage::createMethodCall(kPortalService, kPortalPath, interface, method);
}

// The window a desktop's dialog should come up in front of: the one with the focus when the
// request goes out (the preferences, where keys are changed). Only an X11 window has a handle
// in the portal's form without Wayland's exported-surface protocol.
QString parentWindow()
{
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    const QWindow *window = app ? QGuiApplication::focusWindow() : nullptr;
    if (window == nullptr || QGuiApplication::platformName() != QLatin1String("xcb"))
        return QString();
    return QStringLiteral("x11:%1").arg(window->winId(), 0, 16);
}

QString &lastRegistrationProblem()
{
    static QString problem;
    return problem;
}

QString pathText(const QVariant &value)
{
    // Portals have sent the session handle both as a string and as an object path.
    if (value.canConvert<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

QString PortalHotKeyService::applicationId()
{
    QString id = QGuiApplication::desktopFileName();
    if (id.endsWith(QLatin1String(".desktop")))
        id.chop(8);
    return id.isEmpty() ? QStringLiteral("cc.tarvex.TarvexCC") : id;
}

int PortalHotKeyService::probeVersion(const QDBusConnection &bus, const QString &applicationId,
                                      int timeoutMs)
{
    if (!bus.isConnected())
        return 0;
    // Newer portals take the id from the first call on a connection and require it.
    QDBusMessage registration = portalCall(kRegistryInterface, QStringLiteral("Register"));
    registration << applicationId << QVariantMap();
    const QDBusMessage registered = QDBusConnection(bus).call(registration, QDBus::Block, timeoutMs);
    lastRegistrationProblem().clear();
    switch (QDBusError(registered).type()) {
    case QDBusError::NoError: // taken
    case QDBusError::UnknownInterface: // portals before 1.19.4 have no registry
    case QDBusError::UnknownMethod:
    case QDBusError::UnknownObject:
    case QDBusError::ServiceUnknown: // no portal: the version says so
    case QDBusError::NoReply:
    case QDBusError::Timeout:
        break;
    default:
        // GNOME refuses every bind of a program it cannot match with an installed desktop
        // entry whose Exec it finds; the user must hear that, not "refused". GNOME's words end
        // without a full stop, and our next sentence follows them.
        QString why = registered.errorMessage().trimmed();
        if (!why.isEmpty() && !why.endsWith(QLatin1Char('.')))
            why += QLatin1Char('.');
        lastRegistrationProblem() =
            tx("The desktop does not know this program as %1 (its desktop entry %1.desktop is "
               "not installed or not found): %2 Install the package, or start the program "
               "from its installed menu entry.")
                .arg(applicationId, why);
        qCWarning(tarvexHotkeys).noquote() << lastRegistrationProblem();
    }

    QDBusMessage get = QDBusMessage::createMethodCall(
        kPortalService, kPortalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << kShortcutsInterface << QStringLiteral("version");
    const QDBusMessage reply = QDBusConnection(bus).call(get, QDBus::Block, timeoutMs);
    const QDBusError::ErrorType error = QDBusError(reply).type();
    if (error == QDBusError::NoReply || error == QDBusError::Timeout) {
        // The name has an owner or is being started (a missing portal is refused at once): at
        // login the portal may still be coming up. Taking it for absent would leave a Wayland
        // session without hot keys until the next start; the requests' own time-out tells the
        // user if it never answers.
        qCInfo(tarvexHotkeys, "the desktop portal is slow to answer; using its global shortcuts");
        return kAssumedVersion;
    }
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        qCDebug(tarvexHotkeys) << "no GlobalShortcuts portal:" << reply.errorMessage();
        return 0;
    }
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toInt();
}

QString PortalHotKeyService::registrationProblem()
{
    return lastRegistrationProblem();
}

PortalHotKeyService::PortalHotKeyService(const QDBusConnection &bus, int version, QObject *parent)
    : QObject(parent), mBus(bus), mVersion(version), mRegistrationProblem(registrationProblem())
{
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    mClock = [clock] { return clock->elapsed(); };
    PortalShortcut::registerDBusTypes();
    mRequestTimer.setSingleShot(true);
    connect(&mRequestTimer, &QTimer::timeout, this, [this] {
        if (mRequest && mRequest->step == Step::BindShortcuts) {
            // A desktop may ask the user first and wait for them as long as it takes (GNOME):
            // the answer is still taken whenever it comes.
            mRequest->waiting = true;
            notifyAll();
            return;
        }
        failRequest(kStatusNoAnswer,
                    tx("The desktop's shortcut service did not answer within %1 s.")
                        .arg(qMax(1, mRequestTimeoutMs / 1000)));
    });
    mReconnectTimer.setSingleShot(true);
    mReconnectTimer.setInterval(kReconnectDelayMs);
    connect(&mReconnectTimer, &QTimer::timeout, this, &PortalHotKeyService::sync);

    // QDBusMessage slots: a QDBusObjectPath parameter would need a metatype registered first.
    mBus.connect(kPortalService, kPortalPath, kShortcutsInterface, QStringLiteral("Activated"),
                 this, SLOT(onActivated(QDBusMessage)));
    mBus.connect(kPortalService, kPortalPath, kShortcutsInterface, QStringLiteral("Deactivated"),
                 this, SLOT(onDeactivated(QDBusMessage)));
    mBus.connect(kPortalService, kPortalPath, kShortcutsInterface,
                 QStringLiteral("ShortcutsChanged"), this, SLOT(onShortcutsChanged(QDBusMessage)));
    mPortalWatcher = new QDBusServiceWatcher(kPortalService, mBus,
                                             QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(mPortalWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &PortalHotKeyService::onPortalOwnerChanged);
}

PortalHotKeyService::~PortalHotKeyService()
{
    if (!mSession.isEmpty()) {
        mBus.send(QDBusMessage::createMethodCall(kPortalService, mSession, kSessionInterface,
                                                 QStringLiteral("Close")));
    }
}

int PortalHotKeyService::registerEventHotKey(qint32 keyCode, qint32 modifiers, HotKeyID id,
                                             const HotKeyPurpose &purpose, Handle *outHandle)
{
    *outHandle = 0;
    const QString trigger = XdgShortcutTrigger::fromKeyCombo(keyCode, modifiers);
    if (trigger.isEmpty() || purpose.shortcutId.isEmpty())
        return kStatusParamErr;
    const PTKeyCombo combo(keyCode, modifiers);
    for (const Registration &other : std::as_const(mRegistrations)) {
        if (other.shortcutId == purpose.shortcutId || other.combo == combo)
            return kStatusHotKeyExists;
    }
    Shortcut &shortcut = mShortcuts[purpose.shortcutId];
    shortcut.asked = combo;
    if (shortcut.preferredTrigger != trigger) {
        // Registering the same key again (after the capture panel) asks nothing; another key
        // is the user's edit, which the desktop must hear of.
        shortcut.edited = !shortcut.preferredTrigger.isEmpty();
        shortcut.preferredTrigger = trigger;
        shortcut.bindAsked = false;
        shortcut.note.clear();
    }
    const Handle handle = ++mLastHandle;
    mRegistrations.insert(handle,
                          Registration{id, purpose.shortcutId, purpose.description, trigger, combo});
    *outHandle = handle;
    scheduleSync();
    return 0;
}

int PortalHotKeyService::unregisterEventHotKey(Handle handle)
{
    // The desktop keeps the shortcut bound (the portal cannot unbind); its events are dropped.
    return mRegistrations.remove(handle) ? 0 : kStatusParamErr;
}

int PortalHotKeyService::installEventHandler(EventHandler handler)
{
    mHandler = std::move(handler);
    return 0;
}

HotKeyGrant PortalHotKeyService::grant(Handle handle) const
{
    HotKeyGrant grant;
    const auto registration = mRegistrations.constFind(handle);
    if (registration == mRegistrations.cend()) {
        grant.status = kStatusParamErr;
        return grant;
    }
    const Shortcut shortcut = mShortcuts.value(registration->shortcutId);
    grant.note = shortcut.note;
    if (shortcut.bound && shortcut.unassigned) {
        grant.trigger = XdgShortcutTrigger::displayText(shortcut.trigger);
        grant.status = kStatusNotGranted;
        grant.reason = tx("KDE did not give this key to Tarvex CC: KWin or another program "
                          "already uses it. Choose another key, or free this one in KDE's "
                          "shortcut settings.");
    } else if (shortcut.bound) {
        grant.trigger = XdgShortcutTrigger::displayText(shortcut.trigger);
        grant.reason = doubtAbout(registration->shortcutId);
        grant.status = grant.reason.isEmpty() ? 0 : int(kStatusNotSurelyActive);
    } else if (mSessionStatus != 0) {
        grant.status = mSessionStatus;
        grant.reason = mSessionReason;
    } else if (shortcut.answered && shortcut.bindAsked) {
        grant.status = shortcut.status ? shortcut.status : int(kStatusNotGranted);
        grant.reason = shortcut.reason;
    } else {
        grant.pending = true;
        if (mRequest && mRequest->waiting && mRequest->shortcutIds.contains(registration->shortcutId))
            grant.note = tx("The desktop is waiting for you to confirm the hot keys in its own "
                            "dialog.");
    }
    return grant;
}

QString PortalHotKeyService::doubtAbout(const QString &shortcutId) const
{
    // Desktops report a key in their own words; read back as one of ours it shows what the
    // desktop made of the key asked for (KDE turns keypad keys into the main row's).
    const Shortcut shortcut = mShortcuts.value(shortcutId);
    const auto got = XdgShortcutTrigger::keyFromDescription(shortcut.trigger);
    if (!got)
        return QString();
    const QString gotText = XdgShortcutTrigger::displayText(shortcut.trigger);
    for (auto it = mShortcuts.cbegin(); it != mShortcuts.cend(); ++it) {
        if (it.key() == shortcutId || !it->bound || handlesFor(it.key()).isEmpty())
            continue;
        if (XdgShortcutTrigger::keyFromDescription(it->trigger) == got) {
            const QString other = mRegistrations.value(handlesFor(it.key()).constFirst()).description;
            return tx("The desktop reports the same key (%1) for \"%2\": at most one of them "
                      "works. Choose another key for one of them.")
                .arg(gotText, other);
        }
    }
    const auto asked = XdgShortcutTrigger::keyFromDescription(shortcut.preferredTrigger);
    if (asked && !(*got == *asked)) {
        return tx("The desktop reports %1 for this hot key, not %2 as chosen. Choose another "
                  "key, or check the key in the desktop's shortcut settings.")
            .arg(gotText, shortcut.asked.description());
    }
    return QString();
}

QString PortalHotKeyService::refusalText(uint code) const
{
    if (!mRegistrationProblem.isEmpty())
        return mRegistrationProblem;
    // GNOME answers 2 ("other") for its dialog's Cancel as well as for a refusal.
    return code == 1 ? tx("The request was cancelled in the desktop's dialog.")
                     : tx("The desktop did not bind the keys: its dialog was cancelled, or its "
                          "shortcut service refused the request.");
}

void PortalHotKeyService::scheduleSync()
{
    if (mSyncScheduled)
        return;
    mSyncScheduled = true;
    // Later on the loop: the registrations of one burst travel together, and nobody is told
    // of a change from inside their own registerEventHotKey().
    QMetaObject::invokeMethod(this, &PortalHotKeyService::sync, Qt::QueuedConnection);
}

void PortalHotKeyService::sync()
{
    mSyncScheduled = false;
    if (mRequest || mReconnectTimer.isActive() || mSessionStatus != 0)
        return;
    const QStringList ids = registeredShortcutIds();
    if (ids.isEmpty())
        return;
    if (mSession.isEmpty()) {
        // Some desktops read the shortcuts here and never look at a bind.
        send(Step::CreateSession, QStringLiteral("CreateSession"), {},
             {{QStringLiteral("session_handle_token"), kSessionToken},
              {QStringLiteral("shortcuts"), shortcutsFor(ids)}});
        return;
    }
    if (!mListed) {
        send(Step::ListShortcuts, QStringLiteral("ListShortcuts"),
             {QVariant::fromValue(QDBusObjectPath(mSession))}, {});
        return;
    }
    configureShortcuts();
    QStringList toBind;
    for (const QString &id : ids) {
        Shortcut &shortcut = mShortcuts[id];
        if (!shortcut.bound && !shortcut.bindAsked) {
            shortcut.edited = false; // the bind carries the new key
            toBind.append(id);
        } else if (shortcut.bound && shortcut.edited && mVersion < 2) {
            // Version 1 has no way to open the desktop's settings: bind again and say where
            // the key is really changed.
            shortcut.edited = false;
            shortcut.note =
                tx("The desktop decides the key: change it in the desktop's keyboard settings.");
            toBind.append(id);
        }
    }
    if (!toBind.isEmpty()) {
        send(Step::BindShortcuts, QStringLiteral("BindShortcuts"),
             {QVariant::fromValue(QDBusObjectPath(mSession)), shortcutsFor(toBind), parentWindow()}, {},
             toBind);
    }
}

void PortalHotKeyService::configureShortcuts()
{
    if (mVersion < 2)
        return;
    bool edited = false;
    for (const QString &id : registeredShortcutIds()) {
        Shortcut &shortcut = mShortcuts[id];
        if (shortcut.bound && shortcut.edited) {
            shortcut.edited = false;
            edited = true;
        }
    }
    if (!edited)
        return;
    // The desktop opens its own shortcut settings; a new key comes back as ShortcutsChanged.
    QDBusMessage call = portalCall(kShortcutsInterface, QStringLiteral("ConfigureShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(mSession)) << parentWindow() << QVariantMap();
    auto *watcher = new QDBusPendingCallWatcher(mBus.asyncCall(call, mRequestTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        if (!w->isError())
            return;
        qCWarning(tarvexHotkeys).noquote() << "ConfigureShortcuts:" << w->error().message();
    });
}

QStringList PortalHotKeyService::registeredShortcutIds() const
{
    QList<Handle> handles = mRegistrations.keys();
    std::sort(handles.begin(), handles.end()); // registration order
    QStringList ids;
    for (Handle handle : handles)
        ids.append(mRegistrations.value(handle).shortcutId);
    return ids;
}

QList<HotKeyService::Handle> PortalHotKeyService::handlesFor(const QString &shortcutId) const
{
    QList<Handle> handles;
    for (auto it = mRegistrations.cbegin(); it != mRegistrations.cend(); ++it) {
        if (it->shortcutId == shortcutId)
            handles.append(it.key());
    }
    return handles;
}

QVariant PortalHotKeyService::shortcutsFor(const QStringList &shortcutIds) const
{
    PortalShortcutList list;
    for (const QString &id : shortcutIds) {
        const Handle handle = handlesFor(id).value(0);
        const Registration registration = mRegistrations.value(handle);
        list.append(PortalShortcut{
            id,
            {{QStringLiteral("description"), registration.description},
             {QStringLiteral("preferred_trigger"), registration.preferredTrigger}}});
    }
    return QVariant::fromValue(list);
}

void PortalHotKeyService::send(Step step, const QString &method, QVariantList arguments,
                               QVariantMap options, const QStringList &shortcutIds)
{
    const quint64 serial = ++mLastSerial;
    const QString token = QStringLiteral("tarvexcc%1").arg(serial);
    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);
    QString sender = mBus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    mRequest = Request{step, serial, kPortalPath + QLatin1String("/request/") + sender
                                         + QLatin1Char('/') + token,
                       shortcutIds};
    for (const QString &id : shortcutIds)
        mShortcuts[id].bindAsked = true;
    subscribeResponse(mRequest->path, true);

    QDBusMessage call = portalCall(kShortcutsInterface, method);
    call.setArguments(arguments);
    qCDebug(tarvexHotkeys) << method << shortcutIds << mRequest->path;
    auto *watcher = new QDBusPendingCallWatcher(mBus.asyncCall(call, mRequestTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, serial](QDBusPendingCallWatcher *w) { methodReplied(w, serial); });
    mRequestTimer.start(step == Step::BindShortcuts ? mDialogNoticeMs : mRequestTimeoutMs);
}

void PortalHotKeyService::subscribeResponse(const QString &path, bool subscribe)
{
    const QString signal = QStringLiteral("Response");
    if (subscribe) {
        mBus.connect(kPortalService, path, kRequestInterface, signal, this,
                     SLOT(onResponse(QDBusMessage)));
    } else {
        mBus.disconnect(kPortalService, path, kRequestInterface, signal, this,
                        SLOT(onResponse(QDBusMessage)));
    }
}

void PortalHotKeyService::methodReplied(QDBusPendingCallWatcher *watcher, quint64 serial)
{
    watcher->deleteLater();
    if (!mRequest || mRequest->serial != serial)
        return; // answered before its reply, or given up
    const QDBusMessage reply = watcher->reply();
    if (reply.type() == QDBusMessage::ErrorMessage) {
        failRequest(kStatusUnavailable, tx("The desktop's shortcut service reported an error: %1")
                                            .arg(reply.errorMessage()));
        return;
    }
    // A portal that chose another request path than the one asked for: follow it.
    const QString path = pathText(reply.arguments().value(0));
    if (!path.isEmpty() && path != mRequest->path) {
        subscribeResponse(mRequest->path, false);
        mRequest->path = path;
        subscribeResponse(path, true);
    }
}

void PortalHotKeyService::onResponse(const QDBusMessage &message)
{
    if (!mRequest || message.path() != mRequest->path)
        return;
    const QList<QVariant> arguments = message.arguments();
    finishRequest(arguments.value(0).toUInt(), qdbus_cast<QVariantMap>(arguments.value(1)));
}

PortalHotKeyService::Request PortalHotKeyService::endRequest()
{
    const Request request = *mRequest;
    mRequestTimer.stop();
    subscribeResponse(request.path, false);
    mRequest.reset();
    return request;
}

void PortalHotKeyService::finishRequest(int code, const QVariantMap &results)
{
    const Request request = endRequest();
    qCDebug(tarvexHotkeys) << "answer" << code << request.path << results;

    switch (request.step) {
    case Step::CreateSession:
        mSession = code == 0 ? pathText(results.value(QStringLiteral("session_handle")))
                             : QString();
        if (mSession.isEmpty()) {
            if (!mStaleSession.isEmpty() && mSessionRetries < kSessionRetries) {
                // The backend may still hold the session of the portal before its restart.
                ++mSessionRetries;
                qCInfo(tarvexHotkeys) << "the desktop refused a new session; trying again";
                closeStaleSession();
                mReconnectTimer.start();
                return;
            }
            sessionFailed(kStatusNotGranted, refusalText(code));
            return;
        }
        mSessionRetries = 0;
        mStaleSession.clear();
        mBus.connect(kPortalService, mSession, kSessionInterface, QStringLiteral("Closed"), this,
                     SLOT(onSessionClosed(QDBusMessage)));
        setLimitation(QString());
        break;
    case Step::ListShortcuts:
        if (code != 0) {
            sessionFailed(kStatusNotGranted, refusalText(code));
            return;
        }
        mListed = true;
        takeShortcuts(results.value(QStringLiteral("shortcuts")));
        askKdeForKeys();
        break;
    case Step::BindShortcuts:
        // Judged by the shortcuts granted: GNOME's Add answers 2 with them.
        takeShortcuts(results.value(QStringLiteral("shortcuts")));
        askKdeForKeys();
        for (const QString &id : request.shortcutIds) {
            Shortcut &shortcut = mShortcuts[id];
            shortcut.answered = true;
            if (!shortcut.bound) { // left out of a partial grant, or the whole bind refused
                shortcut.status = kStatusNotGranted;
                shortcut.reason = code == 0 ? QString() : refusalText(code);
            }
        }
        break;
    }
    notifyAll();
    scheduleSync();
}

void PortalHotKeyService::failRequest(int status, const QString &reason)
{
    if (!mRequest)
        return;
    const Request request = endRequest();
    qCDebug(tarvexHotkeys) << "request failed:" << request.path << reason;
    if (request.step != Step::BindShortcuts) {
        sessionFailed(status, reason);
        return;
    }
    for (const QString &id : request.shortcutIds) {
        Shortcut &shortcut = mShortcuts[id];
        shortcut.answered = true;
        if (!shortcut.bound) {
            shortcut.status = status;
            shortcut.reason = reason;
        }
    }
    notifyAll();
}

void PortalHotKeyService::sessionFailed(int status, const QString &reason)
{
    mSessionStatus = status;
    mSessionReason = reason;
    setLimitation(tx("Global hot keys are not available: %1").arg(reason));
    notifyAll();
}

void PortalHotKeyService::askKdeForKeys()
{
    // KDE's portal reports the key asked for even where kglobalaccel could not assign it (a
    // key KWin uses); kglobalaccel itself knows. Our component is named after the token.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.kglobalaccel"), QLatin1String("/component/") + kSessionToken,
        QStringLiteral("org.kde.kglobalaccel.Component"), QStringLiteral("allShortcutInfos"));
    call.setAutoStartService(false); // only where KDE's own runs
    mBus.callWithCallback(call, this, SLOT(onKdeKeys(QDBusMessage)));
}

void PortalHotKeyService::onKdeKeys(const QDBusMessage &reply)
{
    // (id, name, component, component name, context, context name, keys, default keys)
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("a(ssssssaiai)"))
        return;
    const QDBusArgument list = reply.arguments().value(0).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString id, name, component, componentName, context, contextName;
        QList<int> keys, defaults;
        list.beginStructure();
        list >> id >> name >> component >> componentName >> context >> contextName >> keys >> defaults;
        list.endStructure();
        if (componentName != kEntryName && handlesFor(id).size() > 0) {
            // Without an application id (portals before the registry) KDE names our entry in
            // its shortcut settings after the session token. Renaming it keeps the token, and
            // with it the keys stored under it.
            QDBusMessage rename = QDBusMessage::createMethodCall(
                QStringLiteral("org.kde.kglobalaccel"), QStringLiteral("/kglobalaccel"),
                QStringLiteral("org.kde.KGlobalAccel"), QStringLiteral("doRegister"));
            rename << QStringList{component, id, kEntryName, name};
            rename.setAutoStartService(false);
            mBus.send(rename);
        }
        const auto shortcut = mShortcuts.find(id);
        if (shortcut != mShortcuts.end() && shortcut->bound)
            shortcut->unassigned = std::all_of(keys.cbegin(), keys.cend(), [](int key) { return key == 0; });
    }
    list.endArray();
    notifyAll();
}

void PortalHotKeyService::takeShortcuts(const QVariant &list)
{
    for (const PortalShortcut &entry : PortalShortcut::listFrom(list)) {
        Shortcut &shortcut = mShortcuts[entry.id];
        shortcut.answered = true;
        shortcut.bound = true;
        shortcut.trigger = entry.properties.value(QStringLiteral("trigger_description")).toString();
        shortcut.status = 0;
        shortcut.reason.clear();
        shortcut.unassigned = false; // until kglobalaccel says otherwise
    }
}

void PortalHotKeyService::onShortcutsChanged(const QDBusMessage &message)
{
    const QList<QVariant> arguments = message.arguments();
    if (mSession.isEmpty() || pathText(arguments.value(0)) != mSession)
        return;
    takeShortcuts(arguments.value(1));
    askKdeForKeys();
    notifyAll();
}

void PortalHotKeyService::onActivated(const QDBusMessage &message)
{
    dispatch(message, kEventHotKeyPressed);
}

void PortalHotKeyService::onDeactivated(const QDBusMessage &message)
{
    dispatch(message, kEventHotKeyReleased);
}

void PortalHotKeyService::dispatch(const QDBusMessage &message, quint32 kind)
{
    const QList<QVariant> arguments = message.arguments();
    if (mSession.isEmpty() || pathText(arguments.value(0)) != mSession)
        return;
    const QString id = arguments.value(1).toString();
    if (handlesFor(id).isEmpty())
        return; // not ours (any more): nothing is kept of it
    // A desktop repeats Activated while the key is held: one action per press, as on X11.
    if (kind == kEventHotKeyPressed) {
        const qint64 now = mClock();
        const bool repeat = mHeld.contains(id) && now - mLastActivated.value(id) < kRepeatGapMs;
        mLastActivated.insert(id, now);
        if (repeat)
            return;
        mHeld.insert(id);
    } else if (!mHeld.remove(id)) {
        return;
    }
    for (Handle handle : handlesFor(id)) {
        const auto registration = mRegistrations.constFind(handle);
        if (registration == mRegistrations.cend() || !mHandler)
            continue; // the handler of an earlier one unregistered it
        mHandler(HotKeyEvent{kEventClassKeyboard, kind, registration->id, 0});
    }
}

void PortalHotKeyService::onSessionClosed(const QDBusMessage &message)
{
    if (message.path() != mSession)
        return;
    qCDebug(tarvexHotkeys) << "session closed by the desktop:" << mSession;
    resetSession();
}

void PortalHotKeyService::onPortalOwnerChanged(const QString &, const QString &oldOwner,
                                               const QString &newOwner)
{
    // A portal that starts because our first call activated it changes nothing; one that
    // went away or was replaced forgot our session, and one that comes back after a failure
    // deserves another try.
    if (oldOwner.isEmpty() && mSessionStatus == 0)
        return;
    qCDebug(tarvexHotkeys) << "the portal's owner changed:" << oldOwner << "->" << newOwner;
    if (!mSession.isEmpty())
        mStaleSession = mSession;
    mSessionRetries = 0;
    resetSession();
    closeStaleSession();
}

void PortalHotKeyService::closeStaleSession()
{
    if (mStaleSession.isEmpty())
        return;
    for (const char *backend : kBackends) {
        QDBusMessage close = QDBusMessage::createMethodCall(
            QLatin1String(backend), mStaleSession,
            QStringLiteral("org.freedesktop.impl.portal.Session"), QStringLiteral("Close"));
        close.setAutoStartService(false); // a backend of another desktop stays where it is
        mBus.send(close);
    }
}

void PortalHotKeyService::resetSession()
{
    if (mRequest)
        endRequest();
    if (!mSession.isEmpty()) {
        mBus.disconnect(kPortalService, mSession, kSessionInterface, QStringLiteral("Closed"), this,
                        SLOT(onSessionClosed(QDBusMessage)));
    }
    mSession.clear();
    mListed = false;
    mSessionStatus = 0;
    mSessionReason.clear();
    mHeld.clear();
    mLastActivated.clear();
    for (Shortcut &shortcut : mShortcuts) {
        Shortcut fresh;
        fresh.preferredTrigger = shortcut.preferredTrigger;
        fresh.edited = shortcut.edited;
        fresh.asked = shortcut.asked;
        shortcut = fresh;
    }
    // A short pause: a desktop that is restarting its portal is not ready at once.
    mReconnectTimer.start();
    notifyAll();
}

void PortalHotKeyService::notifyAll()
{
    QList<Handle> handles = mRegistrations.keys();
    std::sort(handles.begin(), handles.end());
    for (Handle handle : handles) {
        if (!mRegistrations.contains(handle)) // a listener may have unregistered it meanwhile
            continue;
        // A user who starts the program from a terminal learns why a key does nothing.
        const HotKeyGrant now = grant(handle);
        const QString told = now.pending || now.status == 0 ? QString() : now.reason;
        QString &last = mToldReasons[mRegistrations.value(handle).shortcutId];
        if (told != last && !told.isEmpty()) {
            qCWarning(tarvexHotkeys).noquote() << QStringLiteral("hot key \"%1\" (%2) is not active: %3")
                .arg(mRegistrations.value(handle).description, now.trigger, told);
        }
        last = told;
        notifyChanged(handle);
    }
}
