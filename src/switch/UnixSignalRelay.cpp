// Self-pipe signal relay; see UnixSignalRelay.h.
#include "UnixSignalRelay.h"

#include <QSocketNotifier>

#include <cerrno>
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
    for (auto it = mReplaced.crbegin(); it != mReplaced.crend(); ++it)
        ::sigaction(it->first, &it->second, nullptr);
    if (mNotifier) {
        mNotifier.reset();
        ::close(gSignalPipe[0]);
        ::close(gSignalPipe[1]);
        gSignalPipe[0] = gSignalPipe[1] = -1;
    }
}

bool UnixSignalRelay::watch(std::initializer_list<int> signalNumbers)
{
    if (!mNotifier) {
        if (gSignalPipe[0] >= 0) {
            errno = EBUSY;
            return false;
        }
        if (::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return false;
        mNotifier = std::make_unique<QSocketNotifier>(gSignalPipe[0], QSocketNotifier::Read);
        connect(mNotifier.get(), &QSocketNotifier::activated, this, &UnixSignalRelay::readPipe);
    }
    for (int signalNumber : signalNumbers)
        replace(signalNumber, relaySignal);
    return true;
}

void UnixSignalRelay::ignore(std::initializer_list<int> signalNumbers)
{
    for (int signalNumber : signalNumbers)
        replace(signalNumber, SIG_IGN);
}

void UnixSignalRelay::replace(int signalNumber, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    struct sigaction previous = {};
    if (::sigaction(signalNumber, &action, &previous) == 0)
        mReplaced.append({signalNumber, previous});
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
