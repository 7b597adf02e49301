// Tells when the desktop has a tray host for the status icon: the X11 system-tray manager of
// our screen, or a StatusNotifierWatcher on the session bus with a host registered. At login
// the panel may come up after us, and Qt decides once, at the first tray icon, whether a tray
// exists; so the icon is made only when a host is there, and start-up waits a while for one
// before it falls back to a window.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QTimer>

#include <cstdint>

class TrayHostWatcher : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    static constexpr int kDefaultWaitMs = 10000;

    explicit TrayHostWatcher(QObject *parent = nullptr);
    ~TrayHostWatcher() override;

    // How long start() waits before waitExpired (tests and scripted sessions set it).
    void setWaitTime(int milliseconds) { mWait.setInterval(milliseconds); }
    int waitTime() const { return mWait.interval(); }

    // Looks for a host now and keeps looking. hostAppeared comes once, at once when a host is
    // already known; waitExpired comes once when none came within the wait (a host may still
    // come later).
    void start();
    bool hasHost() const { return mFound; }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

signals:
    // `statusNotifierHost`: the host is a StatusNotifierItem host, which can draw an icon by
    // its theme name at the panel's own size.
    void hostAppeared(bool statusNotifierHost);
    void waitExpired();

private slots:
    void checkStatusNotifierHost();

private:
    void watchX11();
    void found(bool statusNotifierHost);

    QTimer mWait;
    bool mStarted = false;
    bool mFound = false;
    bool mToldWaiting = false;
    std::uint32_t mManagerAtom = 0; // X11 "MANAGER" and "_NET_SYSTEM_TRAY_S<screen>"
    std::uint32_t mTrayAtom = 0;
};
