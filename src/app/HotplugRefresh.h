// The refresh after a switch is plugged in: a freshly enumerated chip needs its moment, so
// the registry and the menu are refreshed between waits of 300 ms. The waits run on timers
// with DeviceGate shut: the menu, the hot keys and the windows stay live meanwhile, and a
// command, a rotation step, another plug or unplug, or quitting that arrives during them
// runs after the last wait, in order.
#pragma once

#include <functional>

class HotplugRefresh
{
public:
    // A pause calls `resume` from the event loop once `microseconds` have passed; it never
    // blocks. Tests replace it; null restores the timer.
    using Pause = std::function<void(unsigned microseconds, std::function<void()> resume)>;
    static void setPause(Pause pause);
    static void pause(unsigned microseconds, std::function<void()> resume);

    // Wait, `refreshRegistry`, wait, `refreshMenu`, wait; behind whatever holds the gate now.
    static void afterPlug(std::function<void()> refreshRegistry, std::function<void()> refreshMenu);
};
