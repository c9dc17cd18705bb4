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
    ScanPlan plan = PlanScans(loop);
    OpSpans spans = FindLimits(loop, plan);
    FindManualSpans(loop, plan, spans);
    MarkTakeovers(spans, plan);
    Law base;
    base.period = plan.period;
    base.lo = spans.lo;
    base.hi = spans.hi;
    const int n = static_cast<int>(loop.op.size());
    std::vector<LawRow> rows = LawRows(loop, plan, spans, 1, n - 1);
    LawFit law = rows.size() >= kMinRows ? FitLaw(loop, plan, rows, base) : LawFit{};
    for (int round = 0; round < 3 && law.ok && !plan.below_step; ++round) {
        RefineScans(loop, spans, law.law, plan);
        rows = LawRows(loop, plan, spans, 1, n - 1);
        law = rows.size() >= kMinRows ? FitLaw(loop, plan, rows, base) : LawFit{};
    }
    if (law.ok && !law.outliers.empty()) {
        // Unexplained jumps followed by a hold: operator writes, set aside.
        size_t before = spans.manual.size();
        AddWrites(loop, law.outliers, spans);
        if (spans.manual.size() != before) {
            MarkTakeovers(spans, plan);
            rows = LawRows(loop, plan, spans, 1, n - 1);
            law = rows.size() >= kMinRows ? FitLaw(loop, plan, rows, base) : LawFit{};
        }
    }
    if (!law.ok) {
        fit.not_identifiable = Refusal(loop, spans);
        return fit;
    }
    fit.action = law.law.kp > 0.0 ? 1 : -1;
    fit.kp = law.kp;
    fit.ti = law.ti;
    fit.td = law.td;
    // The derivative shows only when one scan acts per step: then the scan is the step.
    fit.scan_below_step = plan.below_step && !(law.law.td > 0.0);
    fit.scan = Fitted{plan.period, plan.below_step ? kNaN : 0.5 * loop.step / loop.time.back()};
    fit.op_lo_reached = spans.lo_reached;
    fit.op_hi_reached = spans.hi_reached;
    if (spans.lo_reached) fit.op_lo = Fitted{spans.lo, 0.0};
    if (spans.hi_reached) fit.op_hi = Fitted{spans.hi, 0.0};
    fit.manual = spans.manual;
    ScorePid(loop, plan, spans, law.law, fit);
    return fit;
}
