// PTHotKeyCenter: registration rules and event dispatch. Ids are issued here rather than taken
// from object addresses (which do not fit 32 bits) and are looked up among the current
// registrations, so an event still queued for a hot key that is gone invokes nothing.
#include "PTHotKeys/PTHotKeyCenter.h"

#include "PTHotKeys/HotKeysLog.h"
#include "PTHotKeys/PTHotKey.h"

#include <QCoreApplication>

#include <algorithm>
#include <utility>

// Internal-consistency failure: stops in debug builds, logs and stops the operation otherwise.
#define PT_INVARIANT(condition, text, ...)                                                  \
    do {                                                                                    \
        if (!(condition)) {                                                                 \
            qCCritical(tarvexHotkeys, "PTHotKeys/PTHotKeyCenter:%d: %s", __LINE__, text);  \
            Q_ASSERT_X(false, "PTHotKeyCenter", text);                                      \
            return __VA_ARGS__;                                                             \
        }                                                                                   \
    } while (false)

namespace {

std::function<std::unique_ptr<HotKeyService>()> &serviceFactory()
{
    static std::function<std::unique_ptr<HotKeyService>()> factory;
    return factory;
}

PTHotKeyCenter *gSharedHotKeyCenter = nullptr;

// The desktop lists our hot keys by a stable id and shows their translated names: "Port 1"
// becomes "port-1", described as the menu item it triggers.
HotKeyPurpose purposeFor(const PTHotKey *hotKey)
{
    QString id = hotKey->identifier().toLower();
    id.replace(QLatin1Char(' '), QLatin1Char('-'));
    const QString name = hotKey->name().isEmpty() ? hotKey->identifier() : hotKey->name();
    return {id, QCoreApplication::translate("Translation", name.toUtf8().constData())};
}

} // namespace

PTHotKeyCenter::PTHotKeyCenter(std::unique_ptr<HotKeyService> service, QObject *parent)
    : QObject(parent), mService(std::move(service))
{
    mService->setChangeHandler([this](HotKeyService::Handle handle) {
        if (handle == 0) {
            emit limitationChanged(mService->limitation());
            return;
        }
        const auto it = mHotKeys.constFind(handle);
        if (it != mHotKeys.cend())
            emit grantChanged(it->hotKey);
    });
}

PTHotKeyCenter::~PTHotKeyCenter()
{
    for (auto it = mHotKeys.cbegin(); it != mHotKeys.cend(); ++it) {
        disconnect(it->hotKey, nullptr, this, nullptr);
        mService->unregisterEventHotKey(it.key());
    }
    for (PTHotKey *hotKey : std::as_const(mSuspended))
        disconnect(hotKey, nullptr, this, nullptr);
    mService->setChangeHandler(nullptr);
}

PTHotKeyCenter *PTHotKeyCenter::sharedCenter()
{
    if (!gSharedHotKeyCenter) {
        auto service = serviceFactory() ? serviceFactory()() : HotKeyService::createForSession();
        // Kept for the life of the process, like the registrations it holds.
        gSharedHotKeyCenter = new PTHotKeyCenter(std::move(service));
    }
    return gSharedHotKeyCenter;
}

void PTHotKeyCenter::setSharedServiceFactory(
    std::function<std::unique_ptr<HotKeyService>()> factory)
{
    serviceFactory() = std::move(factory);
}

quint32 PTHotKeyCenter::issueId()
{
    do {
        ++mLastId;
    } while (mLastId == 0);
    return mLastId;
}

bool PTHotKeyCenter::registerHotKey(PTHotKey *hotKey)
{
    if (!hotKey)
        return true;
    if (allHotKeys().contains(hotKey))
        unregisterHotKey(hotKey);
    mRefusals.remove(hotKey);

    const PTKeyCombo combo = hotKey->keyCombo();
    if (!combo.isValidHotKeyCombo())
        return true;

    if (mSuspendCount > 0) {
        mSuspended.append(hotKey);
        connect(hotKey, &QObject::destroyed, this, &PTHotKeyCenter::forget, Qt::UniqueConnection);
        return true;
    }
    return registerWithService(hotKey);
}

bool PTHotKeyCenter::registerWithService(PTHotKey *hotKey)
{
    const PTKeyCombo combo = hotKey->keyCombo();
    HotKeyID hotKeyID;
    hotKeyID.signature = HotKeyService::kHotKeySignature;
    hotKeyID.id = issueId();
    HotKeyService::Handle handle = 0;
    mLastStatus = mService->registerEventHotKey(combo.keyCode(), combo.modifiers(), hotKeyID,
                                                purposeFor(hotKey), &handle);
    // A hot key destroyed while registered must not leave a grab that points nowhere, nor a
    // refusal under an address that a new object may get.
    connect(hotKey, &QObject::destroyed, this, &PTHotKeyCenter::forget, Qt::UniqueConnection);
    if (mLastStatus != 0) {
        mRefusals.insert(hotKey, mLastStatus);
        return false;
    }
    PT_INVARIANT(handle != 0, "Null hot key handle from the service", false);

    mHotKeys.insert(handle, Registration{hotKey, hotKeyID.id});
    updateEventHandler();
    return true;
}

void PTHotKeyCenter::unregisterHotKey(PTHotKey *hotKey)
{
    if (hotKey && mRefusals.remove(hotKey) > 0)
        disconnect(hotKey, &QObject::destroyed, this, &PTHotKeyCenter::forget);
    if (!hotKey || !allHotKeys().contains(hotKey))
        return;
    if (mSuspended.removeAll(hotKey) > 0) {
        disconnect(hotKey, &QObject::destroyed, this, &PTHotKeyCenter::forget);
        return;
    }
    const HotKeyService::Handle handle = carbonHotKeyForHotKey(hotKey);
    PT_INVARIANT(handle != 0, "");
    mService->unregisterEventHotKey(handle);
    mHotKeys.remove(handle);
    disconnect(hotKey, &QObject::destroyed, this, &PTHotKeyCenter::forget);
    updateEventHandler();
}

