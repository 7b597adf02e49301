// Turns Unix signals into a Qt signal on the main thread. The handler only writes the signal
// number into a pipe; everything else happens in the event loop, where it is safe to save
// settings, print, or end a rotation in order. Used by the tray program (termination) and by
// tarvexctl (Ctrl-C during a rotation or a firmware transfer). The handlers it replaced come
// back when it is destroyed. One relay watches at a time: the pipe is the process's.
#pragma once

#include <QList>
#include <QObject>

#include <csignal>
#include <initializer_list>
#include <memory>

class QSocketNotifier;

class UnixSignalRelay : public QObject
{
    Q_OBJECT
public:
    explicit UnixSignalRelay(QObject *parent = nullptr);
    ~UnixSignalRelay() override;
    UnixSignalRelay(const UnixSignalRelay &) = delete;
    UnixSignalRelay &operator=(const UnixSignalRelay &) = delete;

    // Installs the handlers. False, with errno set, if the pipe could not be made or another
    // relay is watching; the signals then keep their usual effect.
    bool watch(std::initializer_list<int> signalNumbers);
    // Ignores these signals while the relay lives (SIGPIPE: output to a closed pipe must not
    // end a program that has a switch to leave in order).
    void ignore(std::initializer_list<int> signalNumbers);

signals:
    void received(int signalNumber);

private:
    void readPipe();
    void replace(int signalNumber, void (*handler)(int));

    std::unique_ptr<QSocketNotifier> mNotifier;
    QList<std::pair<int, struct sigaction>> mReplaced; // to put back, in reverse order
};
