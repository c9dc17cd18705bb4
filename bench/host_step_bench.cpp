// dcshost_bench: what dcshost itself costs per step at scale, beside the
// driver's pass, each as a share of a 1 s slot (the table at the end): the
// plant, the PV rows with and without upsets, the trends and figures, the
// value watch of a live run, the coupling watch, and the whole step as a run
// makes it. Every benchmark measures a step where nothing goes wrong, and
// fails (exit 1) when one did: a host message, a value a float cannot carry,
// the coupling lost, an upset that did not act. Never for a time.
//   build/linux-i686/bin/dcshost_bench [--benchmark_filter=...]
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/host_scene.h"

namespace {

constexpr int kRows = 2000;
// Upsets act from 0 to the scenario's end: a time inside, for every pass.
constexpr double kUpsetTime = 100.0;

HostScene* Enter(benchmark::State& state)
{
    std::string error;
    HostScene* scene = EnterHostScene(static_cast<int>(state.range(0)), error);
    if (!scene) state.SkipWithError(("no scene: " + error).c_str());
    return scene;
}

// Nothing unsound may have happened in the steps measured.
void Verify(benchmark::State& state, HostScene& s)
{
    std::string wrong;
    if (s.session.Log().Total() != 0)
        wrong = std::to_string(s.session.Log().Total()) + " host messages";
    else if (!s.values.Found().empty())
        wrong = "unsound value: " + FormatUnsoundSent(s.values.Found().front());
    else if (!s.coupling.Losses().empty())
        wrong = FormatCouplingLoss(s.coupling.Losses().front());
    if (!wrong.empty()) state.SkipWithError(wrong.c_str());
}

void BenchPlant(benchmark::State& state)
{
    HostScene* s = Enter(state);
    if (!s) return;
    HostBlock& block = s->session.Block();
    for (auto _ : state) {
        Gather(block, s->signals);
        s->plant.Advance(s->signals);
    }
    Verify(state, *s);
}

void BenchPVRows(benchmark::State& state, bool upsets)
{
    HostScene* s = Enter(state);
    if (!s) return;
    Upsets& acting = upsets ? s->every : s->none;
    HostBlock& block = s->session.Block();
    for (auto _ : state) acting.Export(kUpsetTime, block, s->plant, s->wiring, s->signals, nullptr);
    if (acting.Active() != (upsets ? 2 * s->plant.Count() : 0))
        state.SkipWithError(("upsets acting: " + std::to_string(acting.Active())).c_str());
    // The rows as the plant has them again, for the benchmarks after this one.
    for (int b = 0; b < s->plant.Count(); ++b) s->plant.SetAdded(b, 0.0);
    s->none.Export(kUpsetTime, block, s->plant, s->wiring, s->signals, nullptr);
    Verify(state, *s);
}

void BenchTrends(benchmark::State& state)
{
    HostScene* s = Enter(state);
    if (!s) return;
    double time = 0.0;
    for (auto _ : state) {
        SampleTrends(*s, time += 1.0);
        if (s->samples < kTrendSamplesKept) continue;
        state.PauseTiming();
        ResetTrends(*s);
        state.ResumeTiming();
    }
    Verify(state, *s);
}

void BenchValueWatch(benchmark::State& state)
{
    HostScene* s = Enter(state);
    if (!s) return;
    HostBlock& block = s->session.Block();
    for (auto _ : state) s->values.CheckExports(block);
    Verify(state, *s);
}

void BenchCoupling(benchmark::State& state)
{
    HostScene* s = Enter(state);
    if (!s) return;
    double time = 0.0;
    for (auto _ : state) {
        s->coupling.BeginStep();
        benchmark::DoNotOptimize(s->coupling.EndStep(time += 1.0));
    }
    Verify(state, *s);
}

// The driver's pass, with the value watch on every value it writes, as in a
// simulated run.
void BenchDriverPass(benchmark::State& state)
{
    HostScene* s = Enter(state);
    if (!s) return;
    const DriverEntryPoints& api = s->session.Api();
    DCSData* data = s->session.Data();
    for (auto _ : state) api.Simulate(data);
    Verify(state, *s);
}

// A run's step but the pacing's wait, the progress line and the simulated
// control system's own scan: the plant, the PV rows, the exchange with the
// coupling watched, the sample.
void BenchStep(benchmark::State& state)
{
    HostScene* s = Enter(state);
    if (!s) return;
    HostBlock& block = s->session.Block();
    double time = 0.0;
    for (auto _ : state) {
        time += 1.0;
        s->session.SetTime(time);
        s->values.SetTime(time);
        Gather(block, s->signals);
        s->plant.Advance(s->signals);
        s->none.Export(time, block, s->plant, s->wiring, s->signals, nullptr);
        s->coupling.BeginStep();
        s->session.Call(REC_SIMULATE);
        SampleTrends(*s, time);
        benchmark::DoNotOptimize(s->coupling.EndStep(time));
        if (s->samples < kTrendSamplesKept) continue;
        state.PauseTiming();
        ResetTrends(*s);
        state.ResumeTiming();
    }
    Verify(state, *s);
}

// The console's table, then each benchmark's share of a 1 s slot (its
// fastest repetition's CPU time per pass); counts the failed ones.
class Reporter : public benchmark::ConsoleReporter {
public:
    Reporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred) ++failures;
            if (run.error_occurred || run.run_type == Run::RT_Aggregate || run.iterations == 0)
                continue;
            const double seconds = run.cpu_accumulated_time / static_cast<double>(run.iterations);
            auto [at, fresh] = fastest_.emplace(run.run_name.function_name, seconds);
            if (!fresh) at->second = std::min(at->second, seconds);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        if (fastest_.empty()) return;
        std::printf("\nper step at %d loops, CPU time and share of a 1 s slot:\n", kRows);
        for (const auto& [name, seconds] : fastest_)
            std::printf("  %-28s %10.3f us  %7.4f %%\n", name.c_str(), seconds * 1e6,
                        seconds * 100.0);
    }
    int measured() const { return static_cast<int>(fastest_.size()); }
    int failures = 0;

private:
    std::map<std::string, double> fastest_;  // seconds per pass, by benchmark
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // clang-format off
    benchmark::RegisterBenchmark("host/plant", BenchPlant)->Arg(kRows);
    benchmark::RegisterBenchmark("host/pv_rows", BenchPVRows, false)->Arg(kRows);
    benchmark::RegisterBenchmark("host/pv_rows_every_upset", BenchPVRows, true)->Arg(kRows);
    benchmark::RegisterBenchmark("host/trends", BenchTrends)->Arg(kRows);
    benchmark::RegisterBenchmark("host/value_watch_live", BenchValueWatch)->Arg(kRows);
    benchmark::RegisterBenchmark("host/coupling_watch", BenchCoupling)->Arg(kRows);
    benchmark::RegisterBenchmark("driver/DCSSimulate", BenchDriverPass)->Arg(kRows);
    benchmark::RegisterBenchmark("step", BenchStep)->Arg(kRows);
    // clang-format on
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    LeaveHostScene();
    benchmark::Shutdown();
    return reporter.failures > 0 || reporter.measured() == 0 ? 1 : 0;
}
