// Self-pipe signal relay; see UnixSignalRelay.h.
#include "UnixSignalRelay.h"

#include "AppLog.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
int gSignalPipe[2] = {-1, -1};

void relaySignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a pending wake-up; losing this byte loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(gSignalPipe[1], &byte, 1);
    errno = savedErrno;
}
} // namespace

UnixSignalRelay::UnixSignalRelay(QObject *parent) : QObject(parent) {}

UnixSignalRelay::~UnixSignalRelay()
{
    for (int signalNumber : mWatched)
        ::signal(signalNumber, SIG_DFL);
    if (mNotifier != nullptr) {
        delete mNotifier;
        ::close(gSignalPipe[0]);
        ::close(gSignalPipe[1]);
        gSignalPipe[0] = gSignalPipe[1] = -1;
    }
}

bool UnixSignalRelay::watch(std::initializer_list<int> signalNumbers)
{
    if (gSignalPipe[0] < 0) {
        if (::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            qCWarning(tarvexApp, "cannot watch for termination signals: %s", std::strerror(errno));
            return false;
        }
        mNotifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, this);
        connect(mNotifier, &QSocketNotifier::activated, this, &UnixSignalRelay::readPipe);
    }
    for (int signalNumber : signalNumbers) {
        struct sigaction action = {};
        action.sa_handler = relaySignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(signalNumber, &action, nullptr);
        mWatched.append(signalNumber);
    }
    return true;
}

void UnixSignalRelay::readPipe()
{
    unsigned char bytes[16];
    ssize_t count;
    while ((count = ::read(gSignalPipe[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i)
            emit received(bytes[i]);
    }
}
