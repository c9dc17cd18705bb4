// dcs_bench: the driver module against the simulated control system, in
// process, each benchmark next to its floor. Exits non-zero when a benchmark
// failed its checks (calls unlike the floor's, list reads, sends or host
// allocations per pass off their mark) or when nothing ran; never for a time.
#include <cstring>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "bench/bench_registry.h"
#include "bench/scene.h"
#include "bench/summary.h"
#include "standins/iface/iface_control.h"

namespace {

// Counters in columns; colour only on a terminal and unless turned off, as the
// library's own reporter would do (its flag is consumed before we could ask).
benchmark::ConsoleReporter::OutputOptions ConsoleOptions(int argc, char** argv)
{
    bool color = isatty(STDOUT_FILENO) != 0;
    for (int i = 1; i < argc; ++i) {
        const char* flag = "--benchmark_color=";
        if (std::strncmp(argv[i], flag, std::strlen(flag)) != 0) continue;
        const char* value = argv[i] + std::strlen(flag);
        if (std::strcmp(value, "auto") == 0) continue;
        color = std::strcmp(value, "true") == 0 || std::strcmp(value, "yes") == 0 ||
                std::strcmp(value, "1") == 0;
    }
    return color ? benchmark::ConsoleReporter::OO_ColorTabular
                 : benchmark::ConsoleReporter::OO_Tabular;
}

}  // namespace

int main(int argc, char** argv)
{
    const benchmark::ConsoleReporter::OutputOptions options = ConsoleOptions(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // Reports of the per-tag path are part of its cost, not of the output.
    IFaceSetMessageEcho(0);
    RegisterExchangeBenchmarks();
    RegisterLifecycleBenchmarks();
    RegisterRecordingBenchmarks();

    SummaryReporter reporter(options);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    LeaveScene();
    benchmark::Shutdown();
    return reporter.failures() > 0 || reporter.measured() == 0 ? 1 : 0;
}
