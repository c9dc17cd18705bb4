// A scan that fell just after a step was read at that step when the read
// came late enough, else at the next. The changes of OP settle most; where
// both are possible, the fitted law decides, one scan at a time.
#include <algorithm>

#include "dcshost/calibrate/fit_internal.h"

namespace calib {
namespace {

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

}  // namespace

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
