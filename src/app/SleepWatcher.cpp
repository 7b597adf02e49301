// Subscribes to logind's PrepareForSleep signal. Only the owner of the logind name is heard:
// anybody on the bus may emit a signal with that name, but only logind speaks for suspend.
#include "SleepWatcher.h"

#include <QtGlobal>

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSignal = QStringLiteral("PrepareForSleep");

QDBusConnection configuredBus()
{
    if (qEnvironmentVariable("TARVEX_SLEEP_BUS") == QLatin1String("session"))
        return QDBusConnection::sessionBus();
    return QDBusConnection::systemBus();
}

} // namespace

SleepWatcher::SleepWatcher(QObject *parent) : QObject(parent)
{
    listen(configuredBus());
}

SleepWatcher::SleepWatcher(const QDBusConnection &bus, QObject *parent) : QObject(parent)
{
    listen(bus);
}

bool SleepWatcher::listen(QDBusConnection bus)
{
    if (!bus.isConnected())
        return false;
    mListening = bus.connect(kService, kPath, kInterface, kSignal, this, SLOT(onPrepareForSleep(bool)));
    return mListening;
}

void SleepWatcher::onPrepareForSleep(bool sleeping)
{
    if (sleeping)
        emit aboutToSleep();
    else
        emit resumed();
}
