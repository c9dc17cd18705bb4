// A run in steps a reader can follow: prepare (the files, length, plant,
// wiring), bind (load, fill, DCSConfigure, DCSInitialize, DCSStart), run (the
// steps), finish (DCSStop, DCSReset, release), write (the files), and judge
// (the summary, the verdict).
#include "dcshost/commands/run.h"

#include <cmath>
#include <cstdio>

#include "dcshost/commands/made_folders.h"
#include "dcshost/control/control_api.h"
#include "dcshost/control/control_system.h"
#include "dcshost/control/fault_roles.h"
#include "dcshost/control/faults.h"
#include "dcshost/control/wiring_warnings.h"
#include "dcshost/host/coupling.h"
#include "dcshost/host/interrupt.h"
#include "dcshost/host/pacing.h"
#include "dcshost/host/progress.h"
#include "dcshost/host/recovery.h"
#include "dcshost/host/session.h"
#include "dcshost/host/value_watch.h"
#include "dcshost/outputs/compare.h"
#include "dcshost/outputs/figures.h"
#include "dcshost/outputs/files.h"
#include "dcshost/outputs/json_result.h"
#include "dcshost/outputs/output_plan.h"
#include "dcshost/outputs/trend.h"
#include "dcshost/plant/plant.h"
#include "dcshost/plant/upsets.h"
#include "dcshost/plant/wiring.h"
#include "dcshost/scenario/limits.h"

namespace {

// Everything one run holds, from the scenario to the verdict.
struct RunState {
    Scenario scenario;
    const RunOptions& options;
    double step = 1.0;
    int steps = 0;
    CallLog calls;  // before the session: it outlives the session's last call
    Session session;
    Plant plant;
    Wiring wiring;
    PlantSignals signals;
    Trend trend;
    FigureTracker figures;
    std::vector<LoopSample> loop_samples;
    std::vector<double> import_samples;
    std::vector<LoopResult> results;
    Leftovers left;
    size_t message_count = 0;
    std::vector<MessageGroup> messages;
    bool settled = true;
    int steps_done = 0;
    bool interrupted = false;
    bool started = false;                   // DCSStart ran: DCSStop is due
    bool record = false;                    // trends kept in memory: to write, or to compare
    std::vector<size_t> trend_loops;        // the loops in the trends (--loops)
    std::vector<LoopSample> trend_samples;  // their samples of one step
    CsvTable reference;                     // --compare
    int compared = -1;                      // 1 within the band, 0 not; -1 not asked
    std::string deviation;                  // the first, or what could not be compared
    FaultSchedule faults;
    Upsets upsets;  // malfunctions and disturbances on the host's side
    bool upsets_acted = true;
    std::vector<UpsetOutcome> upset_outcomes;
    std::vector<FaultOutcome> fault_outcomes;
    std::vector<std::string> warnings;  // wiring that cannot work
    ValueWatch values;                  // what the host sent that a float cannot carry
    CouplingWatch coupling;
    Recovery recovery;                  // --on-loss
    std::vector<LoopSample> exchanged;  // the loops as the last step that exchanged left them
    PaceFigures pacing;
    OutputPlan plan;          // the files to write and the inputs they must not name
    bool files_whole = true;  // every file asked for written whole
    bool csv_written = false;
    std::string written;  // "trends: ..." and the like, said after the summary
    std::vector<unsigned char> trend_upsets;  // per trend loop: an upset acts on its PV
    MadeFolders made;  // for the outputs; removed again when left empty

