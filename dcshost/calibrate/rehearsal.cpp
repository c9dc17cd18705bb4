// RehearsalFitPercent: the fitted controller and the fitted process run
// together over the held-out second half, as a rehearsal would run them,
// the operator's manual spans replayed from the recording; PV scored.
#include <algorithm>
#include <cmath>

#include "dcshost/calibrate/fit_internal.h"

using namespace calib;

namespace {

struct Block {
    double kp, ti, td, period, lo, hi;
    double integral = 0.0, pv_last = 0.0;
    // d_pv: the PV change the derivative of the scan that gave op acted
    // on; 0 for a scan that only took the operator's OP over.
    void TakeOver(double op, double e, double pv, double d_pv = 0.0)
    {
        integral = op - kp * e + (td > 0.0 ? kp * td / period * d_pv : 0.0);
        pv_last = pv;
    }
    double Scan(double e, double pv)
    {
        double p = kp * e - (td > 0.0 ? kp * td / period * (pv - pv_last) : 0.0);
        double step = ti > 0.0 ? kp * period / ti * e : 0.0;
        double next = integral + step + p;
        if (!((next > hi && step > 0.0) || (next < lo && step < 0.0))) integral += step;
        pv_last = pv;
        return std::min(std::max(integral + p, lo), hi);
    }
};

}  // namespace

double RehearsalFitPercent(const LoopData& loop, const PidFit& pid, const PlantFit& plant)
{
    const size_t n = loop.op.size(), k0 = n / 2;
    if (pid.not_identifiable || plant.not_identifiable || n < 8 || loop.pv.size() != n ||
        loop.sp.size() != n || !Finite(loop.pv[k0]) || !Finite(loop.op[k0]))
        return 0.0;
    // A mode set at step k is first seen by the scan read at k + 2: the
    // operator's reads run from there to the last before the takeover scan.
    std::vector<char> manual(n, 0);
    for (auto [a, b] : pid.manual)
        for (int k = std::max(a + 2, 0); k <= b + 2 && k < static_cast<int>(n); ++k) manual[k] = 1;
    const double inf = INFINITY;
    Block c{pid.kp.value,
            pid.ti.value,
            pid.td.value,
            pid.scan_below_step ? loop.step : std::max(pid.scan.value, loop.step),
            pid.op_lo_reached ? pid.op_lo.value : -inf,
            pid.op_hi_reached ? pid.op_hi.value : inf};
    std::vector<double> op(n), y(n, kNaN);
    double last = loop.op[k0];
    for (size_t k = 0; k <= k0; ++k) op[k] = last = Finite(loop.op[k]) ? loop.op[k] : last;
    y[k0] = loop.pv[k0];
    // The block as the scan that gave OP[k0] left it: that scan saw step
    // k0 - 1, the one before it a period earlier. Its derivative is part of
    // OP[k0], not of the integral: without an integral term nothing would
    // ever take the difference back.
    if (!Finite(loop.pv[k0 - 1]) || !Finite(loop.sp[k0 - 1])) return 0.0;
    const long before = static_cast<long>(k0) - 1 - std::max(1L, std::lround(c.period / loop.step));
    const double d_pv =
        before >= 0 && Finite(loop.pv[before]) ? loop.pv[k0 - 1] - loop.pv[before] : 0.0;
    c.TakeOver(op[k0], loop.sp[k0 - 1] - loop.pv[k0 - 1], loop.pv[k0 - 1], d_pv);
    const double a = plant.kind == PlantKind::FirstOrder && plant.tau.value > 0.0
                         ? 1.0 - std::exp(-loop.step / plant.tau.value)
                         : 0.0;
    bool takeover = false;  // the next scan only takes the operator's OP over
    for (size_t k = k0 + 1; k < n; ++k) {
        long at = static_cast<long>(k) - 1 - plant.dead_steps;
        double u = op[at < 0 ? 0 : at];
        y[k] = plant.kind == PlantKind::FirstOrder
                   ? y[k - 1] + a * (plant.bias.value + plant.gain.value * u - y[k - 1])
                   : y[k - 1] + loop.step * (plant.gain.value * u + plant.bias.value);
        double sp = Finite(loop.sp[k - 1]) ? loop.sp[k - 1] : loop.sp[k0];
        long scans = std::lround(std::floor(loop.time[k] / c.period) -
                                 std::floor(loop.time[k - 1] / c.period));
        if (manual[k] || !Finite(loop.op[k]) || !Finite(sp) || (takeover && scans > 0)) {
            op[k] = Finite(loop.op[k]) && (manual[k] || !takeover) ? loop.op[k] : op[k - 1];
            c.TakeOver(op[k], sp - y[k - 1], y[k - 1]);
            takeover = manual[k] != 0;
        } else {
            op[k] = scans > 0 ? c.Scan(sp - y[k - 1], y[k - 1]) : op[k - 1];
        }
    }
    std::vector<double> scored(n, kNaN);
    for (size_t k = k0 + 1; k < n; ++k) scored[k] = y[k];
    return FitPercent(loop.pv, scored);
}
