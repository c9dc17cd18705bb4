// calibration_compare: scores what calibrate fitted against the hidden truth
// of a generated case, and makes a tier's table from the scores of its seeds.
//   calibration_compare score TIER SEED TRUTH.toml TRUTH.trend.csv FITTED.json
//     one line per loop and target: SEED LOOP TARGET OK VALUE NOTE (tabs)
//   calibration_compare table TIER SCORES
//     the Markdown table: a row per seed, a column per target, the seeds that
//     meet each target, and every failure listed
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/dcshost/calibrate/truth/json_value.h"
#include "tests/dcshost/calibrate/truth/targets.h"
#include "tests/dcshost/calibrate/truth/truth.h"

namespace {

struct Row {
    std::string seed, loop;
    size_t target = 0;
    bool ok = false;
    double value = NAN;
    std::string note;
};

std::string Shown(const Row& r)
{
    if (!r.note.empty() && std::isnan(r.value)) return r.note;
    if (std::isnan(r.value)) return r.ok ? "ok" : "fail";
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", r.value);
    return r.note.empty() ? text : std::string(text) + " " + r.note;
}

int ScoreSeed(const std::vector<Target>& targets, const char* const* args)
{
    const std::string seed = args[0];
    Truth truth;
    std::string error;
    if (!ReadTruth(args[1], truth, error)) {
        std::fprintf(stderr, "calibration_compare: %s\n", error.c_str());
        return 2;
    }
    const bool ran = ReadTrend(args[2], truth, error);
    std::ifstream in(args[3]);
    std::stringstream text;
    text << in.rdbuf();
    JsonValue fitted;
    // No result at all fails every target of every loop, with the reason.
    std::string missing;
    if (!ran)
        missing = "no run";
    else if (!in)
        missing = "no result";
    else if (!ParseJson(text.str(), fitted, error))
        missing = "bad JSON";
    for (const TruthLoop& loop : truth.loops) {
        const JsonValue* found = nullptr;
        for (const JsonValue& l : fitted["loops"].items)
            if (l["sp_tag"].text == loop.sp_tag) found = &l;
        std::string note = !missing.empty() ? missing : !found ? "no loop" : "";
        if (note.empty() && !(*found)["not_identifiable"].IsNull())
            note = "n/i: " + (*found)["not_identifiable"].text;
        for (size_t t = 0; t < targets.size(); ++t) {
            Score s =
                note.empty() ? targets[t].score(loop, *found, truth.step) : Score{NAN, false, note};
            std::printf("%s\t%s\t%zu\t%d\t%.9g\t%s\n", seed.c_str(), loop.name.c_str(), t,
                        s.ok ? 1 : 0, s.value, s.note.c_str());
        }
    }
    return 0;
}

std::vector<Row> ReadRows(const char* path)
{
    std::vector<Row> rows;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream fields(line);
        std::string cell;
        while (std::getline(fields, cell, '\t')) cells.push_back(cell);
        if (cells.size() < 5) continue;
        Row r{cells[0],
              cells[1],
              std::stoul(cells[2]),
              cells[3] == "1",
              std::strtod(cells[4].c_str(), nullptr),
              cells.size() > 5 ? cells[5] : ""};
        rows.push_back(r);
    }
    return rows;
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    const double at = p * static_cast<double>(v.size() - 1);
    const size_t lo = static_cast<size_t>(std::floor(at));
    const size_t hi = std::min(lo + 1, v.size() - 1);
    return v[lo] + (v[hi] - v[lo]) * (at - static_cast<double>(lo));
}

void NoisySpread(const std::vector<Row>& rows, const std::vector<Target>& targets)
{
    for (size_t t = 0; t < targets.size(); ++t) {
        const std::string column = targets[t].column;
        if (column != "gain %" && column != "tau %") continue;
        std::vector<double> errors;
        for (const Row& r : rows)
            if (r.target == t) errors.push_back(std::isnan(r.value) ? INFINITY : r.value);
        const double median = Percentile(errors, 0.5), p90 = Percentile(errors, 0.9);
        std::printf(
            "%s over %zu loops: median %.3g (target <= %g: %s), 90th percentile %.3g "
            "(target <= %g: %s)\n",
            column.c_str(), errors.size(), median, kNoisyMedian,
            median <= kNoisyMedian ? "met" : "NOT met", p90, kNoisyP90,
            p90 <= kNoisyP90 ? "met" : "NOT met");
    }
}

