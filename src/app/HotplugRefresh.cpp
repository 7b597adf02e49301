// The settling waits after a plug; see HotplugRefresh.h.
#include "HotplugRefresh.h"

#include "switch/DeviceGate.h"

#include <QTimer>

#include <utility>

namespace {

constexpr unsigned kSettle = 300000; // microseconds

void timerPause(unsigned microseconds, std::function<void()> resume)
{
    QTimer::singleShot(int(microseconds / 1000), std::move(resume));
}

HotplugRefresh::Pause &pauseFunction()
{
    static HotplugRefresh::Pause pause = timerPause;
    return pause;
}

} // namespace

void HotplugRefresh::setPause(Pause pause)
{
    pauseFunction() = pause ? std::move(pause) : timerPause;
}

void HotplugRefresh::pause(unsigned microseconds, std::function<void()> resume)
{
    pauseFunction()(microseconds, std::move(resume));
}

void HotplugRefresh::afterPlug(std::function<void()> refreshRegistry, std::function<void()> refreshMenu)
{
    DeviceGate::instance().runOrDefer([refreshRegistry = std::move(refreshRegistry),
                                       refreshMenu = std::move(refreshMenu)]() mutable {
        DeviceGate::instance().begin(QStringLiteral("hot-plug refresh"));
        pause(kSettle, [refreshRegistry = std::move(refreshRegistry),
                        refreshMenu = std::move(refreshMenu)]() mutable {
            refreshRegistry();
            pause(kSettle, [refreshMenu = std::move(refreshMenu)] {
                refreshMenu();
                pause(kSettle, [] { DeviceGate::instance().end(); });
            });
        });
    });
}
