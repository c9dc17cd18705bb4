// A scan that fell just after a step was read at that step when the read
// came late enough, else at the next. The changes of OP settle most; where
// both are possible, the fitted law decides, one scan at a time.
#include <algorithm>
#include <cmath>
#include <utility>

#include "dcshost/calibrate/fit_internal.h"

namespace calib {
namespace {

// Settling a grid on the law: up to kLawReach moves of kSettleBy steps
// each way at either end, kCoarse at a time first, kSettleRounds times.
constexpr double kSettleBy = 0.01;
constexpr int kLawReach = 32;
constexpr int kCoarse = 4;
constexpr int kSettleRounds = 2;

double Cost(const LoopData& loop, const OpSpans& spans, const Law& law, const ScanPlan& plan,
            int first, int last)
{
    double sum = 0.0;
    for (const LawRow& row : LawRows(loop, plan, spans, first, last)) {
        double r = PredictRead(loop, plan, law, row) - loop.op[plan.scans[row.to].read];
        sum += r * r;
    }
    return sum;
}

// Scan j from its read to the neighbouring `to`; the reads differ by one.
void Move(ScanPlan& plan, size_t j, int to)
{
    int from = plan.scans[j].read;
    plan.scans[j].read = to;
    int lower = std::min(from, to);
    plan.last_scan[lower] = to < from ? static_cast<int>(j) : static_cast<int>(j) - 1;
}

// Rows the law misses by more than kExact.
long Misses(const LoopData& loop, const OpSpans& spans, const Law& law, const ScanPlan& plan)
{
    long missed = 0;
    for (const LawRow& row : LawRows(loop, plan, spans, 1, static_cast<int>(loop.op.size()) - 1))
        missed += !(std::fabs(PredictRead(loop, plan, law, row) -
                              loop.op[plan.scans[row.to].read]) <= kExact);
    return missed;
}

// A grid by its scans nearest either end of the recording, `periods` apart.
struct Ends {
    double a0 = 0.0, a1 = 0.0, periods = 1.0;
};

struct Settled {
    ScanPlan plan;
    long missed = -1;
    int at = 0;  // the end's move, in kSettleBy steps
};

// The grid with one end moved by `at` kSettleBy steps, its scans placed for
// the law.
ScanPlan Moved(const LoopData& loop, const OpSpans& spans, const Law& law, Ends ends, int end,
               int at)
{
    (end == 0 ? ends.a0 : ends.a1) += at * kSettleBy * loop.step;
    const double period = (ends.a1 - ends.a0) / ends.periods;
    double phase = std::fmod(ends.a0, period);
    if (phase < 0.0) phase += period;
    ScanPlan plan = GridPlan(loop, period, phase);
    MarkTakeovers(spans, plan);
    RefineScans(loop, spans, law, plan);
    return plan;
}

// One end moved from `first` to `last` by `by`: earliest first, the first
// that misses fewest is the one.
Settled Sweep(const LoopData& loop, const OpSpans& spans, const Law& law, const Ends& ends, int end,
              int first, int last, int by)
{
    Settled best;
    for (int at = first; at <= last; at += by) {
        ScanPlan plan = Moved(loop, spans, law, ends, end, at);
        const long missed = Misses(loop, spans, law, plan);
        if (best.missed < 0 || missed < best.missed) best = Settled{std::move(plan), missed, at};
    }
    return best;
}

}  // namespace

ScanPlan SettleGrid(const LoopData& loop, const OpSpans& spans, const Law& law,
                    const ScanPlan& from)
{
    if (from.below_step || from.scans.size() < 2 || loop.time.empty()) return from;
    const double periods = std::floor((loop.time.back() - from.phase) / from.period);
    const long before = Misses(loop, spans, law, from);
    if (periods < 1.0 || before == 0) return from;
    Ends ends{from.phase, from.phase + periods * from.period, periods};
    Settled best{from, before};
    for (int round = 0; round < kSettleRounds && best.missed > 0; ++round) {
        // Each end swept from the same grid, the one that misses fewer
        // moved: the grids that miss none lie along a narrow slant (a scan
        // on the wrong side of a step at either end), which moving the ends
        // in turn can step over.
        Settled moved[2];
        for (int end = 0; end < 2; ++end) {
            // Coarse, then fine about the earliest coarse place that misses fewest.
            Settled coarse = Sweep(loop, spans, law, ends, end, -kLawReach, kLawReach, kCoarse);
            Settled fine = Sweep(loop, spans, law, ends, end, coarse.at - kCoarse + 1,
                                 coarse.at + kCoarse - 1, 1);
            moved[end] = fine.missed <= coarse.missed ? std::move(fine) : std::move(coarse);
        }
        const int end = moved[1].missed < moved[0].missed ? 1 : 0;
        if (moved[end].missed >= best.missed) break;
        (end == 0 ? ends.a0 : ends.a1) += moved[end].at * kSettleBy * loop.step;
        best = std::move(moved[end]);
    }
    return best.missed < before ? best.plan : from;
}

void RefineScans(const LoopData& loop, const OpSpans& spans, const Law& law, ScanPlan& plan)
{
    const int n = static_cast<int>(loop.op.size());
    std::vector<int> count(n, 0);
    for (const ScanEvent& s : plan.scans) ++count[s.read];
    auto changed = [&](int k) { return k > 0 && loop.op[k] != loop.op[k - 1]; };
    for (int pass = 0; pass < 4; ++pass) {
        bool moved = false;
        // Latest first: a run of scans read late then moves early in one pass.
        for (size_t j = plan.scans.size(); j-- > 0;) {
            if (!plan.scans[j].movable) continue;
            int from = plan.scans[j].read;
            // Its other read, keeping the scans in order.
            const ScanEvent& s = plan.scans[j];
            int to = from == s.late ? s.late - 1 : s.late;
            if (to < 1 || to >= n) continue;
            if (j > 0 && plan.scans[j - 1].read > to) continue;
            if (j + 1 < plan.scans.size() && plan.scans[j + 1].read < to) continue;
            if ((count[from] > 1) != changed(from) || !changed(to)) continue;
            int lo = std::max(1, std::min(from, to) - 2),
                hi = std::min(n - 1, std::max(from, to) + 3);
            double before = Cost(loop, spans, law, plan, lo, hi);
            Move(plan, j, to);
            if (Cost(loop, spans, law, plan, lo, hi) < before * (1.0 - 1e-9)) {
                --count[from];
                ++count[to];
                moved = true;
            } else {
                Move(plan, j, from);
            }
        }
        if (!moved) break;
    }
}

}  // namespace calib
