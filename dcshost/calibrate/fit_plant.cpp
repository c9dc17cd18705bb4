// FitPlant: the process around the loop as the plant block has it, first
// order with dead time or integrating, fitted from the recorded OP to the
// recorded PV. A linear fit of one step to the next (per dead time) starts
// a Levenberg-Marquardt fit of the PV run free, which noise does not bias.
#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <unsupported/Eigen/LevenbergMarquardt>
#include <unsupported/Eigen/NumericalDiff>

#include "dcshost/calibrate/fit_internal.h"

namespace calib {
namespace {

constexpr int kMaxDead = 30;  // steps of dead time tried
constexpr int kMinSteps = 60;

// The recorded OP with gaps filled by the value before.
std::vector<double> Inputs(const LoopData& loop)
{
    std::vector<double> u(loop.op.size(), 0.0);
    double last = 0.0;
    for (double v : loop.op)
        if (Finite(v)) {
            last = v;
            break;
        }
    for (size_t k = 0; k < u.size(); ++k) u[k] = last = Finite(loop.op[k]) ? loop.op[k] : last;
    return u;
}

// x = gain, ln tau (first order) or unused, bias, PV at step 0.
struct Model {
    PlantKind kind;
    int dead;
    double step;
    // PV at steps [0, count); pv[k] moves on the OP read dead + 1 steps before.
    void Run(const double* x, const std::vector<double>& u, size_t count,
             std::vector<double>& y) const
    {
        y.assign(count, x[3]);
        const bool integrating = kind == PlantKind::Integrating;
        const double alpha = integrating ? 0.0 : 1.0 - std::exp(-step / std::exp(x[1]));
        for (size_t k = 1; k < count; ++k) {
            long at = static_cast<long>(k) - 1 - dead;
            double in = u[at < 0 ? 0 : at];
            y[k] = integrating ? y[k - 1] + step * (x[0] * in + x[2])
                               : y[k - 1] + alpha * (x[2] + x[0] * in - y[k - 1]);
        }
    }
};

struct RunFit : Eigen::DenseFunctor<double> {
    const Model& model;
    const std::vector<double>& u;
    const std::vector<double>& pv;
    size_t last;  // steps [0, last) are fitted
    mutable std::vector<double> y;
    RunFit(const Model& m, const std::vector<double>& in, const std::vector<double>& out, size_t n)
        : DenseFunctor<double>(4, static_cast<int>(n)), model(m), u(in), pv(out), last(n)
    {}
    int operator()(const InputType& x, ValueType& f) const
    {
        model.Run(x.data(), u, last, y);
        for (size_t k = 0; k < last; ++k) f[k] = Finite(pv[k]) ? y[k] - pv[k] : 0.0;
        return 0;
    }
};

// One step to the next, linear: PV[k] = a PV[k-1] + b OP[k-1-dead] + c.
Eigen::Vector4d Start(const Model& m, const std::vector<double>& u, const std::vector<double>& pv,
                      size_t last, double* sse)
{
    Eigen::MatrixXd a(last, 3);
    Eigen::VectorXd b(last);
    Eigen::Index rows = 0;
    for (size_t k = 1; k < last; ++k) {
        long at = static_cast<long>(k) - 1 - m.dead;
        if (at < 0 || !Finite(pv[k]) || !Finite(pv[k - 1])) continue;
        a.row(rows) << (m.kind == PlantKind::Integrating ? 0.0 : pv[k - 1]), u[at], 1.0;
        b[rows++] = m.kind == PlantKind::Integrating ? pv[k] - pv[k - 1] : pv[k];
    }
    Eigen::Vector4d x(0.0, 0.0, 0.0, pv[0]);
    if (rows < 10) return x;
    Eigen::MatrixXd ar = a.topRows(rows);
    if (m.kind == PlantKind::Integrating) ar.col(0).setZero();
    Eigen::Vector3d t = ar.colPivHouseholderQr().solve(b.head(rows));
    *sse = (ar * t - b.head(rows)).squaredNorm();
    if (m.kind == PlantKind::Integrating)
        return Eigen::Vector4d(t[1] / m.step, 0.0, t[2] / m.step, pv[0]);
    double alpha = std::clamp(1.0 - t[0], 1e-4, 1.0);
    return Eigen::Vector4d(t[1] / alpha,
                           std::log(-m.step / std::log(1.0 - std::min(alpha, 0.9999))),
                           t[2] / alpha, pv[0]);
}

struct Candidate {
    Model model;
    Eigen::Vector4d x;
    Eigen::Vector4d se = Eigen::Vector4d::Constant(kNaN);
    double sse = INFINITY;
};

Candidate PolishPlant(Candidate c, const std::vector<double>& u, const std::vector<double>& pv,
                      size_t last, int evaluations)
{
    RunFit f(c.model, u, pv, last);
    Eigen::NumericalDiff<RunFit> diff(f);
    Eigen::LevenbergMarquardt<Eigen::NumericalDiff<RunFit>> lm(diff);
    lm.setMaxfev(evaluations);
    Eigen::VectorXd x = c.x;
    lm.minimize(x);
    if (!x.allFinite()) return c;
    Eigen::VectorXd res(last);
    Eigen::MatrixXd jac(last, 4);
    f(x, res);
    diff.df(x, jac);
    if (c.model.kind == PlantKind::Integrating) jac.col(1).setZero(), jac(0, 1) = 1.0;
    c.x = x;
    c.sse = res.squaredNorm();
    Eigen::MatrixXd cov = (jac.transpose() * jac).ldlt().solve(Eigen::MatrixXd::Identity(4, 4)) *
                          (c.sse / std::max<double>(1.0, static_cast<double>(last) - 4.0));
    for (int i = 0; i < 4; ++i) c.se[i] = std::sqrt(std::max(0.0, cov(i, i)));
    return c;
}

// The best dead time of one kind: each run free briefly, the best few to
// the end (a one-step fit ranks dead times wrongly under noise).
Candidate Best(PlantKind kind, const LoopData& loop, const std::vector<double>& u, size_t last)
{
    std::vector<Candidate> tried;
    const int most = std::min<int>(kMaxDead, static_cast<int>(last) / 4);
    for (int d = 0; d <= most; ++d) {
        Candidate c;
        c.model = Model{kind, d, loop.step};
        double sse = 0.0;
        c.x = Start(c.model, u, loop.pv, last, &sse);
        tried.push_back(PolishPlant(c, u, loop.pv, last, 40));
    }
    std::sort(tried.begin(), tried.end(),
              [](const Candidate& a, const Candidate& b) { return a.sse < b.sse; });
    Candidate best = tried.front();
    for (size_t i = 0; i < tried.size() && i < 2; ++i) {
        Candidate c = PolishPlant(tried[i], u, loop.pv, last, 400);
        if (c.sse <= best.sse) best = c;
    }
    return best;
}

// PV run free from the start with the fitted model, scored on the second half.
double HeldOut(const Candidate& c, const LoopData& loop, const std::vector<double>& u)
{
    std::vector<double> y;
    c.model.Run(c.x.data(), u, u.size(), y);
    std::vector<double> scored(y.size(), kNaN);
    for (size_t k = y.size() / 2; k < y.size(); ++k) scored[k] = y[k];
    return FitPercent(loop.pv, scored);
}

// A value the scenario can take: 0 where the fit gave none.
Fitted StatedPlant(double value, double se)
{
    Fitted f = Stated(value, se);
    if (!Finite(value)) f.value = 0.0;
    return f;
}

}  // namespace
}  // namespace calib

