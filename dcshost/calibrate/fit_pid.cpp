// FitPid: the scans placed, the reads that are not the law's set aside, the
// law fitted, then scored. A loop the recording cannot tell is refused with
// its reason, never given numbers.
#include <algorithm>
#include <cmath>

#include "dcshost/calibrate/fit_internal.h"

const char* const kNeverExcited = "never excited (no SP move, no disturbance)";
const char* const kAlwaysManual = "always in manual";
const char* const kAlwaysAtLimit = "always at a limit";
const char* const kTooShort = "too short";
const char* const kPvConstant = "PV never changing";

namespace calib {
namespace {

// Fewer rows than this and no setting is worth stating.
constexpr size_t kMinRows = 20;

bool Changes(const std::vector<double>& v)
{
    double first = kNaN;
    for (double x : v) {
        if (!Finite(x)) continue;
        if (!Finite(first))
            first = x;
        else if (x != first)
            return true;
    }
    return false;
}

size_t CountFinite(const LoopData& loop)
{
    size_t n = 0;
    for (size_t k = 0; k < loop.op.size(); ++k)
        n += Finite(loop.op[k]) && Finite(loop.sp[k]) && Finite(loop.pv[k]);
    return n;
}

// Why a loop without enough law rows is not identifiable.
const char* Refusal(const LoopData& loop, const OpSpans& spans)
{
    const size_t n = loop.op.size();
    if (!Changes(loop.op)) {
        // Held all along: against a limit the error pushes one way throughout.
        size_t up = 0, down = 0;
        for (size_t k = 0; k < n; ++k) {
            double e = loop.sp[k] - loop.pv[k];
            up += e > 0.0;
            down += e < 0.0;
        }
        if (up + down < kMinRows) return kNeverExcited;
        return up == 0 || down == 0 ? kAlwaysAtLimit : kAlwaysManual;
    }
    size_t manual = 0, limit = 0;
    for (size_t k = 0; k < n; ++k) {
        manual += spans.excluded[k] != 0;
        limit += spans.clamped[k] != 0;
    }
    if (limit > n / 2 && limit >= manual) return kAlwaysAtLimit;
    if (manual > n / 2) return kAlwaysManual;
    return kNeverExcited;
}

bool Sized(const LoopData& loop)
{
    const size_t n = loop.op.size();
    return loop.sp.size() == n && loop.pv.size() == n && loop.time.size() == n && n > 0 &&
           Finite(loop.step) && loop.step > 0.0;
}

// One fit of the law with the limits given: the manual spans found, the
// scans refined, operator writes set aside.
struct Attempt {
    ScanPlan plan;
    OpSpans spans;
    LawFit law;
    size_t Unexplained() const { return spans.manual.size() + law.outliers.size(); }
};

LawFit FitRows(const LoopData& loop, const ScanPlan& plan, const OpSpans& spans, const Law& base)
{
    const int n = static_cast<int>(loop.op.size());
    std::vector<LawRow> rows = LawRows(loop, plan, spans, 1, n - 1);
    return rows.size() >= kMinRows ? FitLaw(loop, plan, rows, base) : LawFit{};
}

Attempt Run(const LoopData& loop, const ScanPlan& scans, const OpSpans& limits)
{
    Attempt a{scans, limits, {}};
    FindManualSpans(loop, a.plan, a.spans);
    MarkTakeovers(a.spans, a.plan);
    Law base;
    base.period = a.plan.period;
    // A limit the OP never showed may still have held the integral: against
    // a limit above the highest OP read the law winds up exactly as against
    // the real one (no scan that wound up less could have given a higher OP).
    double lo = INFINITY, hi = -INFINITY;
    for (double v : loop.op)
        if (Finite(v)) lo = std::min(lo, v), hi = std::max(hi, v);
    base.lo =
        a.spans.lo_reached || !Finite(lo) ? a.spans.lo : lo - 1e-4 * std::max(1.0, std::fabs(lo));
    base.hi =
        a.spans.hi_reached || !Finite(hi) ? a.spans.hi : hi + 1e-4 * std::max(1.0, std::fabs(hi));
    a.law = FitRows(loop, a.plan, a.spans, base);
    for (int round = 0; round < 3 && a.law.ok && !a.plan.below_step; ++round) {
        RefineScans(loop, a.spans, a.law.law, a.plan);
        a.law = FitRows(loop, a.plan, a.spans, base);
    }
    if (a.law.ok && !a.law.outliers.empty()) {
        // Unexplained jumps followed by a hold: operator writes, set aside.
        size_t before = a.spans.manual.size();
        AddWrites(loop, a.plan, a.law.outliers, a.spans);
        if (a.spans.manual.size() != before) {
            MarkTakeovers(a.spans, a.plan);
            a.law = FitRows(loop, a.plan, a.spans, base);
        }
    }
    return a;
}

// The OP's highest (or lowest) read taken as a limit the block reached;
// false when it already is one.
bool WithLimit(const LoopData& loop, const ScanPlan& scans, bool hi, OpSpans& spans)
{
    if (hi ? spans.hi_reached : spans.lo_reached) return false;
    double at = hi ? -INFINITY : INFINITY;
    for (double v : loop.op)
        if (Finite(v)) at = hi ? std::max(at, v) : std::min(at, v);
    if (!Finite(at)) return false;
    // An OP an operator set and held is not a limit.
    OpSpans held = spans;
    FindManualSpans(loop, scans, held);
    for (size_t k = 0; k < loop.op.size(); ++k)
        if (loop.op[k] == at && held.excluded[k]) return false;
    (hi ? spans.hi_reached : spans.lo_reached) = true;
    (hi ? spans.hi : spans.lo) = at;
    for (size_t k = 0; k < loop.op.size(); ++k)
        if (loop.op[k] == at) spans.clamped[k] = 1;
    return true;
}

// The limit found at the OP's highest (or lowest) read taken back; false
// when there is none.
bool WithoutLimit(const LoopData& loop, bool hi, OpSpans& spans)
{
    if (!(hi ? spans.hi_reached : spans.lo_reached)) return false;
    (hi ? spans.hi_reached : spans.lo_reached) = false;
    (hi ? spans.hi : spans.lo) = hi ? INFINITY : -INFINITY;
    for (size_t k = 0; k < loop.op.size(); ++k)
        spans.clamped[k] = (spans.lo_reached && loop.op[k] == spans.lo) ||
                           (spans.hi_reached && loop.op[k] == spans.hi);
    return true;
}

// Whether the law, unclamped, would have driven the OP past `at` at a read
// that shows `at`: a limit held it there, not a turn of the law's own. Past
// it with the scan's integral step held too: a limit further out holds the
// integral once the output would cross it, yet leaves the OP where the rest
// of the law puts it, which may be the highest (lowest) OP read. Not known
// when no such read follows one the law can start from.
enum class Past { Yes, No, Unknown };

// How far past a limit the law must go to tell: well beyond how closely it
// predicts the reads it explains.
double Spread(const LoopData& loop, const Attempt& a)
{
    const int n = static_cast<int>(loop.op.size());
    std::vector<double> res;
    for (const LawRow& row : LawRows(loop, a.plan, a.spans, 1, n - 1))
        res.push_back(std::fabs(PredictRead(loop, a.plan, a.law.law, row) -
                                loop.op[a.plan.scans[row.to].read]));
    if (res.empty()) return INFINITY;
    std::nth_element(res.begin(), res.begin() + res.size() / 2, res.end());
    return 10.0 * 1.4826 * res[res.size() / 2];
}

// Scans the law is run through a clamp to reach a read at `at`.
constexpr int kWalkBack = 200;

Past Beyond(const LoopData& loop, const Attempt& a, bool hi, double at)
{
    Past seen = Past::Unknown;
    Law free = a.law.law;
    (hi ? free.hi : free.lo) = hi ? INFINITY : -INFINITY;
    const double margin = std::max(Spread(loop, a), 1e-6 * std::max(1.0, std::fabs(at)));
    // The reads at `at` are the question: a write set aside there made its
    // scan a takeover, which acts on no PV change and so never gets past.
    ScanPlan plan = a.plan;
    OpSpans spans = a.spans;
    for (size_t k = 0; k < loop.op.size(); ++k)
        if (loop.op[k] == at) spans.excluded[k] = 0;
    MarkTakeovers(spans, plan);
    for (size_t r = 1; r < loop.op.size(); ++r) {
        const int to = plan.last_scan[r], from = plan.last_scan[r - 1];
        if (loop.op[r] != at || to == from || from < 0) continue;
        // From the last scan before whose OP is the law's own, not held at a
        // limit: the law runs on through the clamps, as the block did. Its
        // read may have been set aside as a write: a clamp looks like one.
        int start = from;
        auto held_there = [&](int j) {
            const int read = plan.scans[j].read;
            return loop.op[read] == at || spans.clamped[read];
        };
        while (start > 0 && from - start < kWalkBack && held_there(start)) --start;
        if (held_there(start)) continue;
        bool usable = true;
        for (int j = start; j <= to && usable; ++j) usable = ScanUsable(loop, plan, j);
        if (!usable) continue;
        double op = loop.op[plan.scans[start].read];
        double integral = TakeOver(loop, plan, free, start, op);
        for (int j = start + 1; j < to; ++j) op = ScanOnce(loop, plan, free, j, integral);
        const double before = integral;
        op = ScanOnce(loop, plan, free, to, integral);
        const double held = op - (integral - before);
        if (hi ? std::min(op, held) > at + margin : std::max(op, held) < at - margin)
            return Past::Yes;
        seen = Past::No;
    }
    return seen;
}

// The limits as the law bears them out.
void SettleLimits(const LoopData& loop, const ScanPlan& scans, OpSpans& limits, Attempt& best)
{
    // A hold at the extreme OP the law never drove into is an operator's.
    for (int hi = 0; hi < 2 && best.law.ok; ++hi) {
        OpSpans tried = limits;
        if (!WithoutLimit(loop, hi != 0, tried) ||
            Beyond(loop, best, hi != 0, hi ? limits.hi : limits.lo) != Past::No)
            continue;
        Attempt a = Run(loop, scans, tried);
        if (!a.law.ok) continue;
        best = a;
        limits = tried;
    }
    // A limit the OP touched only briefly: its extreme read, where the law
    // without the limit would have gone past it.
    for (int hi = 0; hi < 2 && best.law.ok; ++hi) {
        OpSpans tried = limits;
        if (!WithLimit(loop, scans, hi != 0, tried)) continue;
        const double at = hi ? tried.hi : tried.lo;
        const Past before = Beyond(loop, best, hi != 0, at);
        if (before == Past::No) continue;
        Attempt a = Run(loop, scans, tried);
        if (!a.law.ok) continue;
        const Past after = Beyond(loop, a, hi != 0, at);
        // Unknown both ways (it was reached from the other limit): kept
        // when it leaves fewer reads unexplained.
        if (after == Past::No || (after == Past::Unknown && (before == Past::Unknown) &&
                                  a.Unexplained() >= best.Unexplained()))
            continue;
        best = a;
        limits = tried;
    }
}

// The grid settled on the law fitted to it (the search settled it on a
// simpler law); the law fitted again there, kept when it misses fewer reads.
void SettleScans(const LoopData& loop, ScanPlan& scans, const OpSpans& limits, Attempt& best)
{
    if (!best.law.ok) return;
    ScanPlan settled = SettleGrid(loop, best.spans, best.law.law, best.plan);
    if (settled.period == best.plan.period && settled.phase == best.plan.phase) return;
    const ScanPlan grid = GridPlan(loop, settled.period, settled.phase);
    Attempt a = Run(loop, grid, limits);
    if (!a.law.ok || MissedShare(loop, a.plan, a.spans, a.law.law) >=
                         MissedShare(loop, best.plan, best.spans, best.law.law))
        return;
    best = a;
    scans = grid;
}

// Reads the law misses: the scans are elsewhere than the changes of OP
// showed (a block faster than the step, or on its own clock with late
// reads). The grid whose law misses fewest, each fitted at its limits as
// the law bears them out: a limit the OP touched but the first fit did
// not take leaves rows near it unexplained, fewer on a wrong grid. Searched
// whenever the law misses a read: a write not found or a limit reached in
// between may explain a few, but so does a scan put on the wrong side of an
// SP move, a miss of the gain times the move that no share of misses
// allowed for can tell from a write's.
void SearchGrids(const LoopData& loop, ScanPlan& scans, OpSpans& limits, Attempt& best)
{
    double missed = best.law.ok ? MissedShare(loop, best.plan, best.spans, best.law.law) : 1.0;
    if (best.law.ok && missed > 0.0) {
        for (const ScanPlan& tried : SearchScans(loop, scans)) {
            OpSpans found = FindLimits(loop, tried);
            Attempt a = Run(loop, tried, found);
            SettleLimits(loop, tried, found, a);
            const double share = a.law.ok ? MissedShare(loop, a.plan, a.spans, a.law.law) : 1.0;
            if (share >= missed) continue;
            best = a;
            scans = tried;
            limits = found;
            missed = share;
        }
    }
}

}  // namespace
}  // namespace calib