int Table(const std::string& tier, const std::vector<Target>& targets, const char* path)
{
    const std::vector<Row> rows = ReadRows(path);
    std::vector<std::string> seeds;
    // Per seed and target, the loop that shows it: the first failing, else the worst.
    std::map<std::pair<std::string, size_t>, Row> shown;
    for (const Row& r : rows) {
        if (std::find(seeds.begin(), seeds.end(), r.seed) == seeds.end()) seeds.push_back(r.seed);
        auto key = std::make_pair(r.seed, r.target);
        auto it = shown.find(key);
        const int worse = targets[r.target].worse;
        if (it == shown.end() || (it->second.ok && !r.ok) ||
            (it->second.ok == r.ok && r.ok && worse * (r.value - it->second.value) > 0))
            shown[key] = r;
    }
    std::printf("| seed |");
    for (const Target& t : targets) std::printf(" %s (%s) |", t.column, t.goal);
    std::printf("\n|---|");
    for (size_t t = 0; t < targets.size(); ++t) std::printf("---|");
    std::printf("\n");
    std::vector<int> met(targets.size(), 0);
    for (const std::string& seed : seeds) {
        std::printf("| %s |", seed.c_str());
        for (size_t t = 0; t < targets.size(); ++t) {
            const Row& r = shown[{seed, t}];
            met[t] += r.ok ? 1 : 0;
            if (r.ok)
                std::printf(" %s |", Shown(r).c_str());
            else
                std::printf(" **FAIL %s (%s)** |", Shown(r).c_str(), r.loop.c_str());
        }
        std::printf("\n");
    }
    std::printf("| seeds meeting |");
    for (size_t t = 0; t < targets.size(); ++t) std::printf(" %d of %zu |", met[t], seeds.size());
    std::printf(
        "\n\nEach cell: the worst loop of the seed (errors in %%, manual spans and dead time "
        "in steps; '-': the clamp was never reached).\n");
    if (tier == "C1") NoisySpread(rows, targets);
    std::printf("\nEvery failure, by loop:\n");
    bool any = false;
    for (size_t i = 0; i < rows.size(); i += targets.size()) {
        // A loop with no fit at all fails every target for one reason: said once.
        const Row& first = rows[i];
        size_t same = 0;
        for (size_t t = 0; t < targets.size() && i + t < rows.size(); ++t)
            same += !rows[i + t].ok && !first.note.empty() && rows[i + t].note == first.note;
        if (same == targets.size()) {
            std::printf("- seed %s %s: %s (every target)\n", first.seed.c_str(), first.loop.c_str(),
                        first.note.c_str());
            any = true;
            continue;
        }
        std::string missed;
        for (size_t t = 0; t < targets.size() && i + t < rows.size(); ++t) {
            const Row& r = rows[i + t];
            if (!r.ok)
                missed += (missed.empty() ? "" : "; ") + std::string(targets[r.target].column) +
                          " " + Shown(r);
        }
        if (!missed.empty())
            std::printf("- seed %s %s: %s\n", first.seed.c_str(), first.loop.c_str(),
                        missed.c_str());
        any |= !missed.empty();
    }
    if (!any) std::printf("- none\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 2 ? argv[1] : "";
    const std::vector<Target>* targets = argc > 2 ? TargetsOf(argv[2]) : nullptr;
    if (targets && mode == "score" && argc == 7) return ScoreSeed(*targets, argv + 3);
    if (targets && mode == "table" && argc == 4) return Table(argv[2], *targets, argv[3]);
    std::fprintf(
        stderr,
        "usage: calibration_compare score A|B|C0|C1 SEED TRUTH.toml TREND.csv FITTED.json\n"
        "       calibration_compare table A|B|C0|C1 SCORES\n");
    return 2;
}
