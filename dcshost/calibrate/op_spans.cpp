// Reads of the OP that are not the law's: held at a limit, held in manual,
// or written by an operator.
#include <algorithm>
#include <cmath>

#include "dcshost/calibrate/fit_internal.h"

namespace calib {
namespace {

// A stretch of reads each equal to the one before: held reads [first, last],
// the value set at first - 1.
struct Hold {
    int first = 0, last = 0;
    bool manual = false;
    int unexplained = 0;  // reads with a scan and an error, yet no change
};

std::vector<Hold> Holds(const std::vector<double>& op)
{
    std::vector<Hold> holds;
    for (size_t k = 1; k < op.size(); ++k) {
        bool held = Finite(op[k]) && op[k] == op[k - 1];
        if (!held) continue;
        int at = static_cast<int>(k);
        if (!holds.empty() && holds.back().last == at - 1)
            holds.back().last = at;
        else
            holds.push_back(Hold{at, at, false, 0});
    }
    return holds;
}

double Range(const std::vector<double>& v)
{
    double lo = INFINITY, hi = -INFINITY;
    for (double x : v) {
        if (!Finite(x)) continue;
        lo = std::min(lo, x);
        hi = std::max(hi, x);
    }
    return hi >= lo ? hi - lo : 0.0;
}

// Reads of a hold that carry a scan, yet show no change.
int Unchanged(const ScanPlan& plan, const Hold& h)
{
    int n = 0;
    for (int k = h.first; k <= h.last; ++k) n += plan.last_scan[k] != plan.last_scan[k - 1];
    return n;
}

// Held at `value` through two scans or more, with the error pushing one way
// all along, as it does against a limit.
bool HeldAt(const LoopData& loop, const ScanPlan& plan, double value)
{
    for (const Hold& h : Holds(loop.op)) {
        if (loop.op[h.first] != value || Unchanged(plan, h) < 2) continue;
        int up = 0, down = 0;
        for (int k = h.first; k <= h.last; ++k) {
            if (plan.last_scan[k] == plan.last_scan[k - 1]) continue;  // no scan: nothing seen
            double e = loop.sp[k - 1] - loop.pv[k - 1];
            up += e > 0.0;
            down += e < 0.0;
        }
        if (up == 0 || down == 0) return true;
    }
    // Or touched more than once, the error pushing the same way each time
    // (a continuous OP repeats a value exactly only against a limit).
    int touched = 0, up = 0, down = 0;
    for (size_t k = 1; k < loop.op.size(); ++k) {
        if (loop.op[k] != value || loop.op[k - 1] == value) continue;
        double e = loop.sp[k - 1] - loop.pv[k - 1];
        ++touched;
        up += e > 0.0;
        down += e < 0.0;
    }
    return touched >= 2 && (up == 0 || down == 0);
}

}  // namespace

OpSpans FindLimits(const LoopData& loop, const ScanPlan& plan)
{
    OpSpans spans;
    const size_t n = loop.op.size();
    double lo = INFINITY, hi = -INFINITY;
    for (double v : loop.op) {
        if (!Finite(v)) continue;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    spans.clamped.assign(n, 0);
    spans.excluded.assign(n, 0);
    for (size_t k = 0; k < n; ++k) spans.excluded[k] = !Finite(loop.op[k]);
    if (!(hi > lo)) return spans;
    if (HeldAt(loop, plan, hi)) {
        spans.hi_reached = true;
        spans.hi = hi;
    }
    if (HeldAt(loop, plan, lo)) {
        spans.lo_reached = true;
        spans.lo = lo;
    }
    for (size_t k = 0; k < n; ++k)
        spans.clamped[k] =
            (spans.lo_reached && loop.op[k] == lo) || (spans.hi_reached && loop.op[k] == hi);
    return spans;
}

void FindManualSpans(const LoopData& loop, const ScanPlan& plan, OpSpans& spans)
{
    // An error, or a move of the PV since the scan before, the law answers
    // with a visible change of a float OP.
    const double small = 1e-5 * std::max(Range(loop.pv), 1e-9);
    std::vector<Hold> holds = Holds(loop.op);
    for (Hold& h : holds) {
        if (spans.clamped[h.first]) continue;
        for (int k = h.first; k <= h.last; ++k) {
            const int j = plan.last_scan[k];
            if (j == plan.last_scan[k - 1]) continue;
            const double moved = j > 0 ? loop.pv[k - 1] - loop.pv[plan.scans[j - 1].read - 1] : 0.0;
            if (std::fabs(loop.sp[k - 1] - loop.pv[k - 1]) > small || std::fabs(moved) > small)
                ++h.unexplained;
        }
        h.manual = h.unexplained >= 2;
    }
    // An operator's write inside a manual span splits its hold in two; the
    // second holds through a scan at least (the takeover). A write soon after
    // the switch leaves a first hold with a single scan of a slow block.
    std::vector<Hold> merged;
    for (const Hold& h : holds) {
        if (!merged.empty() && merged.back().last + 2 == h.first &&
            (merged.back().manual || (h.manual && merged.back().unexplained >= 1)) &&
            Unchanged(plan, h) >= 1) {
            merged.back().last = h.last;
            merged.back().manual = true;
            continue;
        }
        merged.push_back(h);
    }
    // A mode the operator sets at step k (after its exchange) is first seen
    // by the scan read at k + 2. The switch to manual then fell in the p
    // steps before the first held scan (read at h.first - 1 + p), and the
    // last step in manual in the p before the takeover scan, the last held
    // one (read at h.last + 1 - p), three steps before it: the middle of each.
    const double p = std::max(1.0, plan.period / loop.step);
    const int lead = static_cast<int>(std::floor((p - 5.0) / 2.0 + 0.5));
    const int lag = static_cast<int>(std::floor((3.0 * p + 3.0) / 2.0 + 0.5));
    for (const Hold& h : merged) {
        if (!h.manual) continue;
        for (int k = h.first; k <= h.last; ++k) spans.excluded[k] = 1;
        int first = std::max(0, std::min(h.first + lead, h.last));
        // Held at a value set between scans: an operator's write, after the
        // switch, which fell after the last scan that moved the OP.
        const int write = h.first - 1, before = write >= 1 ? plan.last_scan[write] : -1;
        if (before >= 0 && before == plan.last_scan[write - 1]) {
            first = std::max(0, (plan.scans[before].read + write - 2) / 2);
            spans.excluded[write] = 1;
        }
        spans.manual.emplace_back(first, std::max(first, h.last - lag));
    }
}

void AddWrites(const LoopData& loop, const ScanPlan& plan, const std::vector<int>& reads,
               OpSpans& spans)
{
    const int n = static_cast<int>(loop.op.size());
    for (int r : reads) {
        if (r + 1 >= n || spans.excluded[r] || loop.op[r + 1] != loop.op[r]) continue;
        // A block slower than the step holds its OP between scans anyway:
        // the next read that carries a scan must hold it too.
        int next = r + 1;
        if (plan.period > 1.5 * loop.step) {
            while (next + 1 < n && plan.last_scan[next] == plan.last_scan[r]) ++next;
            if (plan.last_scan[next] == plan.last_scan[r] || loop.op[next] != loop.op[r]) continue;
        }
        // A write that opens a manual hold came after the switch to manual,
        // which the scan read before it did not see yet (see FindManualSpans):
        // the middle of the steps between.
        int first = r;
        const int before = plan.last_scan[r - 1];
        if (spans.excluded[r + 1] && before >= 0)
            first = std::max(0, (plan.scans[before].read + r - 2) / 2);
        for (int k = r; k <= next; ++k) spans.excluded[k] = 1;
        spans.manual.emplace_back(first, next);
    }
    // Overlapping spans (a write read inside a hold) are one span.
    std::sort(spans.manual.begin(), spans.manual.end());
    std::vector<std::pair<int, int>> joined;
    for (const auto& m : spans.manual) {
        if (!joined.empty() && m.first <= joined.back().second + 1)
            joined.back().second = std::max(joined.back().second, m.second);
        else
            joined.push_back(m);
    }
    spans.manual = joined;
}

}  // namespace calib
