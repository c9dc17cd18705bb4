// dcs_bench: the driver module against the simulated control system, in
// process, each benchmark next to its floor. Exits non-zero when a benchmark
// failed its checks (calls unlike the floor's, list reads, sends or host
// allocations per pass off their mark) or when nothing ran; never for a time.
#include <benchmark/benchmark.h>

#include "bench/bench_registry.h"
#include "bench/scene.h"
#include "bench/summary.h"
#include "standins/iface/iface_control.h"

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // Reports of the per-tag path are part of its cost, not of the output.
    IFaceSetMessageEcho(0);
    RegisterExchangeBenchmarks();
    RegisterLifecycleBenchmarks();

    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    LeaveScene();
    benchmark::Shutdown();
    return reporter.failures() > 0 || reporter.measured() == 0 ? 1 : 0;
}
