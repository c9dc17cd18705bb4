// libFuzzer target over dcshost's scenario reader: the input is the text of a
// scenario file. A refusal must say where in the file. A scenario the reader
// takes goes through what a run checks and sizes before it starts (its length,
// the trends' memory, the progress line's last step), is built into the
// simulated control system, laid into a host block and run for a few steps of
// the closed loop, with its operator events and faults, through the driver's
// entry points (linked in; the settle's sleeps go to the double, so nothing
// waits). Afterwards nothing may be left open and the host heap must balance.
// Allocations are bounded by run.sh's -malloc_limit_mb.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dcs/driver/entry_points.h"
#include "dcs/link/driver_state.h"
#include "dcshost/control/control_system.h"
#include "dcshost/control/fault_roles.h"
#include "dcshost/control/faults.h"
#include "dcshost/control/wiring_warnings.h"
#include "dcshost/host/host_block.h"
#include "dcshost/host/progress.h"
#include "dcshost/outputs/trend.h"
#include "dcshost/plant/plant.h"
#include "dcshost/plant/wiring.h"
#include "dcshost/scenario/limits.h"
#include "dcshost/scenario/scenario.h"
#include "standins/iface/iface_control.h"
#include "standins/vnxsim/vnxsim.h"
#include "standins/winshim/winshim_double.h"

namespace {

const int kSteps = 3;  // closed-loop steps run for each scenario taken

void Fail(const std::string& what)
{
    std::fprintf(stderr, "scenario_fuzz: %s\n", what.c_str());
    std::abort();
}

void RequirePosition(const ScenarioError& error)
{
    if (error.pos.line <= 0 || error.pos.column <= 0) {
        Fail("refused without a place in the file: " + error.message);
    }
}

// What a run checks and sizes from the file before anything is loaded. False
// when the run would be refused (its message names the key).
bool SizeRun(const Scenario& scenario, Trend& trend, const Wiring& wiring)
{
    if (!CheckRunLength(scenario.run.duration, scenario.run.step).empty()) return false;
    const int steps = static_cast<int>(std::lround(scenario.run.duration / scenario.run.step));
    const double bytes =
        TrendBytes(steps + 1.0, scenario.controllers.size(), scenario.imports.size());
    if (bytes > limits::kMaxTrendBytes) return false;
    trend.Setup(wiring.loop_names, wiring.import_names);
    Progress progress(false);
    progress.BeginRun(steps, scenario.run.step, scenario.run.progress_every);
    progress.RunStep(steps, 0.0);
    return true;
}

void RunFewSteps(const Scenario& scenario, HostBlock& block, Plant& plant, const Wiring& wiring,
                 Trend& trend)
{
    DCSData* d = block.Data();
    PlantSignals signals;
    signals.op_percent.assign(scenario.controllers.size(), 0.0);
    signals.imports.assign(scenario.imports.size(), 0.0);
    std::vector<LoopSample> loops(scenario.controllers.size());
    std::vector<double> imports(scenario.imports.size());
    Gather(block, signals);
    plant.Start(scenario.run.step, signals);
    ExportPVs(block, plant, wiring, signals);
    OperatorEvents events(scenario);
    FaultSchedule faults(scenario);
    faults.ApplyDue(0.0, nullptr);
    if (DCSConfigure(d) == 1) {
        DCSInitialize(d);
        DCSStart(d);
        for (int k = 1; k <= kSteps; ++k) {
            Gather(block, signals);
            plant.Advance(signals);
            ExportPVs(block, plant, wiring, signals);
            DCSSimulate(d);
            VnxSimAdvance(scenario.run.step);
            events.ApplyDue(k * scenario.run.step);
            faults.ApplyDue(k * scenario.run.step, nullptr);
            SampleLoops(block, wiring, loops, imports);
            trend.Sample(k * scenario.run.step, loops, imports);
        }
        DCSStop(d);
    }
    DCSReset(d);
    DCSDestroy(d);
}

void Run(const Scenario& scenario)
{
    std::string error;
    Wiring wiring;
    NameRows(scenario, wiring);
    Plant plant;
    if (!plant.Build(scenario.plant, wiring.loop_names, wiring.import_names, error) ||
        !Wire(scenario, plant, wiring, error)) {
        Fail("refused after reading, without a place in the file: " + error);
    }
    Trend trend;
    if (!SizeRun(scenario, trend, wiring)) return;
    for (const ScenarioError& idle : IdleFaults(scenario, false)) RequirePosition(idle);
    WiringWarnings(scenario);
    ScenarioError refused;
    if (!BuildControlSystem(scenario, refused)) {
        RequirePosition(refused);
        return;
    }
    WinShimReset();
    Driver = DriverState{};
    const HostHeapSnapshot before = HostHeapSnapshot::Now();
    {
        HostBlock block;
        DCSLoad(block.Data());
        if (!block.Fill(scenario, error)) Fail("block refused after reading: " + error);
        RunFewSteps(scenario, block, plant, wiring, trend);
        block.Release();
    }
    const HostHeapSnapshot after = HostHeapSnapshot::Now();
    const int32_t open = VnxSimOpenCount(VNX_KIND_TAG) + VnxSimOpenCount(VNX_KIND_ITEM) +
                         VnxSimOpenCount(VNX_KIND_LIST);
    if (open != 0 || VnxSimApiRunning()) Fail(std::to_string(open) + " handles left open");
    if (after.blocks != before.blocks || after.bad_releases != before.bad_releases) {
        Fail("host heap unbalanced after FreeDCSData");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    IFaceSetMessageEcho(0);
    Scenario scenario;
    std::vector<ScenarioError> errors;
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (!ParseScenario(text, "fuzz.toml", scenario, errors)) {
        if (errors.empty()) Fail("refused without a reason");
        for (const ScenarioError& e : errors) RequirePosition(e);
        return 0;
    }
    Run(scenario);
    return 0;
}
