// What a registry refresh costs with many switches attached, and how much of a status
// exchange is more than its three mandated 1 ms pauses.
#include "usb/IOWarriorController.h"
#include "usb/IOWarriorLib.h"
#include "usb/sim/SimHidPlatform.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

void BM_RegistryRefresh16Switches(benchmark::State &state)
{
    auto sim = tarvex::SimHidPlatform::withDefaultSwitches(16);
    IOWarriorSetPlatform(sim.get());
    IOWarriorInit();
    IOWarriorController registry;
    for (auto _ : state) {
        gIOWarriorListDirty = 1; // as after a plug event: every refresh rediscovers
        registry.findAttachedDevices();
        benchmark::DoNotOptimize(registry.allDevices().size());
        state.PauseTiming();
        for (const auto &sw : sim->attachedSwitches())
            sw->clearLog();
        state.ResumeTiming();
    }
    IOWarriorClearInterfaceList();
    IOWarriorSetPlatform(nullptr);
}
BENCHMARK(BM_RegistryRefresh16Switches)->Unit(benchmark::kMicrosecond);

void BM_StatusExchange(benchmark::State &state)
{
    auto sim = tarvex::SimHidPlatform::withDefaultSwitches(1);
    IOWarriorSetPlatform(sim.get());
    IOWarriorInit();
    IOWarriorController registry;
    registry.findAttachedDevices();
    IOWarriorListNodeStruct *node = registry.deviceWithSerial(QString::fromStdString(tarvex::SimHidPlatform::defaultSerial(0)));
    auto sw = sim->attachedSwitches().front();
    for (auto _ : state) {
        SwitchStatusRecord record;
        record.queryCode = 3;
        benchmark::DoNotOptimize(registry.readValueFromIOWarrior(node, record));
        state.PauseTiming();
        sw->clearLog();
        state.ResumeTiming();
    }
    state.counters["ratio_to_3ms"] = benchmark::Counter(
        3e-3 * static_cast<double>(state.iterations()), benchmark::Counter::Flags(benchmark::Counter::kIsRate | benchmark::Counter::kInvert));
    IOWarriorClearInterfaceList();
    IOWarriorSetPlatform(nullptr);
}
BENCHMARK(BM_StatusExchange)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
