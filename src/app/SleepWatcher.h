// SleepWatcher: tells the program when the machine has woken from suspend, from logind's
// PrepareForSleep(bool) signal on the system bus. A hidraw node that lived through a suspend
// may be stale, so the program rebuilds its device list on resumed(). Widget-free.
#pragma once

#include <QDBusConnection>
#include <QObject>

class SleepWatcher : public QObject
{
    Q_OBJECT

public:
    // Listens on the system bus, or on the session bus when TARVEX_SLEEP_BUS=session (tests
    // run a private session bus with a stand-in for logind). Without a bus it stays silent:
    // no logind, no suspend to hear about.
    explicit SleepWatcher(QObject *parent = nullptr);
    // Listens on the given connection (tests).
    SleepWatcher(const QDBusConnection &bus, QObject *parent = nullptr);

    bool isListening() const { return mListening; }

signals:
    void aboutToSleep();
    void resumed();

private slots:
    void onPrepareForSleep(bool sleeping);

private:
    bool listen(QDBusConnection bus);

    bool mListening = false;
};