using namespace calib;

PlantFit FitPlant(const LoopData& loop, const PidFit& pid)
{
    (void)pid;
    PlantFit fit;
    const size_t n = loop.op.size();
    if (n < kMinSteps || loop.pv.size() != n || !(loop.step > 0.0) || !Finite(loop.pv[0])) {
        fit.not_identifiable = n < kMinSteps ? kTooShort : kPvConstant;
        return fit;
    }
    double lo = INFINITY, hi = -INFINITY, plo = INFINITY, phi = -INFINITY;
    for (size_t k = 0; k < n; ++k) {
        if (Finite(loop.op[k])) lo = std::min(lo, loop.op[k]), hi = std::max(hi, loop.op[k]);
        if (Finite(loop.pv[k])) plo = std::min(plo, loop.pv[k]), phi = std::max(phi, loop.pv[k]);
    }
    if (!(phi > plo)) {
        fit.not_identifiable = kPvConstant;
        return fit;
    }
    if (!(hi > lo)) {
        fit.not_identifiable = kNeverExcited;
        return fit;
    }
    std::vector<double> u = Inputs(loop);
    Candidate first = Best(PlantKind::FirstOrder, loop, u, n / 2);
    Candidate integ = Best(PlantKind::Integrating, loop, u, n / 2);
    double first_fit = HeldOut(first, loop, u), integ_fit = HeldOut(integ, loop, u);
    const Candidate& c = first_fit >= integ_fit ? first : integ;
    fit.kind = c.model.kind;
    fit.fit_percent = std::max(first_fit, integ_fit);
    fit.other_fit_percent = std::min(first_fit, integ_fit);
    fit.dead_steps = c.model.dead;
    fit.gain = StatedPlant(c.x[0], c.se[0]);
    fit.bias = StatedPlant(c.x[2], c.se[2]);
    if (fit.kind == PlantKind::FirstOrder) fit.tau = Fitted{std::exp(c.x[1]), c.se[1]};
    if (!Finite(fit.tau.value) || !Finite(fit.tau.rel_error)) fit.tau.rel_error = kNaN;
    if (!Finite(fit.tau.value)) fit.tau.value = 0.0;
    return fit;
}
