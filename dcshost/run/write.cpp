// The steps of a run that write and judge what it did: the summary, the call
// log, the recording, the trends, the comparison and the result for machines.
#include <cstdio>

#include "dcshost/run/run_state.h"

namespace {

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

}  // namespace

double SettleBand(const RunOptions& options)
{
    return options.settle_tolerance >= 0 ? options.settle_tolerance : 2.0;
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
    for (const std::string& line : run.upsets.Summary(end)) std::printf("%s\n", line.c_str());
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

// Said with the system's reason; the verdict then finds a file unwritten.
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

void WriteJson(RunState& run, const Verdict& verdict)
{
    if (run.options.json.empty()) return;
    RunRecord record;
    record.scenario = &run.scenario;
    record.steps = run.steps;
    record.steps_run = run.steps_done;
    record.interrupted = run.interrupted;
    record.settle_band = SettleBand(run.options);
    record.settled = run.options.settle_tolerance < 0 ? -1 : (run.settled ? 1 : 0);
    record.verdict = verdict;
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
    if (WriteTextFile(run.options.json, FormatJsonResult(record), error))
        std::printf("result: %s\n", run.options.json.c_str());
    else
        FileNotWritten(run, error);
}
