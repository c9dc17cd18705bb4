// dcshost_calibrate_bench: the fits of calibrate over a recording's worth
// of loops, one hour at 1 s each (3,600 steps): FitPid then FitPlant per
// loop, on one core. The loops come from the simulated control system's own
// block (tests/dcshost/calibrate/loop_sim.h), a mix of the cases the fit must
// survive; recording them is not timed. `peak_MB` is the process's peak
// resident memory (getrusage), the loops' data included.
//   build/linux-i686/bin/dcshost_calibrate_bench                      (200 loops)
//   build/linux-i686/bin/dcshost_calibrate_bench --benchmark_filter=loops:2000
#include <sys/resource.h>

#include <vector>

#include <benchmark/benchmark.h>

#include "tests/dcshost/calibrate/loop_sim.h"

namespace {

constexpr int kSteps = 3600;

// The i-th loop of the mix: PI, PID with noise, slow scan, clamped,
// manual spans and writes, late reads.
SimLoop Mix(int i)
{
    SimLoop s;
    s.steps = kSteps;
    s.seed = static_cast<uint64_t>(i) + 1;
    s.noise = 0.2;
    s.kp = 1.0 + 0.1 * (i % 7);
    s.ti = 10.0 + i % 30;
    s.tau = 8.0 + i % 25;
    s.dead = i % 4;
    switch (i % 6) {
    case 1:
        s.td = 1.0 + i % 3;
        break;
    case 2:
        s.scan = 3.0;
        break;
    case 3:
        s.op_hi = 62.0, s.op_lo = 45.0;
        break;
    case 4:
        s.manual = {{900, 960}, {2000, 2100}}, s.writes = {{930, 45.0}, {1500, 58.0}};
        break;
    case 5:
        s.phase = 0.02, s.jitter = 0.05;
        break;
    default:
        break;
    }
    return s;
}

void BenchFits(benchmark::State& state)
{
    const int loops = static_cast<int>(state.range(0));
    std::vector<LoopData> data;
    data.reserve(loops);
    for (int i = 0; i < loops; ++i) data.push_back(RecordLoop(Mix(i)));
    int fitted = 0;
    for (auto _ : state) {
        fitted = 0;
        for (const LoopData& loop : data) {
            PidFit pid = FitPid(loop);
            PlantFit plant = FitPlant(loop, pid);
            fitted += pid.not_identifiable == nullptr && plant.not_identifiable == nullptr;
            benchmark::DoNotOptimize(plant);
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["fitted"] = fitted;
}

}  // namespace

BENCHMARK(BenchFits)
    ->ArgName("loops")
    ->Arg(200)
    ->Arg(2000)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);

BENCHMARK_MAIN();