void PTHotKeyCenter::forget(QObject *object)
{
    for (auto it = mHotKeys.begin(); it != mHotKeys.end();) {
        if (it->hotKey == object) {
            mService->unregisterEventHotKey(it.key());
            it = mHotKeys.erase(it);
        } else {
            ++it;
        }
    }
    mSuspended.removeAll(object);
    mRefusals.remove(object);
}

void PTHotKeyCenter::suspendAll()
{
    if (mSuspendCount++ > 0)
        return;
    // Registration order, so that resuming makes the grabs in the order they were first made.
    QList<QPair<quint32, HotKeyService::Handle>> order;
    for (auto it = mHotKeys.cbegin(); it != mHotKeys.cend(); ++it)
        order.append({it->id, it.key()});
    std::sort(order.begin(), order.end());
    for (const auto &entry : std::as_const(order)) {
        mSuspended.append(mHotKeys.value(entry.second).hotKey);
        mService->unregisterEventHotKey(entry.second);
        mHotKeys.remove(entry.second);
    }
}

void PTHotKeyCenter::resumeAll()
{
    PT_INVARIANT(mSuspendCount > 0, "resumeAll() without suspendAll()");
    if (--mSuspendCount > 0)
        return;
    const int lastStatus = mLastStatus; // the status of the last registerHotKey() call
    const QList<PTHotKey *> suspended = std::exchange(mSuspended, {});
    QList<QPair<PTHotKey *, int>> lost;
    for (PTHotKey *hotKey : suspended) {
        if (!registerWithService(hotKey))
            lost.append({hotKey, mLastStatus});
    }
    mLastStatus = lastStatus;
    // Told after all are back, so a listener sees the center in its final state.
    for (const auto &[hotKey, status] : std::as_const(lost))
        emit registrationLost(hotKey, status);
}

HotKeyGrant PTHotKeyCenter::grantForHotKey(const PTHotKey *hotKey) const
{
    HotKeyGrant grant;
    if (const int refused = mRefusals.value(hotKey)) {
        grant.status = refused;
    } else {
        for (auto it = mHotKeys.cbegin(); it != mHotKeys.cend(); ++it) {
            if (it->hotKey == hotKey) {
                grant = mService->grant(it.key());
                break;
            }
        }
    }
    if (grant.status != 0 && grant.reason.isEmpty())
        grant.reason = HotKeyService::statusText(grant.status);
    return grant;
}

QList<PTHotKey *> PTHotKeyCenter::allHotKeys() const
{
    QList<PTHotKey *> hotKeys;
    hotKeys.reserve(mHotKeys.size() + mSuspended.size());
    for (const Registration &registration : mHotKeys)
        hotKeys.append(registration.hotKey);
    hotKeys.append(mSuspended);
    return hotKeys;
}

PTHotKey *PTHotKeyCenter::hotKeyWithIdentifier(const QString &identifier) const
{
    if (identifier.isNull())
        return nullptr;
    for (PTHotKey *hotKey : allHotKeys()) {
        if (hotKey->identifier() == identifier)
            return hotKey;
    }
    return nullptr;
}

void PTHotKeyCenter::updateEventHandler()
{
    if (!hasCarbonEventSupport() || mHotKeys.isEmpty() || mEventHandlerInstalled)
        return;
    // Never removed: it stays for the life of the process once a hot key has existed.
    mService->installEventHandler([this](const HotKeyEvent &event) {
        return sendCarbonEvent(event);
    });
    mEventHandlerInstalled = true;
}

HotKeyService::Handle PTHotKeyCenter::carbonHotKeyForHotKey(const PTHotKey *hotKey) const
{
    QList<HotKeyService::Handle> handles;
    for (auto it = mHotKeys.cbegin(); it != mHotKeys.cend(); ++it) {
        if (it->hotKey == hotKey)
            handles.append(it.key());
    }
    PT_INVARIANT(handles.size() == 1, "Failed to find Carbon Hotkey for PTHotKey", 0);
    return handles.last();
}

int PTHotKeyCenter::sendCarbonEvent(const HotKeyEvent &event)
{
    PT_INVARIANT(hasCarbonEventSupport(), "", 0);
    PT_INVARIANT(event.eventClass == HotKeyService::kEventClassKeyboard, "Unknown event class", 0);
    if (event.idStatus != 0)
        return event.idStatus;
    PT_INVARIANT(event.hotKeyID.signature == HotKeyService::kHotKeySignature
                     && event.hotKeyID.id != 0,
                 "Invalid hot key id", 0);

    PTHotKey *hotKey = nullptr;
    for (const Registration &registration : std::as_const(mHotKeys)) {
        if (registration.id == event.hotKeyID.id) {
            hotKey = registration.hotKey;
            break;
        }
    }
    if (!hotKey)
        return 0; // queued before its hot key was unregistered: nobody to invoke

    switch (event.kind) {
    case HotKeyService::kEventHotKeyPressed:
        hotKeyDown(hotKey);
        break;
    case HotKeyService::kEventHotKeyReleased:
        hotKeyUp(hotKey);
        break;
    default:
        PT_INVARIANT(false, "Unknown event kind", 0);
    }
    return 0;
}

void PTHotKeyCenter::hotKeyDown(PTHotKey *hotKey)
{
    hotKey->invoke();
}

void PTHotKeyCenter::hotKeyUp(PTHotKey *)
{
}
