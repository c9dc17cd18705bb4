// How well the fitted law answers: on the held-out second half, run free
// and one step at a time, and over the whole recording run free between
// the moments an operator acts.
#include <algorithm>
#include <cmath>

#include "dcshost/calibrate/fit_internal.h"

namespace calib {

double FitPercent(const std::vector<double>& y, const std::vector<double>& fit)
{
    double sum = 0.0;
    long n = 0;
    for (size_t i = 0; i < y.size(); ++i) {
        if (!Finite(y[i]) || !Finite(fit[i])) continue;
        sum += y[i];
        ++n;
    }
    if (n == 0) return 0.0;
    const double mean = sum / static_cast<double>(n);
    double err = 0.0, spread = 0.0;
    for (size_t i = 0; i < y.size(); ++i) {
        if (!Finite(y[i]) || !Finite(fit[i])) continue;
        err += (y[i] - fit[i]) * (y[i] - fit[i]);
        spread += (y[i] - mean) * (y[i] - mean);
    }
    if (!(spread > 0.0)) return err == 0.0 ? 100.0 : 0.0;
    double percent = 100.0 * (1.0 - std::sqrt(err / spread));
    return Finite(percent) ? std::max(percent, -1000.0) : 0.0;
}

std::vector<double> RunFree(const LoopData& loop, const ScanPlan& plan, const OpSpans& spans,
                            const Law& law, const std::vector<char>& resync, int first, int last)
{
    std::vector<double> out(loop.op.size(), kNaN);
    bool running = false;
    double integral = 0.0, op = 0.0;
    for (int r = std::max(first, 1); r <= last; ++r) {
        int to = plan.last_scan[r];
        if (spans.excluded[r] || to < 0) {
            running = false;
            continue;
        }
        if (!running || resync[r]) {
            // Not from a limit: the integral behind a clamped OP is unknown.
            running = ScanUsable(loop, plan, to) && !spans.clamped[r];
            op = loop.op[r];
            if (running) integral = TakeOver(loop, plan, law, to, op);
            continue;
        }
        for (int j = plan.last_scan[r - 1] + 1; j <= to && running; ++j) {
            running = ScanUsable(loop, plan, j);
            if (running) op = ScanOnce(loop, plan, law, j, integral);
        }
        if (running) out[r] = op;
    }
    return out;
}

void ScorePid(const LoopData& loop, const ScanPlan& plan, const OpSpans& spans, const Law& law,
              PidFit& fit)
{
    const int n = static_cast<int>(loop.op.size()), half = n / 2;
    LawFit first = FitLaw(loop, plan, LawRows(loop, plan, spans, 1, half - 1), law);
    const Law& held_out = first.ok ? first.law : law;
    std::vector<char> none(n, 0);
    fit.fit_percent = FitPercent(loop.op, RunFree(loop, plan, spans, held_out, none, half, n - 1));
    std::vector<double> one(n, kNaN);
    for (const LawRow& row : LawRows(loop, plan, spans, half, n - 1))
        one[plan.scans[row.to].read] = PredictRead(loop, plan, held_out, row);
    fit.one_step_percent = FitPercent(loop.op, one);
    // Started again wherever the SP moves (an operator's act the law only
    // follows): from the last read before the move, whose scans all saw the
    // SP before it. A scan read after it may have fallen before or after the
    // move, which only the law's run through it tells.
    std::vector<char> moves(n, 0);
    for (int k = 1; k < n; ++k) moves[k - 1] = loop.sp[k] != loop.sp[k - 1];
    std::vector<double> free = RunFree(loop, plan, spans, law, moves, 1, n - 1);
    double sum = 0.0;
    long count = 0;
    for (int k = 0; k < n; ++k) {
        if (!Finite(free[k]) || !Finite(loop.op[k])) continue;
        sum += (free[k] - loop.op[k]) * (free[k] - loop.op[k]);
        ++count;
    }
    // OP is in % of its span already.
    fit.free_run_rms = count > 0 ? std::sqrt(sum / static_cast<double>(count)) : 0.0;
    if (!Finite(fit.free_run_rms)) fit.free_run_rms = 0.0;
}

}  // namespace calib
