// A run in steps a reader can follow: prepare (the files, length, plant,
// wiring), bind (load, fill, DCSConfigure, DCSInitialize, DCSStart), run (the
// steps), finish (DCSStop, DCSReset, release), write (the files), and judge
// (the summary, the verdict).
#include "dcshost/commands/run.h"

#include <cmath>
#include <cstdio>

#include "dcshost/commands/run_state.h"
#include "dcshost/control/read_jitter.h"

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
    double bytes = TrendBytes(run.steps + 1.0, run.trend_loops.size(), scenario.imports.size());
    if (run.record && bytes > limits::kMaxTrendBytes) {
        std::fprintf(stderr,
                     "dcshost: the trends of %d steps for %zu loops and %zu imports would take "
                     "%.0f MB, more than %.0f MB; shorten the run, choose loops with --loops, or "
                     "use --no-trends\n",
                     run.steps, run.trend_loops.size(), scenario.imports.size(), bytes / 1048576.0,
                     limits::kMaxTrendBytes / 1048576.0);
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
    OutputPlan& plan = run.plan;
    if (o.trends) plan.SetTrends(o.out_dir, o.out_name);
    plan.AddOutput("--json", o.json);
    plan.AddOutput("--log-calls", o.call_log);
    plan.AddOutput("--record", o.record, true);
    plan.AddInput("SCENARIO", o.scenario_file);
    plan.AddInput("--compare", o.compare);
    plan.AddInput("--driver", o.driver_path);
    plan.AddTagFile();
    run.made.Note(plan.OutputPaths());
    std::string error;
    if (plan.Check(o.force, error)) return true;
    std::fprintf(stderr, "dcshost: %s\n", error.c_str());
    return false;
}

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

void Sample(RunState& run, double time, int faults, bool coupled = true)
{
    SampleLoops(run.session.Block(), run.wiring, run.loop_samples, run.import_samples);
    if (coupled) run.exchanged = run.loop_samples;
    run.figures.Add(time, run.step, run.loop_samples);
    if (!run.record) return;
    const std::vector<unsigned char>& hit = run.upsets.LoopsHit();
    for (size_t i = 0; i < run.trend_loops.size(); ++i) {
        run.trend_samples[i] = run.loop_samples[run.trend_loops[i]];
        run.trend_upsets[i] = run.trend_loops[i] < hit.size() && hit[run.trend_loops[i]];
    }
    run.trend.Sample(time, run.trend_samples, run.import_samples, faults, coupled,
                     run.upsets.Active(), run.trend_upsets);
}

int Bind(RunState& run)
{
    if (int loaded = run.session.Load(run.options.driver_path); loaded != kExitClean) return loaded;
    if (run.session.Live()) {
        std::printf(
            "live run: the client library %s has no control API; nothing is defined, "
            "injected or advanced, the modes are what DCSStart switched the loops to\n",
            Vnx().path.c_str());
        run.wiring.modes_from_host = true;
    }
    if (!run.options.call_log.empty()) {
        std::string error;
        if (!run.calls.Open(run.options.call_log, error)) {
            std::fprintf(stderr, "dcshost: %s\n", error.c_str());
            return kExitBadScenario;
        }
        run.session.SetCallLog(&run.calls);
    }
    if (!run.options.record.empty()) {
        std::string error;
        if (!run.session.Record(run.options.record, error)) {
            std::fprintf(stderr, "dcshost: %s\n", error.c_str());
            return kExitBadScenario;
        }
    }
    int opened = run.session.Open(run.scenario, run.options.driver_path);
    if (opened != kExitClean) return opened;
    HostBlock& block = run.session.Block();
    // The plant starts at rest on the outputs the host holds before binding.
    Gather(block, run.signals);
    run.plant.Start(run.step, run.signals);
    run.upsets.Export(0.0, block, run.plant, run.wiring, run.signals,
                      run.calls.IsOpen() ? &run.calls : nullptr);

    int32_t configured = run.session.Configure(run.options.settle_wait);
    if (configured != 1) {
        std::printf("DCSConfigure failed (result %d); the driver has released everything\n",
                    configured);
        run.message_count = run.session.Log().Total();
        run.messages = run.session.Log().Groups();
        run.left = run.session.Close();
        std::printf("%s\n", DescribeLeftovers(run.left).c_str());
        return kExitConfigureFailed;
    }
    std::printf("DCSConfigure: every tag bound\n");
    run.values.Setup(run.scenario);
    // Stopped in the settle: nothing is written to the control system.
    if (InterruptRequested()) return kExitClean;
    run.started = true;
    if (run.session.Live())
        run.values.CheckInitialize(block);
    else
        run.values.Attach();
    run.session.Call("DCSInitialize", &DriverEntryPoints::Initialize);
    run.session.Call("DCSStart", &DriverEntryPoints::Start);
    std::printf("DCSInitialize, DCSStart: starting values written, controllers switched on\n");
    std::fflush(stdout);
    return kExitClean;
}