    RunState(const Scenario& s, const RunOptions& o) : scenario(s), options(o) {}
};

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

// The band the settling time is measured against: --require-settled's, or 2 %.
double SettleBand(const RunOptions& options)
{
    return options.settle_tolerance >= 0 ? options.settle_tolerance : 2.0;
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
        run.coupling.BeginStep();
        if (run.recovery.Exchanging())
            run.session.Call("DCSSimulate", &DriverEntryPoints::Simulate);
        else
            run.coupling.Skip();
        bool lost = run.coupling.EndStep(k * run.step);
        Vnx().VnxSimAdvance(run.step);
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

bool JudgeSettling(const std::vector<LoopResult>& results, double tolerance)
{
    int judged = 0, good = 0;
    for (const LoopResult& loop : results) {
        if (!loop.active || !loop.has_pv) continue;
        ++judged;
        if (LoopSettled(loop, tolerance))
            ++good;
        else
            std::printf("loop %s ended %.3f %% off its setpoint\n", loop.name.c_str(),
                        loop.error_percent);
    }
    std::printf("loops within %g %% of their setpoint: %d of %d\n", tolerance, good, judged);
    return good == judged;
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

void Summarize(RunState& run)
{
    const double end = run.steps_done * run.step;
    std::string counts = MessageCounts(run.messages);
    std::string groups = FormatMessageGroups(run.messages);
    std::printf("\nsummary after %g s:\n", run.steps_done * run.step);
    std::printf("  %s\n", FormatPacing(run.pacing).c_str());
    if (run.coupling.Lost())
        std::printf(
            "  stale: SP, OP and mode as last exchanged, before the coupling was lost at %s s\n",
            NumberText(run.coupling.Losses().back().lost_at).c_str());
    std::printf("%s", FormatLoopTable(run.results).c_str());
    const size_t kImportLines = 10;
    const std::vector<ImportRowDef>& imports = run.scenario.imports;
    for (size_t i = 0; i < imports.size() && i < kImportLines; ++i)
        std::printf("  imported %-12s %g\n", imports[i].name.c_str(), run.import_samples[i]);
    if (imports.size() > kImportLines)
        std::printf("  ... and %zu more imports%s\n", imports.size() - kImportLines,
                    run.csv_written ? " (every value is in the CSV)" : "");
    std::printf("host messages: %zu%s%s\n%s", run.message_count, run.message_count ? " - " : "",
                counts.c_str(), groups.c_str());
    for (size_t i = 0; i < run.fault_outcomes.size(); ++i)
        std::printf(
            "%s\n",
            FaultSchedule::Summary(run.scenario.run.faults[i], run.fault_outcomes[i], end).c_str());
    for (const std::string& line : run.upsets.Summary(end, run.upsets_acted))
        std::printf("%s\n", line.c_str());
    for (const CouplingLoss& loss : run.coupling.Losses())
        std::printf("%s\n", FormatCouplingLoss(loss).c_str());
    for (const ReconfigureTry& tried : run.recovery.Tries())
        std::printf("%s\n", FormatReconfigureTry(tried, run.options.reconnect_every).c_str());
    if (run.recovery.Stopped())
        std::printf("stopped at %s s: the coupling was lost (--on-loss stop)\n",
                    NumberText(run.recovery.StoppedAt()).c_str());
    for (const UnsoundSent& sent : run.values.Found())
        std::printf("unsound value: %s\n", FormatUnsoundSent(sent).c_str());
    std::printf("%s\n", DescribeLeftovers(run.left).c_str());
    if (run.options.settle_tolerance >= 0)
        run.settled = JudgeSettling(run.results, run.options.settle_tolerance);
}

// The chart: the first N loops of the trends, or the N furthest from their
// setpoints at the end.
std::string Chart(const RunState& run, const std::string& title)
{
    const ChartChoice& chart = run.options.chart;
    const size_t count = static_cast<size_t>(chart.count);
    if (!chart.worst) return run.trend.Svg(title, chart.count);
    std::vector<double> errors;
    for (size_t i : run.trend_loops) {
        const LoopResult& loop = run.results[i];
        errors.push_back(loop.active && loop.has_pv ? loop.error_percent : -1.0);
    }
    std::vector<size_t> worst = WorstLoops(errors, count);
    std::string heading =
        title + " (the " + std::to_string(worst.size()) + " of " + std::to_string(errors.size()) +
        " loops furthest from their setpoints" +
        (run.csv_written ? "; all " + std::to_string(errors.size()) + " are in the CSV)" : ")");
    return run.trend.SvgOf(heading, worst, count);
}

// Said with the system's reason; the run then ends with kExitFileUnwritten.
void FileNotWritten(RunState& run, const std::string& error)
{
    std::fprintf(stderr, "dcshost: %s\n", error.c_str());
    run.files_whole = false;
}

void WriteCallLog(RunState& run)
{
    std::string error;
    if (!run.calls.IsOpen()) return;
    if (run.calls.Close(error))
        run.written += "call log: " + run.options.call_log + "\n";
    else
        FileNotWritten(run, error);
}

// After the session's Close, which ends the recording.
void WriteRecording(RunState& run)
{
    if (run.options.record.empty()) return;
    std::string error;
    if (run.session.RecordingWhole(error))
        run.written += "recording: " + run.options.record + "\n";
    else
        FileNotWritten(run, "the recording " + run.options.record + " is not whole: " + error);
}

// Before the summary, which says the CSV only when it is there. Each file on
// its own: one that cannot be written does not stop the other.
void WriteTrends(RunState& run)
{
    if (!run.plan.Trends()) return;
    const std::string csv = run.plan.TrendCsv(), svg = run.plan.TrendSvg();
    std::string title = run.scenario.title.empty() ? run.options.out_name : run.scenario.title;
    std::string error, written;
    run.csv_written = run.trend.WriteCsv(csv, error);
    if (run.csv_written)
        written = csv;
    else
        FileNotWritten(run, error);
    if (WriteTextFile(svg, Chart(run, title), error))
        written += (written.empty() ? "" : ", ") + svg;
    else
        FileNotWritten(run, error);
    if (!written.empty()) run.written += "trends: " + written + "\n";
}

// The run's trends against the reference; prints where they part first.
void Compare(RunState& run)
{
    if (run.options.compare.empty()) return;
    CsvTable mine;
    Deviation first;
    std::string error;
    bool parsed = ParseCsv(run.trend.Csv(), mine, error);
    bool within = parsed && CompareTrends(mine, run.reference, run.options.tolerance, first, error);
    run.compared = within ? 1 : 0;
    if (within) {
        std::printf("compare: every PV, SP and OP within %s of %s\n",
                    NumberText(run.options.tolerance).c_str(), run.options.compare.c_str());
        return;
    }
    if (!first.column.empty())
        run.deviation = first.column + " at t = " + NumberText(first.time) +
                        " s: " + NumberText(first.value) + " against " +
                        NumberText(first.reference) + " in the reference (off by " +
                        NumberText(first.value - first.reference) + ", tolerance " +
                        NumberText(run.options.tolerance) + ")";
    else
        run.deviation = error;
    std::printf("compare: NOT within the reference %s: %s\n", run.options.compare.c_str(),
                run.deviation.c_str());
}

bool WriteJson(RunState& run, int exit_code)
{
    if (run.options.json.empty()) return true;
    RunRecord record;
    record.scenario = &run.scenario;
    record.steps = run.steps;
    record.steps_run = run.steps_done;
    record.interrupted = run.interrupted;
    record.settle_band = SettleBand(run.options);
    record.settled = run.options.settle_tolerance < 0 ? -1 : (run.settled ? 1 : 0);
    record.exit_code = exit_code;
    record.loops = run.results;
    record.figures = run.figures.Figures();
    record.imports = run.import_samples;
    record.message_total = run.message_count;
    record.messages = run.messages;
    record.left = run.left;
    record.live = run.session.Live();
    record.compare = run.options.compare;
    record.compared = run.compared;
    record.deviation = run.deviation;
    record.fault_outcomes = run.fault_outcomes;
    record.warnings = run.warnings;
    record.coupling = run.coupling.Losses();
    record.unsound = run.values.Found();
    record.pacing = run.pacing;
    record.upset_outcomes = run.upset_outcomes;
    record.on_loss = run.options.on_loss;
    record.reconfigures = run.recovery.Tries();
    std::string error;
    if (!WriteTextFile(run.options.json, FormatJsonResult(record), error)) {
        FileNotWritten(run, error);
        return false;
    }
    std::printf("result: %s\n", run.options.json.c_str());
    return true;
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