using namespace calib;

PidFit FitPid(const LoopData& loop)
{
    PidFit fit;
    if (!Sized(loop) || CountFinite(loop) < 3 * kMinRows) {
        fit.not_identifiable = kTooShort;
        return fit;
    }
    if (!Changes(loop.pv)) {
        fit.not_identifiable = kPvConstant;
        return fit;
    }
    ScanPlan scans = PlanScans(loop);
    OpSpans limits = FindLimits(loop, scans);
    Attempt best = Run(loop, scans, limits);
    SettleLimits(loop, scans, limits, best);
    SearchGrids(loop, scans, limits, best);
    SettleScans(loop, scans, limits, best);
    const ScanPlan& plan = best.plan;
    const OpSpans& spans = best.spans;
    const LawFit& law = best.law;
    if (!law.ok) {
        fit.not_identifiable = Refusal(loop, spans);
        return fit;
    }
    fit.action = law.law.kp > 0.0 ? 1 : -1;
    fit.kp = law.kp;
    fit.ti = law.ti;
    fit.td = law.td;
    // The derivative shows only when one scan acts per step: then the scan is the step.
    fit.scan_below_step =
        (plan.below_step && !(law.law.td > 0.0)) || plan.period < loop.step * (1.0 - 1e-3);
    fit.scan = Fitted{plan.period, plan.below_step ? kNaN : 0.5 * loop.step / loop.time.back()};
    fit.op_lo_reached = spans.lo_reached;
    fit.op_hi_reached = spans.hi_reached;
    if (spans.lo_reached) fit.op_lo = Fitted{spans.lo, 0.0};
    if (spans.hi_reached) fit.op_hi = Fitted{spans.hi, 0.0};
    fit.manual = spans.manual;
    ScorePid(loop, plan, spans, law.law, fit);
    return fit;
}
