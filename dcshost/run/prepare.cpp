// Before anything is loaded: the loops in the trends, the run's length and
// memory, the files, the reference, then the plant and its wiring.
#include <cmath>
#include <cstdio>

#include "dcshost/run/run_state.h"

namespace {

// The run's length and what it will hold in memory, checked before anything
// is loaded or sized.
bool CheckSize(RunState& run)
{
    const Scenario& scenario = run.scenario;
    std::string error = CheckRunLength(scenario.run.duration, scenario.run.step);
    if (!error.empty()) {
        std::fprintf(stderr, "dcshost: %s %s\n",
                     run.options.duration > 0 ? "--duration" : "'duration' in [run]",
                     error.c_str());
        return false;
    }
    run.step = scenario.run.step;
    run.steps = static_cast<int>(std::lround(scenario.run.duration / run.step));
    error = CheckTrendMemory(run.steps, run.trend_loops.size(), scenario.imports.size());
    if (run.record && !error.empty()) {
        std::fprintf(
            stderr, "dcshost: %s; shorten the run, choose loops with --loops, or use --no-trends\n",
            error.c_str());
        return false;
    }
    return true;
}

bool ChooseLoops(RunState& run)
{
    const std::vector<CtrlRowDef>& loops = run.scenario.controllers;
    std::vector<std::string> names;
    for (const CtrlRowDef& loop : loops) names.push_back(loop.name);
    std::string error;
    if (run.options.loops.empty()) {
        for (size_t i = 0; i < loops.size(); ++i) run.trend_loops.push_back(i);
    } else if (!SelectLoops(run.options.loops, names, run.trend_loops, error)) {
        std::fprintf(stderr, "dcshost: --loops: %s\n", error.c_str());
        return false;
    }
    run.trend_samples.resize(run.trend_loops.size());
    run.trend_upsets.resize(run.trend_loops.size());
    return true;
}

// Read before the run: a reference that cannot be used costs no run.
bool ReadReference(RunState& run)
{
    if (run.options.compare.empty()) return true;
    std::string text, error;
    const size_t kMaxReferenceBytes = 512u * 1024 * 1024;
    if (!ReadTextFile(run.options.compare, kMaxReferenceBytes, text, error) ||
        !ParseCsv(text, run.reference, error)) {
        std::fprintf(stderr, "dcshost: --compare %s: %s\n", run.options.compare.c_str(),
                     error.c_str());
        return false;
    }
    return true;
}

// Every file the run writes can be written and none is an input: checked
// before anything is read or loaded.
bool CheckOutputPlan(RunState& run)
{
    const RunOptions& o = run.options;
    const std::string scenario = o.scenario_file.empty() ? "default" : o.scenario_file;
    run.plan =
        PlanFiles({o.trends, o.out_dir, TrendName(o.out_name, scenario), o.json, o.driver_path},
                  {{"--log-calls", o.call_log}, {"--record", o.record, true}},
                  {{"SCENARIO", o.scenario_file}, {"--compare", o.compare}});
    run.made.Note(run.plan.OutputPaths());
    return CheckFiles(run.plan, o.force);
}

}  // namespace

int Prepare(RunState& run)
{
    Scenario& scenario = run.scenario;
    if (run.options.duration > 0) scenario.run.duration = run.options.duration;
    run.record = run.options.trends || !run.options.compare.empty();
    if (!ChooseLoops(run) || !CheckSize(run) ||
        !RefuseIdleWindows(scenario, run.options.on_loss == OnLoss::Reconfigure) ||
        !CheckOutputPlan(run) || !ReadReference(run))
        return kExitBadScenario;

    std::printf("scenario: %s (%s)\n", scenario.title.empty() ? "untitled" : scenario.title.c_str(),
                scenario.file.c_str());
    std::printf("tables: %zu controllers, %zu PV exports, %zu PV imports; %d steps of %g s\n",
                scenario.controllers.size(), scenario.pvs.size(), scenario.imports.size(),
                run.steps, run.step);
    std::printf("driver: %s\n", run.options.driver_path.c_str());
    run.warnings = WiringWarnings(scenario);
    for (const std::string& warning : run.warnings) std::printf("%s\n", warning.c_str());
    std::fflush(stdout);

    std::string error;
    NameRows(scenario, run.wiring);
    if (!run.plant.Build(scenario.plant, run.wiring.loop_names, run.wiring.import_names, error) ||
        !Wire(scenario, run.plant, run.wiring, error)) {
        std::fprintf(stderr, "%s: %s\n", scenario.file.c_str(), error.c_str());
        return kExitBadScenario;
    }
    run.signals.op_percent.assign(scenario.controllers.size(), 0.0);
    run.signals.imports.assign(scenario.imports.size(), 0.0);
    run.loop_samples.resize(scenario.controllers.size());
    run.import_samples.resize(scenario.imports.size());
    run.coupling = CouplingWatch(!scenario.imports.empty());
    run.upsets = Upsets(scenario, run.plant, run.wiring);
    return kExitClean;
}