// One host step: the plant moves on what the host last read, the driver
// sends its PVs and reads OP and SP, then the control system's blocks scan
// on those PVs. An output therefore reaches the plant one step after the
// scan that made it, as with a real sampled coupling.
void Execute(RunState& run)
{
    HostBlock& block = run.session.Block();
    run.figures.Setup(run.scenario.controllers.size(), SettleBand(run.options));
    run.faults = FaultSchedule(run.scenario);
    FaultSchedule& faults = run.faults;
    CallLog* calls = run.calls.IsOpen() ? &run.calls : nullptr;
    if (run.record) {
        std::vector<std::string> names;
        for (size_t i : run.trend_loops) names.push_back(run.wiring.loop_names[i]);
        run.trend.Setup(names, run.wiring.import_names, faults.Any(), run.upsets.Any());
    }
    OperatorEvents events(run.scenario);
    ReadJitter jitter(run.scenario);
    events.Report(calls);
    events.ApplyDue(0.0);
    faults.ApplyDue(0.0, calls);
    Sample(run, 0.0, faults.Active());

    Progress progress(Progress::StdoutIsTerminal());
    progress.BeginRun(run.steps, run.step, run.scenario.run.progress_every);
    run.session.Log().SetWatch([&run](const ReceivedMessage& m) { run.coupling.Note(m); });
    RecoveryOptions recovery{
        run.options.on_loss, run.options.reconnect_every, run.options.settle_wait, {}};
    for (size_t i = 0; i < run.scenario.imports.size(); ++i)
        if (run.scenario.imports[i].mapping == "Controller Mode")
            recovery.mode_imports.push_back(static_cast<int>(i));
    run.recovery.Setup(recovery);
    Pacer pacer(run.options.clock ? *run.options.clock : MonotonicClock(), run.step,
                ChooseSpeed(run.options.speed, run.session.Live()));
    pacer.Begin();
    for (int k = 1; k <= run.steps; ++k) {
        pacer.WaitFor(k);
        if (InterruptRequested()) {
            run.interrupted = true;
            break;
        }
        run.session.SetTime(k * run.step);
        run.values.SetTime(k * run.step);
        Gather(block, run.signals);
        run.plant.Advance(run.signals);
        run.upsets.Export(k * run.step, block, run.plant, run.wiring, run.signals, calls);
        if (run.session.Live()) run.values.CheckExports(block);
        // A late exchange: the scans due before it have run.
        const double late = jitter.Next();
        if (late > 0.0) Vnx().VnxSimAdvance(late);
        run.coupling.BeginStep();
        if (run.recovery.Exchanging())
            run.session.Call("DCSSimulate", &DriverEntryPoints::Simulate);
        else
            run.coupling.Skip();
        bool lost = run.coupling.EndStep(k * run.step);
        Vnx().VnxSimAdvance(run.step - late);
        events.ApplyDue(k * run.step);
        faults.ApplyDue(k * run.step, calls);
        Sample(run, k * run.step, faults.Active(), !lost);
        pacer.Done(k);
        progress.RunStep(k, pacer.Elapsed());
        run.steps_done = k;
        if (!run.recovery.AfterStep(run.session, run.values, k * run.step, lost)) break;
    }
    progress.EndRun();
    run.pacing = pacer.Figures();
    run.session.Log().SetWatch(nullptr);
    if (run.interrupted)
        std::printf("interrupted (%s) at t = %g s, after step %d of %d%s\n", InterruptName(),
                    run.steps_done * run.step, run.steps_done, run.steps,
                    run.started ? "" : ", before DCSInitialize");
}

