// Binding, release and starting values at full scale: DCSConfigure beyond
// its settle (the settle's Sleep is the double's, which returns at once),
// DCSReset and DCSInitialize, each next to its floor.
#include <ctime>
#include <string>

#include "bench/bench_registry.h"
#include "bench/counters.h"
#include "bench/same_calls.h"
#include "bench/scene.h"
#include "dcs/driver/entry_points.h"
#include "standins/winshim/winshim_double.h"

namespace {

// The calling thread's CPU time: what the work costs, whatever else the machine runs.
double ThreadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

constexpr int32_t kSettleSleeps = 10;

// The scene for one side and size, checked against the floor first.
Scene* Enter(benchmark::State& state, Side side, Op op)
{
    const int32_t rows = static_cast<int32_t>(state.range(0));
    const std::string differs = CompareWithFloor(op, rows);
    if (!differs.empty()) {
        state.SkipWithError(("floor and driver differ: " + differs).c_str());
        return nullptr;
    }
    Scene* scene = EnterScene(side, rows);
    if (!scene) state.SkipWithError("binding failed");
    return scene;
}

// Only the bind is timed and counted; the release that makes room for it is not.
void BenchConfigure(benchmark::State& state, Side side)
{
    Scene* scene = Enter(state, side, Op::kConfigure);
    if (!scene) return;
    const int32_t sleeps = WinShimSleepCount();
    CallCounts total;
    for (auto _ : state) {
        UnbindScene(*scene);
        const CallCounts before = ReadCounts();
        const double start = ThreadSeconds();
        const bool bound = BindScene(*scene);
        state.SetIterationTime(ThreadSeconds() - start);
        total += ReadCounts() - before;
        if (!bound) {
            state.SkipWithError("DCSConfigure failed");
            return;
        }
    }
    // Had the real shim been bound, each configuration would have slept ten seconds.
    const int64_t slept = WinShimSleepCount() - sleeps;
    const int64_t expected = side == Side::kDriver ? kSettleSleeps * state.iterations() : 0;
    if (slept != expected) {
        state.SkipWithError("the settle's Sleep did not reach the double");
        return;
    }
    ReportPerPass(state, total, scene->rows, Expected{0, 0, 0});
}

// Only the release is timed and counted.
void BenchReset(benchmark::State& state, Side side)
{
    Scene* scene = Enter(state, side, Op::kReset);
    if (!scene) return;
    CallCounts total;
    for (auto _ : state) {
        const CallCounts before = ReadCounts();
        const double start = ThreadSeconds();
        UnbindScene(*scene);
        state.SetIterationTime(ThreadSeconds() - start);
        total += ReadCounts() - before;
        if (!BindScene(*scene)) {
            state.SkipWithError("DCSConfigure failed");
            return;
        }
    }
    ReportPerPass(state, total, scene->rows, Expected{0, 0, 0});
}

void BenchInitialize(benchmark::State& state, Side side)
{
    Scene* scene = Enter(state, side, Op::kInitialize);
    if (!scene) return;
    PrepareOp(*scene, Op::kInitialize);
    DCSData* data = scene->data;
    FloorPlan& plan = scene->plan;
    const CallCounts before = ReadCounts();
    if (side == Side::kDriver) {
        for (auto _ : state) DCSInitialize(data);
    } else {
        for (auto _ : state) FloorInitialize(plan);
    }
    // One array send, then one send per import, mode, OP Init and SP Init.
    ReportPerPass(state, ReadCounts() - before, scene->rows, Expected{0, 1 + 4 * scene->rows, 0});
}

}  // namespace

void RegisterLifecycleBenchmarks()
{
    for (int rows : {100, 2000}) {
        for (Side side : {Side::kDriver, Side::kFloor}) {
            benchmark::RegisterBenchmark(BenchName("DCSConfigure", side).c_str(), BenchConfigure,
                                         side)
                ->Arg(rows)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
        for (Side side : {Side::kDriver, Side::kFloor}) {
            benchmark::RegisterBenchmark(BenchName("DCSReset", side).c_str(), BenchReset, side)
                ->Arg(rows)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
    }
    for (Side side : {Side::kDriver, Side::kFloor}) {
        benchmark::RegisterBenchmark(BenchName("DCSInitialize", side).c_str(), BenchInitialize,
                                     side)
            ->Arg(2000)
            ->Unit(benchmark::kMillisecond);
    }
}
