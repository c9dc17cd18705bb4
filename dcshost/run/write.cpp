// The files of a run: the call log, the recording, the trends and the
// result for machines, each on its own; one not written is named and found.
#include <cstdio>

#include "dcshost/run/run_state.h"

namespace {

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
    std::string title = run.scenario.title.empty() ? run.plan.TrendName() : run.scenario.title;
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