void CollectResults(RunState& run)
{
    for (size_t i = 0; i < run.scenario.controllers.size(); ++i) {
        LoopResult loop;
        loop.name = run.scenario.controllers[i].name;
        loop.active = run.scenario.controllers[i].active;
        loop.has_pv = run.wiring.loop_pv[i] >= 0;
        // Without coupling at the end, what the control system holds is
        // unknown: the last exchanged values, marked stale.
        loop.stale = run.coupling.Lost();
        const LoopSample& known = loop.stale ? run.exchanged[i] : run.loop_samples[i];
        loop.sp = known.sp;
        loop.pv = run.loop_samples[i].pv;
        loop.op_percent = known.op;
        loop.mode = known.mode;
        loop.error_percent = loop.has_pv ? ErrorPercent(loop.pv, loop.sp) : 0.0;
        run.results.push_back(loop);
    }
}

// The host's end of the run: DCSStop to FreeDCSData.
void Finish(RunState& run)
{
    CollectResults(run);
    if (run.started) run.session.Call("DCSStop", &DriverEntryPoints::Stop);
    const double end = run.steps_done * run.step;
    run.fault_outcomes = run.faults.Outcomes(end);
    run.upset_outcomes = run.upsets.Outcomes(end);
    run.session.Call("DCSReset", &DriverEntryPoints::Reset);
    run.values.Detach();
    std::printf("%sDCSReset, DCSDestroy, FreeDCSData\n", run.started ? "DCSStop, " : "");
    const MessageLog& log = run.session.Log();
    run.message_count = log.Total();
    run.messages = log.Groups();
    run.left = run.session.Close();
}

int RunAll(RunState& run)
{
    if (int code = Prepare(run); code != kExitClean) return code;
    if (int code = Bind(run); code != kExitClean) {
        // A failed configuration is a result too: the messages say why.
        if (code == kExitConfigureFailed) {
            WriteRecording(run);
            WriteCallLog(run);
            std::printf("%s", run.written.c_str());
            if (!run.files_whole) code = kExitFileUnwritten;
            if (!WriteJson(run, code)) code = kExitFileUnwritten;
        }
        return code;
    }
    Execute(run);
    Finish(run);
    // The call log first: its part, which a full disk may have cut, makes room.
    WriteRecording(run);
    WriteCallLog(run);
    WriteTrends(run);
    Summarize(run);
    std::printf("%s", run.written.c_str());
    Compare(run);
    bool faults_acted = true;
    for (size_t i = 0; i < run.fault_outcomes.size(); ++i)
        faults_acted &= FaultSchedule::Acted(run.scenario.run.faults[i], run.fault_outcomes[i]);
    bool clean = run.message_count == 0 && run.left.Clean() && run.settled && faults_acted &&
                 run.upsets_acted && run.warnings.empty() && run.coupling.Losses().empty() &&
                 run.values.Found().empty();
    int code = !run.files_whole         ? kExitFileUnwritten
               : run.interrupted        ? kExitInterrupted
               : run.recovery.Stopped() ? kExitCouplingLost
               : run.compared == 0      ? kExitDeviates
               : clean                  ? kExitClean
                                        : kExitNotClean;
    if (!WriteJson(run, code)) code = kExitFileUnwritten;
    std::printf("run: %s%s\n",
                code == kExitFileUnwritten  ? "NOT clean, a file not written"
                : code == kExitInterrupted  ? "interrupted"
                : code == kExitCouplingLost ? "stopped, the coupling lost"
                : code == kExitDeviates     ? "NOT within the reference"
                : code == kExitClean        ? "clean"
                                            : "NOT clean",
                run.session.Live() ? " (live run)" : "");
    return code;
}

}  // namespace

int RunScenario(const Scenario& scenario, const RunOptions& options)
{
    RunState run(scenario, options);
    int code = RunAll(run);
    run.made.RemoveEmpty();
    return code;
}
