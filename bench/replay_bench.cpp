// dcshost_replay_bench: a replay's cost per step beside the run that made
// the recording, at 2,000 loops. `run_record` runs the generated unit for
// N steps at full speed with --record (no settle wait, no trends); `replay`
// replays that recording against the same module (no trends). Each reports
// its wall-clock time per step (`s_per_step`); a replay should take no more
// than its run.
//   build/linux-i686/bin/dcshost_replay_bench [--benchmark_filter=...]
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "dcshost/commands/generate.h"
#include "dcshost/replay/replay.h"
#include "dcshost/run/run.h"
#include "module/driver_loader.h"

namespace {

constexpr int kRows = 2000;
const char kRecording[] = "replay_bench.rec.gz";

// The commands' own lines are not the benchmark's.
class Quiet {
public:
    Quiet()
    {
        std::fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        close(null);
    }
    ~Quiet()
    {
        std::fflush(stdout);
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
    }

private:
    int saved_;
};

void PerStep(benchmark::State& state, int steps)
{
    state.counters["s_per_step"] =
        benchmark::Counter(static_cast<double>(steps) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BenchRunRecord(benchmark::State& state)
{
    const int steps = static_cast<int>(state.range(0));
    Scenario scenario;
    std::vector<ScenarioError> errors;
    if (!ParseScenario(GenerateScaleScenario(kRows), "generated", scenario, errors)) {
        state.SkipWithError("the generated scenario does not read");
        return;
    }
    RunOptions options;
    options.driver_path = DefaultDriverPath();
    options.duration = steps * scenario.run.step;
    options.settle_wait = false;
    options.trends = false;
    options.record = kRecording;
    for (auto _ : state) {
        std::remove(kRecording);
        Quiet quiet;
        if (RunScenario(scenario, options) != 0) state.SkipWithError("the run was not clean");
    }
    PerStep(state, steps);
}

void BenchReplay(benchmark::State& state)
{
    const int steps = static_cast<int>(state.range(0));
    ReplayOptions options;
    options.recording = kRecording;
    options.driver_path = DefaultDriverPath();
    options.trends = false;
    for (auto _ : state) {
        Quiet quiet;
        if (ReplayRecording(options) != 0) state.SkipWithError("the replay was not identical");
    }
    PerStep(state, steps);
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // The replay reads what the run before it recorded.
    const struct {
        const char* name;
        void (*bench)(benchmark::State&);
    } benches[] = {{"run_record", BenchRunRecord}, {"replay", BenchReplay}};
    for (const auto& b : benches)
        benchmark::RegisterBenchmark(b.name, b.bench)
            ->Arg(300)
            ->ArgName("steps")
            ->Unit(benchmark::kSecond)
            ->UseRealTime()
            ->Iterations(1)
            ->Repetitions(3);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(kRecording);
    return 0;
}
