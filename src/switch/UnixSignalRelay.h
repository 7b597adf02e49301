// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the main thread. The handler only
// writes the signal number into a pipe; everything else happens in the event loop, where
// it is safe to save settings and shut down in order.
#pragma once

#include <QObject>

class QSocketNotifier;

class UnixSignalRelay : public QObject
{
    Q_OBJECT
public:
    explicit UnixSignalRelay(QObject *parent = nullptr);
    ~UnixSignalRelay() override;

    // Installs the handlers; false (with the reason in the log) if the pipe could not be made.
    bool watch(std::initializer_list<int> signalNumbers);

signals:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *mNotifier = nullptr;
    QList<int> mWatched;
};
