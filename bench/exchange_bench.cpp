// DCSSimulate: one exchange pass, on the array path and on the per-tag path,
// at 1 to 2,000 rows in each table, each size next to its floor.
#include <string>

#include "bench/bench_registry.h"
#include "bench/counters.h"
#include "bench/same_calls.h"
#include "bench/scene.h"
#include "dcs/driver/entry_points.h"

namespace {

void BenchSimulate(benchmark::State& state, Side side, Op op)
{
    const int32_t rows = static_cast<int32_t>(state.range(0));
    const std::string differs = CompareWithFloor(op, rows);
    if (!differs.empty()) {
        state.SkipWithError(("floor and driver differ: " + differs).c_str());
        return;
    }
    Scene* scene = EnterScene(side, rows);
    if (!scene) {
        state.SkipWithError("binding failed");
        return;
    }
    PrepareOp(*scene, op);
    DCSData* data = scene->data;
    FloorPlan& plan = scene->plan;

    const CallCounts before = ReadCounts();
    if (side == Side::kDriver) {
        for (auto _ : state) DCSSimulate(data);
    } else if (op == Op::kSimulateArray) {
        for (auto _ : state) FloorSimulateArray(plan);
    } else {
        for (auto _ : state) FloorSimulatePerTag(plan);
    }
    const CallCounts total = ReadCounts() - before;

    // Three bulk reads whatever the size; the array path sends once.
    Expected expected;
    expected.list_reads = 3;
    expected.sends = op == Op::kSimulateArray ? 1 : rows;
    ReportPerPass(state, total, rows, expected);
}

}  // namespace

void RegisterExchangeBenchmarks()
{
    const struct {
        const char* name;
        Op op;
    } paths[] = {{"DCSSimulate/array", Op::kSimulateArray},
                 {"DCSSimulate/per-tag", Op::kSimulatePerTag}};
    for (const auto& path : paths) {
        for (int rows : {1, 10, 100, 1000, 2000}) {
            // Driver and floor of one size run back to back, under the same load.
            for (Side side : {Side::kDriver, Side::kFloor}) {
                benchmark::RegisterBenchmark(BenchName(path.name, side).c_str(), BenchSimulate,
                                             side, path.op)
                    ->Arg(rows)
                    ->Unit(benchmark::kMicrosecond);
            }
        }
    }
}
