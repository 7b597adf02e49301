// Watching for a tray host; see TrayHostWatcher.h.
#include "TrayHostWatcher.h"

#include "AppLog.h"
#include "PTHotKeys/x11/QtXcbConnection.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

#include <cstdlib>
#include <memory>
#include <utility>

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

template <typename Reply>
using XcbReply = std::unique_ptr<Reply, decltype(&std::free)>;

// The screen Qt connects to: the number after the dot in $DISPLAY (":0.1"), else 0.
int displayScreen()
{
    const QByteArray display = qgetenv("DISPLAY");
    const int colon = display.lastIndexOf(':');
    const int dot = display.indexOf('.', colon + 1);
    bool ok = false;
    const int screen = colon >= 0 && dot > colon ? display.mid(dot + 1).toInt(&ok) : 0;
    return ok && screen > 0 ? screen : 0;
}

xcb_atom_t internAtom(xcb_connection_t *connection, const QByteArray &name)
{
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, quint16(name.size()), name.constData());
    const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr),
                                                  &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace

TrayHostWatcher::TrayHostWatcher(QObject *parent) : QObject(parent)
{
    mWait.setSingleShot(true);
    mWait.setInterval(kDefaultWaitMs);
    connect(&mWait, &QTimer::timeout, this, &TrayHostWatcher::waitExpired);
}

TrayHostWatcher::~TrayHostWatcher()
{
    if (mManagerAtom != 0 && QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void TrayHostWatcher::start()
{
    if (mStarted)
        return;
    mStarted = true;
    watchX11();
    if (mFound)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        auto *services = new QDBusServiceWatcher(kWatcherService, bus,
                                                 QDBusServiceWatcher::WatchForRegistration, this);
        connect(services, &QDBusServiceWatcher::serviceRegistered, this,
                &TrayHostWatcher::checkStatusNotifierHost);
        // A watcher may be up before the panel has registered its host with it.
        bus.connect(kWatcherService, kWatcherPath, kWatcherService,
                    QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(checkStatusNotifierHost()));
        checkStatusNotifierHost(); // says "no tray host yet" only when the watcher has none
    } else {
        qCDebug(tarvexApp, "no tray host yet; waiting up to %d ms for one", waitTime());
    }
    mWait.start();
}

void TrayHostWatcher::checkStatusNotifierHost()
{
    if (mFound)
        return;
    // Qt asks the same property when it makes the icon: a watcher without a host is no tray.
    QDBusMessage get = QDBusMessage::createMethodCall(kWatcherService, kWatcherPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    auto *call = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(get), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *answer) {
        answer->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *answer;
        if (!reply.isError() && reply.value().variant().toBool())
            found(true);
        else if (!mFound && mWait.isActive() && !std::exchange(mToldWaiting, true))
            qCDebug(tarvexApp, "no tray host yet; waiting up to %d ms for one", waitTime());
    });
}

void TrayHostWatcher::watchX11()
{
    xcb_connection_t *connection = qtXcbConnection();
    if (connection == nullptr)
        return;
    const int screen = displayScreen();
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screen && it.rem > 0; ++i)
        xcb_screen_next(&it);
    if (it.rem == 0)
        return;
    const xcb_window_t root = it.data->root;
    mManagerAtom = internAtom(connection, "MANAGER");
    mTrayAtom = internAtom(connection, "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen));
    // A new tray manager announces itself to the root window's StructureNotify listeners.
    // The event mask is per client, so ours is added to what Qt selected there.
    const XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, root), nullptr),
        &std::free);
    const quint32 mask = (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    // Listening before asking: a manager that starts in between is not missed.
    QCoreApplication::instance()->installNativeEventFilter(this);
    const XcbReply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, mTrayAtom), nullptr),
        &std::free);
    if (owner && owner->owner != XCB_WINDOW_NONE)
        found(false);
}

bool TrayHostWatcher::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (mFound || eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
        return false;
    const auto *client = static_cast<const xcb_client_message_event_t *>(message);
    if (client->type == mManagerAtom && client->format == 32 && client->data.data32[1] == mTrayAtom)
        found(false);
    return false; // Qt's own tray code wants the announcement too
}

void TrayHostWatcher::found(bool statusNotifierHost)
{
    if (mFound)
        return;
    mFound = true;
    mWait.stop();
    qCDebug(tarvexApp, "tray host found");
    emit hostAppeared(statusNotifierHost);
}
