// What the run did, judged: the settling, the summary, the comparison with a
// reference and the findings the verdict is made of.
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

// What the run found, for the verdict; asked again after each file written.
Findings Found(const RunState& run)
{
    bool faults_acted = true;
    for (size_t i = 0; i < run.fault_outcomes.size(); ++i)
        faults_acted &= FaultSchedule::Acted(run.scenario.run.faults[i], run.fault_outcomes[i]);
    Findings found;
    found.file_unwritten = !run.files_whole;
    found.configure_failed = run.configure_failed;
    found.interrupted = run.interrupted;
    found.coupling_stopped = run.recovery.Stopped();
    found.deviates = run.compared == 0;
    found.messages = run.message_count > 0;
    found.left_open = !run.left.Clean();
    found.unsettled = !run.settled;
    found.idle_upset = !faults_acted || !Upsets::Acted(run.upset_outcomes);
    found.wiring_warning = !run.warnings.empty();
    found.coupling_lost = !run.coupling.Losses().empty();
    found.unsound_value = !run.values.Found().empty();
    return found;
}
