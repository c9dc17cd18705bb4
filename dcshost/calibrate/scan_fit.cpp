// Where the block's scans fall. A scan shows as a change of the OP read
// after it; a block scanning on its own clock leaves steps without a change
// and steps with two scans. The period and phase are the grid that explains
// the changes best; a scan falling just after a step may have been read at
// that step (the read came late) or at the next.
#include <algorithm>
#include <cmath>

#include "dcshost/calibrate/fit_internal.h"

namespace calib {
namespace {

std::vector<char> Changes(const LoopData& loop)
{
    std::vector<char> changed(loop.op.size(), 0);
    for (size_t k = 1; k < loop.op.size(); ++k)
        changed[k] = Finite(loop.op[k]) && Finite(loop.op[k - 1]) && loop.op[k] != loop.op[k - 1];
    return changed;
}

// Reads held at the OP's highest or lowest value: likely a limit, which
// hides the scans.
std::vector<char> AtExtreme(const LoopData& loop)
{
    double lo = INFINITY, hi = -INFINITY;
    for (double v : loop.op) {
        if (!Finite(v)) continue;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    std::vector<char> at(loop.op.size(), 0);
    for (size_t k = 1; k < loop.op.size(); ++k)
        at[k] = loop.op[k] == loop.op[k - 1] && (loop.op[k] == lo || loop.op[k] == hi);
    return at;
}

// Reads that belong to stretches where the block visibly scans: changes no
// further apart than a few scan periods.
struct Active {
    std::vector<char> read;
    double mean_gap = 1.0;  // steps between changes
};

Active ActiveReads(const std::vector<char>& changed)
{
    std::vector<int> at;
    for (size_t k = 0; k < changed.size(); ++k)
        if (changed[k]) at.push_back(static_cast<int>(k));
    Active a;
    a.read.assign(changed.size(), 0);
    if (at.size() < 2) return a;
    std::vector<int> gaps;
    for (size_t i = 1; i < at.size(); ++i) gaps.push_back(at[i] - at[i - 1]);
    std::vector<int> sorted = gaps;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    int limit = 2 * sorted[sorted.size() / 2] + 2;
    long span = 0, count = 0;
    for (size_t i = 0; i < gaps.size(); ++i) {
        if (gaps[i] > limit) continue;
        span += gaps[i];
        ++count;
        for (int k = at[i]; k <= at[i + 1]; ++k) a.read[k] = 1;
    }
    if (count > 0) a.mean_gap = static_cast<double>(span) / static_cast<double>(count);
    return a;
}

// Scans of the grid phase + n period, each with the reads it may have been
// read at: `late` always, `late - 1` as well when it fell just after a step.
struct GridScan {
    int late = 0;
    bool may_be_early = false;
};

// Visits the scans of the grid in order.
template <class Visit>
void WalkGrid(const std::vector<double>& t, double step, double period, double phase, Visit visit)
{
    if (t.size() < 2 || !(period > 0.0)) return;
    double n0 = std::ceil((t.front() - phase) / period);
    size_t k = 1;
    for (double n = n0;; n += 1.0) {
        double tau = phase + n * period;
        if (tau <= t.front()) continue;
        while (k < t.size() && t[k] < tau - 1e-9 * step) ++k;
        if (k >= t.size()) break;
        visit(GridScan{static_cast<int>(k), k >= 2 && tau - t[k - 1] <= kLateRead * step});
    }
}

std::vector<GridScan> ScanTimes(const std::vector<double>& t, double step, double period,
                                double phase)
{
    std::vector<GridScan> out;
    WalkGrid(t, step, period, phase, [&out](GridScan g) { out.push_back(g); });
    return out;
}

// A scan's read: early when the later read shows no change, else late;
// never before the read of the scan before.
int ReadOf(GridScan g, const std::vector<char>& changed, int before)
{
    int read = g.may_be_early && !changed[g.late] ? g.late - 1 : g.late;
    return std::max(read, before);
}

// Each scan's read.
std::vector<int> Reads(const std::vector<GridScan>& grid, const std::vector<char>& changed)
{
    std::vector<int> reads;
    reads.reserve(grid.size());
    for (const GridScan& g : grid)
        reads.push_back(ReadOf(g, changed, reads.empty() ? 0 : reads.back()));
    return reads;
}

// Active reads the placed scans contradict (a change without a scan, or a
// scan without a change), each weighed as four scans read early. A grid
// that needs early reads to fit must fit better than one that does not: else
// a period of one step with every other scan read early explains any slower
// block as well as its own period does. Nor may it buy one contradiction
// with many: an operator's write next to a scan would otherwise have every
// scan fall just after its step and be read early, a step off.
// active_changes: the active reads that changed. The grid is walked, not
// built (thousands are tried); the reads never go back, so each is counted
// once, when first reached.
long Violations(const LoopData& loop, const std::vector<char>& changed, const Active& active,
                long active_changes, double period, double phase)
{
    long bad = active_changes, early = 0;
    int last = 0;
    WalkGrid(loop.time, loop.step, period, phase, [&](GridScan g) {
        const int read = ReadOf(g, changed, last);
        early += read < g.late;
        if (read != last && active.read[read]) bad += changed[read] ? -1 : 1;
        last = read;
    });
    return 4 * bad + early;
}

struct Choice {
    double period = 0.0, phase = 0.0;
    long bad = -1;
};

Choice BestPhase(const LoopData& loop, const std::vector<char>& changed, const Active& active,
                 double period)
{
    long active_changes = 0;
    for (size_t k = 1; k < changed.size(); ++k) active_changes += active.read[k] && changed[k];
    Choice best;
    const int tries = 48;
    for (int i = 0; i < tries; ++i) {
        double phase = period * i / tries;  // 0 first: a block started on a step
        long bad = Violations(loop, changed, active, active_changes, period, phase);
        if (best.bad < 0 || bad < best.bad) best = Choice{period, phase, bad};
    }
    return best;
}

// The period: from the mean gap between changes, refined around it, with
// the step itself as a candidate (a block at the step whose reads come late
// skips some steps and scans twice in others).
Choice BestGrid(const LoopData& loop, const std::vector<char>& changed, const Active& active)
{
    double guess = active.mean_gap * loop.step;
    Choice best = BestPhase(loop, changed, active, loop.step);
    // A block on the host's clock every few steps: the relative grid below
    // may step over its exact period, which a long recording needs.
    for (double m : {std::floor(active.mean_gap), std::ceil(active.mean_gap)}) {
        Choice c = BestPhase(loop, changed, active, std::max(1.0, m) * loop.step);
        if (c.bad < best.bad) best = c;
    }
    for (int i = -20; i <= 20; ++i) {
        double period = guess * (1.0 + 0.002 * i);
        if (period < loop.step) continue;
        Choice c = BestPhase(loop, changed, active, period);
        if (c.bad < best.bad) best = c;
    }
    // Finer, around the best so far.
    double coarse = best.period;
    for (int i = -10; i <= 10; ++i) {
        double period = coarse * (1.0 + 0.0002 * i);
        if (period < loop.step) continue;
        Choice c = BestPhase(loop, changed, active, period);
        if (c.bad < best.bad) best = c;
    }
    return best;
}

// Per step: the last scan read by then.
void CountScans(int n, ScanPlan& plan)
{
    plan.last_scan.assign(n, -1);
    size_t j = 0;
    for (int k = 0; k < n; ++k) {
        while (j < plan.scans.size() && plan.scans[j].read <= k) ++j;
        plan.last_scan[k] = static_cast<int>(j) - 1;
    }
}

}  // namespace

ScanPlan GridPlan(const LoopData& loop, double period, double phase)
{
    ScanPlan plan;
    plan.period = period;
    plan.phase = phase;
    std::vector<GridScan> grid = ScanTimes(loop.time, loop.step, period, phase);
    std::vector<int> reads = Reads(grid, Changes(loop));
    for (size_t j = 0; j < grid.size(); ++j)
        plan.scans.push_back(ScanEvent{reads[j], false, grid[j].may_be_early, grid[j].late});
    CountScans(static_cast<int>(loop.op.size()), plan);
    return plan;
}

ScanPlan PlanScans(const LoopData& loop)
{
    const int n = static_cast<int>(loop.op.size());
    std::vector<char> changed = Changes(loop);
    Active active = ActiveReads(changed);
    std::vector<char> extreme = AtExtreme(loop);
    long missing = 0, active_reads = 0;
    for (int k = 1; k < n; ++k) {
        if (!active.read[k] || extreme[k]) continue;
        ++active_reads;
        if (!changed[k]) ++missing;
    }
    // A change at (nearly) every step: one scan per step as far as the
    // changes can tell.
    if (active_reads > 0 && missing > active_reads / 200) {
        Choice best = BestGrid(loop, changed, active);
        return GridPlan(loop, best.period, best.phase);
    }
    ScanPlan plan;
    plan.period = loop.step;
    plan.below_step = true;
    for (int k = 1; k < n; ++k) plan.scans.push_back(ScanEvent{k, false, false, k});
    CountScans(n, plan);
    return plan;
}

// The last scan read inside a manual span or an OP write, when the next is
// the law's again, only took over: its output is the OP it found.
void MarkTakeovers(const OpSpans& spans, ScanPlan& plan)
{
    for (size_t j = 0; j + 1 < plan.scans.size(); ++j)
        plan.scans[j].takeover =
            spans.excluded[plan.scans[j].read] && !spans.excluded[plan.scans[j + 1].read];
}

}  // namespace calib
