#include "bench/summary.h"

#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <set>
#include <tuple>

namespace {

// Benchmark names are OP/side/rows, OP itself possibly holding a slash.
bool SplitName(const std::string& name, std::string* op, std::string* side, int* rows)
{
    size_t last = name.rfind('/');
    if (last == std::string::npos || last == 0) return false;
    size_t middle = name.rfind('/', last - 1);
    if (middle == std::string::npos) return false;
    *op = name.substr(0, middle);
    *side = name.substr(middle + 1, last - middle - 1);
    *rows = std::atoi(name.c_str() + last + 1);
    return *rows > 0;
}

std::string Key(const std::string& op, const std::string& side, int rows)
{
    return op + "/" + side + "/" + std::to_string(rows);
}

// Seconds in the unit that reads best.
std::string FormatTime(double s)
{
    char buf[32];
    if (s >= 1e-3)
        std::snprintf(buf, sizeof buf, "%.2f ms", s * 1e3);
    else if (s >= 1e-6)
        std::snprintf(buf, sizeof buf, "%.2f us", s * 1e6);
    else
        std::snprintf(buf, sizeof buf, "%.1f ns", s * 1e9);
    return buf;
}

std::string FormatCount(double v)
{
    char buf[32];
    if (v == static_cast<double>(static_cast<long long>(v))) {
        std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(v));
    } else {
        std::snprintf(buf, sizeof buf, "%.2f", v);
    }
    return buf;
}

double Counter(const std::map<std::string, double>& c, const char* name)
{
    auto it = c.find(name);
    return it == c.end() ? 0.0 : it->second;
}

void Verdict(std::ostream& out, const std::string& what, bool met)
{
    out << "  " << (met ? "met     " : "MISSED  ") << what << "\n";
}

}  // namespace

void SummaryReporter::ReportRuns(const std::vector<Run>& runs)
{
    for (const Run& run : runs) {
        if (run.error_occurred) {
            failures_.push_back(run.benchmark_name() + ": " + run.error_message);
            continue;
        }
        if (run.run_type != Run::RT_Iteration || run.iterations <= 0) continue;
        const std::string name = run.run_name.function_name + "/" + run.run_name.args;
        // Manual time is the timed part's own CPU time; otherwise the loop's CPU
        // time, which a loaded machine disturbs far less than the wall clock.
        const bool manual = run.run_name.time_type == "manual_time";
        const double seconds = (manual ? run.real_accumulated_time : run.cpu_accumulated_time) /
                               static_cast<double>(run.iterations);
        auto it = results_.find(name);
        if (it != results_.end() && it->second.seconds <= seconds) continue;
        Result& r = results_[name];
        r.seconds = seconds;
        r.counters.clear();
        for (const auto& c : run.counters) r.counters[c.first] = c.second.value;
    }
    // With repetitions the console shows their statistics and failures only;
    // the summary has the fastest of them.
    std::vector<Run> shown;
    for (const Run& run : runs) {
        if (run.run_type == Run::RT_Aggregate || run.repetitions <= 1 || run.error_occurred) {
            shown.push_back(run);
        }
    }
    if (!shown.empty()) ConsoleReporter::ReportRuns(shown);
}

const SummaryReporter::Result* SummaryReporter::Find(const std::string& op, const std::string& side,
                                                     int rows) const
{
    auto it = results_.find(Key(op, side, rows));
    return it == results_.end() ? nullptr : &it->second;
}

void SummaryReporter::PrintTable(std::ostream& out) const
{
    // In the order op, rows; a side not run shows as "-".
    std::set<std::tuple<std::string, int>> rows_of_ops;
    for (const auto& entry : results_) {
        std::string op, side;
        int rows = 0;
        if (SplitName(entry.first, &op, &side, &rows)) rows_of_ops.emplace(op, rows);
    }
    char line[256];
    std::snprintf(line, sizeof line, "%-24s %5s %11s %11s %6s %10s %7s %5s %5s %6s\n", "pass",
                  "rows", "driver", "floor", "ratio", "per row", "calls", "lists", "sends",
                  "allocs");
    out << line;
    for (const auto& [op, rows] : rows_of_ops) {
        const Result* d = Find(op, "driver", rows);
        const Result* f = Find(op, "floor", rows);
        const Result* counted = d ? d : f;
        if (!counted) continue;  // a benchmark of neither side is in the console output only
        std::string ratio = "-";
        if (d && f && f->seconds > 0.0) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%.2f", d->seconds / f->seconds);
            ratio = buf;
        }
        std::snprintf(line, sizeof line, "%-24s %5d %11s %11s %6s %10s %7s %5s %5s %6s\n",
                      op.c_str(), rows, d ? FormatTime(d->seconds).c_str() : "-",
                      f ? FormatTime(f->seconds).c_str() : "-", ratio.c_str(),
                      d ? FormatTime(d->seconds / rows).c_str() : "-",
                      FormatCount(Counter(counted->counters, "calls")).c_str(),
                      FormatCount(Counter(counted->counters, "list_reads")).c_str(),
                      FormatCount(Counter(counted->counters, "sends")).c_str(),
                      FormatCount(Counter(counted->counters, "allocs")).c_str());
        out << line;
    }
}

void SummaryReporter::PrintTargets(std::ostream& out) const
{
    char what[160];
    const Result* sim = Find("DCSSimulate/array", "driver", 2000);
    const Result* floor = Find("DCSSimulate/array", "floor", 2000);
    if (sim && floor && floor->seconds > 0.0) {
        const double ratio = sim->seconds / floor->seconds;
        std::snprintf(what, sizeof what, "DCSSimulate, 2000 rows: driver/floor %.2f <= 1.2", ratio);
        Verdict(out, what, ratio <= 1.2);
    }
    if (sim) {
        const double allocs = Counter(sim->counters, "allocs");
        const double lists = Counter(sim->counters, "list_reads");
        const double sends = Counter(sim->counters, "sends");
        std::snprintf(what, sizeof what,
                      "DCSSimulate, 2000 rows: %g host allocations, %g list reads, %g sends per "
                      "pass (0, 3, 1)",
                      allocs, lists, sends);
        Verdict(out, what, allocs == 0.0 && lists == 3.0 && sends == 1.0);
    }
    for (const char* op : {"DCSSimulate/array", "DCSSimulate/per-tag"}) {
        const Result* small = Find(op, "driver", 100);
        const Result* large = Find(op, "driver", 2000);
        if (!small || !large || small->seconds <= 0.0) continue;
        const double growth = (large->seconds / 2000) / (small->seconds / 100);
        std::snprintf(what, sizeof what, "%s: time per row at 2000 / at 100 = %.2f <= 1.5", op,
                      growth);
        Verdict(out, what, growth <= 1.5);
    }
    for (const char* op : {"DCSConfigure", "DCSReset"}) {
        const Result* r = Find(op, "driver", 2000);
        if (!r) continue;
        std::snprintf(what, sizeof what, "%s, 14,000 tags: %s < 50 ms", op,
                      FormatTime(r->seconds).c_str());
        Verdict(out, what, r->seconds < 0.050);
    }
}

void SummaryReporter::Finalize()
{
    std::ostream& out = GetOutputStream();
    if (!results_.empty()) {
        out << "\nSummary (CPU time per pass, fastest repetition; counters per pass)\n";
        PrintTable(out);
        out << "\nTargets\n";
        PrintTargets(out);
    }
    for (const std::string& f : failures_) out << "FAILED  " << f << "\n";
    ConsoleReporter::Finalize();
}
