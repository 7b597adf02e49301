// Real-time pacing for firmware transfers; see PreciseTransferClock.h.
#include "switch/PreciseTransferClock.h"

#include <QObject>
#include <QTimer>

#include <cerrno>
#include <ctime>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

// Timers that fire early are not a concern, but a timer that fires late wastes transfer
// time; waking this much before the deadline and sleeping the rest keeps both in hand.
constexpr auto kTimerMargin = std::chrono::milliseconds(2);
constexpr auto kSpinLimit = std::chrono::microseconds(200);

} // namespace

TransferClock::TimePoint PreciseTransferClock::now()
{
    return std::chrono::steady_clock::now();
}

void PreciseTransferClock::sleepUntil(TimePoint deadline)
{
    // A pause this short costs more in the wake-up than in the waiting: waiting it out on
    // the CPU keeps the 0.1 ms after each record header from growing to several times that
    // on a busy machine.
    if (deadline - now() <= kSpinLimit) {
        while (now() < deadline) {
        }
        return;
    }
    // steady_clock is CLOCK_MONOTONIC; an absolute deadline does not drift when a sleep is
    // interrupted by a signal and restarted.
    const auto since = deadline.time_since_epoch();
    const auto secs = std::chrono::duration_cast<std::chrono::seconds>(since);
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(secs.count());
    ts.tv_nsec = static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(since - secs).count());
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

void PreciseTransferClock::callAt(TimePoint deadline, QObject *context, std::function<void()> then)
{
    const auto remaining = deadline - now();
    auto fire = [this, deadline, then = std::move(then)]() {
        sleepUntil(deadline);
        then();
    };
    if (remaining > 2 * kTimerMargin) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(remaining - kTimerMargin);
        QTimer::singleShot(ms, Qt::PreciseTimer, context, std::move(fire));
    } else {
        QTimer::singleShot(0, context, std::move(fire));
    }
}

void PreciseTransferClock::beginTransfer()
{
#ifdef __linux__
    mSavedSlack = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
#endif
}

void PreciseTransferClock::endTransfer()
{
#ifdef __linux__
    if (mSavedSlack > 0)
        prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(mSavedSlack), 0, 0, 0);
#endif
    mSavedSlack = -1;
}
