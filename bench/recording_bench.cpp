// The recording's cost per step (dcshost run --record): one DCSSimulate at
// 2,000 loops, plain and recorded, each pass with every exported PV changed
// as a plant would change it, so the recording writes what a running unit
// makes it write. The recording goes to a file in the build tree.
#include <dlfcn.h>

#include <cstdio>
#include <string>

#include "bench/bench_registry.h"
#include "bench/counters.h"
#include "bench/same_calls.h"
#include "bench/scene.h"
#include "dcs/driver/entry_points.h"
#include "recording/recorder/recorder.h"

namespace {

const int32_t kRows = 2000;

void ChangeExports(DCSData* data, int pass)
{
    for (int32_t i = 0; i < data->PVCount; ++i)
        data->PVRows[i].Value = 20.0 + i % 70 + 0.001 * (pass % 1000) + 1e-7 * i;
}

long FileSize(const std::string& path)
{
    long size = 0;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fseek(file, 0, SEEK_END);
        size = std::ftell(file);
        std::fclose(file);
    }
    return size;
}

void BenchStep(benchmark::State& state, bool recorded)
{
    Scene* scene = EnterScene(Side::kDriver, kRows);
    if (!scene) {
        state.SkipWithError("binding failed");
        return;
    }
    PrepareOp(*scene, Op::kSimulateArray);
    DCSData* data = scene->data;
    const std::string path = "recording_bench.rec.gz";
    void* module = dlopen("libvornak.so", RTLD_NOW | RTLD_NOLOAD);
    std::string error;
    if (recorded && !StartRecording(module, path.c_str(), "dcs_bench", "none", error)) {
        state.SkipWithError(error.c_str());
        if (module) dlclose(module);
        return;
    }
    // The first recorded pass gives the whole block and every call in full;
    // a step of a running unit gives what changed.
    int pass = 0;
    ChangeExports(data, ++pass);
    RecordTime(pass);
    RecordEntry(REC_SIMULATE, &DCSSimulate, data);
    const long first = FileSize(path);  // each pass ends on a sync point of the stream
    const CallCounts before = ReadCounts();
    for (auto _ : state) {
        ChangeExports(data, ++pass);
        if (recorded) {
            RecordTime(pass);
            RecordEntry(REC_SIMULATE, &DCSSimulate, data);
        } else {
            DCSSimulate(data);
        }
    }
    const CallCounts total = ReadCounts() - before;
    if (recorded) {
        if (!StopRecording(error)) state.SkipWithError(error.c_str());
        // Compressed bytes per timed pass ("end" and the stream's trailer aside).
        if (pass > 1)
            state.counters["bytes"] =
                static_cast<double>(FileSize(path) - first) / static_cast<double>(pass - 1);
        std::remove(path.c_str());
    }
    if (module) dlclose(module);
    Expected expected;
    expected.list_reads = 3;
    expected.sends = 1;
    ReportPerPass(state, total, kRows, expected);
}

}  // namespace

// In the summary's table the recorded pass is the "driver" side and the
// plain one its "floor": the ratio is what recording adds.
void RegisterRecordingBenchmarks()
{
    for (Side side : {Side::kDriver, Side::kFloor}) {
        benchmark::RegisterBenchmark(BenchName("DCSSimulate/recorded", side).c_str(), BenchStep,
                                     side == Side::kDriver)
            ->Arg(kRows)
            ->Unit(benchmark::kMicrosecond);
    }
}
