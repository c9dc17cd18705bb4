// A full shift: the generated 2,000-loop scenario run for eight hours of
// simulated time through the real module, as dcshost runs it (trends off,
// settle not waited), with a fault schedule that opens and closes a window of
// six kinds every hour ([[run.fault]]: quality, IO status, list reads, the
// array tag's status, a refused write, a tag's status). It samples the host
// heap's live blocks, the handles open in the control system, the host
// messages and the process's resident memory at the start, every simulated
// hour and at the end. A benchmark, not a test: it takes minutes; the figures
// are in docs/reliability.md.
//   build/linux-i686/bin/dcs_soak [ROWS [HOURS]]   (2000 and 8 by default)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dcshost/commands/generate.h"
#include "dcshost/control/control_system.h"
#include "dcshost/control/fault_roles.h"
#include "dcshost/control/faults.h"
#include "dcshost/host/session.h"
#include "dcshost/plant/plant.h"
#include "dcshost/plant/wiring.h"
#include "dcshost/scenario/limits.h"
#include "standins/vnxsim/vnxsim.h"

namespace {

double ResidentMegabytes()
{
    long size = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0.0;
    if (std::fscanf(f, "%ld %ld", &size, &resident) != 2) resident = 0;
    std::fclose(f);
    return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

// Each hour, ten minutes in: every kind of fault whose window closes again,
// on the tags of loops 1 to 4, each where it acts: the PVs' own tags while
// the array tag fails (a restart would leave the binding stale for the rest
// of the shift).
std::string HourlyFaults(const Scenario& s, int hours)
{
    const std::string mode = s.controllers[1].name + ".MODE", op = s.controllers[2].name + ".OP",
                      pv = s.controllers[4].name + ".PV", pv3 = s.controllers[3].name + ".PV";
    struct Window {
        int from, to;
        const char* kind;
        const std::string* tag;
        int value;
    };
    const Window windows[] = {
        {600, 660, "quality", &mode, 1},     {700, 760, "io_status", &op, 0},
        {800, 830, "list_read", nullptr, 1}, {900, 960, "array_status", nullptr, 1},
        {910, 950, "write_refused", &pv, 1}, {920, 940, "tag_status", &pv3, 3}};
    std::string text;
    for (int h = 0; h < hours; ++h) {
        for (const Window& w : windows) {
            text += "\n[[run.fault]]\nat = " + std::to_string(h * 3600 + w.from) +
                    ".0\nuntil = " + std::to_string(h * 3600 + w.to) + ".0\nkind = \"" + w.kind +
                    "\"\n";
            if (w.tag) text += "tag = \"" + *w.tag + "\"\n";
            text += "value = " + std::to_string(w.value) + "\n";
        }
    }
    return text;
}

bool Read(const std::string& text, Scenario& scenario)
{
    std::vector<ScenarioError> errors;
    scenario = Scenario{};
    if (ParseScenario(text, "generated", scenario, errors)) return true;
    for (const ScenarioError& e : errors)
        std::fprintf(stderr, "%s\n", FormatScenarioError(e).c_str());
    return false;
}

struct Sample {
    double hours;
    int heap_blocks;
    int handles;
    size_t messages;
    double rss_mb;
    double wall_s;
};

// A whole number from the command line within [lo, hi], or the default.
bool Argument(int argc, char** argv, int i, int lo, int hi, int& out)
{
    if (argc <= i) return true;
    char* end = nullptr;
    const long value = std::strtol(argv[i], &end, 10);
    if (*end != '\0' || value < lo || value > hi) {
        std::fprintf(stderr, "dcs_soak: '%s' must be a whole number from %d to %d\n", argv[i], lo,
                     hi);
        return false;
    }
    out = static_cast<int>(value);
    return true;
}

bool ReadArguments(int argc, char** argv, int& rows, int& hours)
{
    if (!Argument(argc, argv, 1, 1, limits::kMaxRows, rows) ||
        !Argument(argc, argv, 2, 1, 24, hours)) {
        return false;
    }
    if (rows < 6) {
        std::fprintf(stderr, "dcs_soak: the fault schedule needs at least 6 rows\n");
        return false;
    }
    return true;
}

// The scale scenario stretched to the hours asked, with a fault schedule repeating every hour.
bool ReadSoakScenario(int rows, int hours, Scenario& scenario)
{
    std::string text = GenerateScaleScenario(rows);
    const std::string length = "duration = 300.0\n";
    const size_t at = text.find(length);
    if (at == std::string::npos) return false;
    text.replace(at, length.size(), "duration = " + std::to_string(hours * 3600) + ".0\n");
    return Read(text, scenario) && Read(text + HourlyFaults(scenario, hours), scenario) &&
           RefuseIdleWindows(scenario, false);
}

void TakeSample(std::vector<Sample>& samples, double at, size_t messages,
                std::chrono::steady_clock::time_point started)
{
    const HostHeapSnapshot heap = HostHeapSnapshot::Now();
    const int handles = VnxSimOpenCount(VNX_KIND_TAG) + VnxSimOpenCount(VNX_KIND_ITEM) +
                        VnxSimOpenCount(VNX_KIND_LIST);
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - started;
    samples.push_back({at, heap.blocks, handles, messages, ResidentMegabytes(), wall.count()});
    const Sample& s = samples.back();
    std::printf("%6.2f h  %8d  %8d  %8zu  %8.1f  %8.1f\n", s.hours, s.heap_blocks, s.handles,
                s.messages, s.rss_mb, s.wall_s);
    std::fflush(stdout);
}

// From the first hour on nothing may grow: heap blocks and handles not at
// all, resident memory by less than a megabyte; every hour's faults bring
// the same number of messages.
bool StaysFlat(const std::vector<Sample>& samples, const Leftovers& left)
{
    const Sample& first = samples[1 < samples.size() ? 1 : 0];
    bool flat = left.Clean();
    for (size_t i = 1; i < samples.size(); ++i) {
        const Sample& s = samples[i];
        const size_t hourly = samples[i].messages - samples[i - 1].messages;
        flat = flat && s.heap_blocks == first.heap_blocks && s.handles == first.handles &&
               s.rss_mb - first.rss_mb < 1.0 && hourly == samples[1].messages - samples[0].messages;
    }
    return flat;
}

}  // namespace

int main(int argc, char** argv)
{
    int rows = limits::kMaxRows, hours = 8;
    Scenario scenario;
    if (!ReadArguments(argc, argv, rows, hours) || !ReadSoakScenario(rows, hours, scenario))
        return 2;
    const double step = scenario.run.step;
    const int steps_per_hour = static_cast<int>(3600.0 / step);

    Session session;
    if (session.Open(scenario, DefaultDriverPath()) != kExitClean) return 3;
    session.Log().SetPrinting(false);
    HostBlock& block = session.Block();
    Wiring wiring;
    NameRows(scenario, wiring);
    Plant plant;
    std::string error;
    if (!plant.Build(scenario.plant, wiring.loop_names, wiring.import_names, error) ||
        !Wire(scenario, plant, wiring, error)) {
        std::fprintf(stderr, "dcs_soak: %s\n", error.c_str());
        return 2;
    }
    PlantSignals signals;
    signals.op_percent.assign(scenario.controllers.size(), 0.0);
    signals.imports.assign(scenario.imports.size(), 0.0);
    Gather(block, signals);
    plant.Start(step, signals);
    ExportPVs(block, plant, wiring, signals);
    const DriverEntryPoints& api = session.Api();
    DCSData* data = session.Data();
    if (session.Configure(false) != 1) {
        std::fprintf(stderr, "dcs_soak: DCSConfigure failed\n");
        return 1;
    }
    api.Initialize(data);
    api.Start(data);
    OperatorEvents events(scenario);
    events.ApplyDue(0.0);
    FaultSchedule faults(scenario);
    faults.ApplyDue(0.0, nullptr);

    const auto started = std::chrono::steady_clock::now();
    std::vector<Sample> samples;
    auto take = [&](double at) { TakeSample(samples, at, session.Log().Total(), started); };
    std::printf("%d loops, %d h of simulated time in steps of %g s, %zu fault windows\n", rows,
                hours, step, scenario.run.faults.size());
    std::printf("    time  heap blk   handles  messages    RSS MB    wall s\n");
    take(0.0);
    for (int k = 1; k <= hours * steps_per_hour; ++k) {
        Gather(block, signals);
        plant.Advance(signals);
        ExportPVs(block, plant, wiring, signals);
        api.Simulate(data);
        VnxSimAdvance(step);
        events.ApplyDue(k * step);
        faults.ApplyDue(k * step, nullptr);
        session.Log().SetTime(k * step);
        if (k % steps_per_hour == 0) take(k / static_cast<double>(steps_per_hour));
    }
    api.Stop(data);
    api.Reset(data);
    const Leftovers left = session.Close();
    std::printf("end: %s\n", DescribeLeftovers(left).c_str());

    const bool flat = StaysFlat(samples, left);
    std::printf("soak: %s\n", flat ? "flat from the first hour on" : "GROWS");
    return flat ? 0 : 1;
}
