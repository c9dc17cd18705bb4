// The block's law fitted to its reads. Between two reads the change of OP
// is linear in kp, kp scan / ti and kp td / scan (the velocity form), so a
// linear least-squares fit finds them without a start or local minima; a
// Levenberg-Marquardt polish on kp, ti, td themselves, through the clamped
// position form, then gives the settings and their covariance.
#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <unsupported/Eigen/LevenbergMarquardt>
#include <unsupported/Eigen/NumericalDiff>

#include "dcshost/calibrate/fit_internal.h"

namespace calib {
namespace {

struct Terms {
    const LoopData& loop;
    const ScanPlan& plan;
    int Saw(int j) const { return plan.scans[j].read - 1; }
    // The SP of the step the scan fell in: a scan read early, before the
    // step's PV was sent, already saw that step's SP.
    int SawSp(int j) const { return plan.scans[j].late - 1; }
    double E(int j) const { return loop.sp[SawSp(j)] - loop.pv[Saw(j)]; }
    // PV change the derivative of scan j acts on; none for a takeover.
    double Dpv(int j) const
    {
        if (j == 0 || plan.scans[j].takeover) return 0.0;
        return loop.pv[Saw(j)] - loop.pv[Saw(j - 1)];
    }
    bool Usable(int j) const
    {
        int s = Saw(j);
        return s >= 0 && Finite(loop.sp[SawSp(j)]) && Finite(loop.pv[s]) &&
               (j == 0 || Finite(loop.pv[Saw(j - 1)]));
    }
};

// Columns of the velocity form: kp, kp scan / ti and kp td / scan.
Eigen::Vector3d Velocity(const Terms& t, LawRow row)
{
    double sum = 0.0;
    for (int j = row.from + 1; j <= row.to; ++j) sum += t.E(j);
    return Eigen::Vector3d(t.E(row.to) - t.E(row.from), sum, -(t.Dpv(row.to) - t.Dpv(row.from)));
}

double Change(const LoopData& loop, const ScanPlan& plan, LawRow row)
{
    return loop.op[plan.scans[row.to].read] - loop.op[plan.scans[row.from].read];
}

struct Linear {
    Eigen::Vector3d theta = Eigen::Vector3d::Zero();
    Eigen::Vector3d se = Eigen::Vector3d::Zero();  // standard errors
    bool ok = false;
};

// Least squares over the rows and the columns in use.
Linear SolveVelocity(const Terms& t, const std::vector<LawRow>& rows, const bool use[3])
{
    std::vector<int> cols;
    for (int c = 0; c < 3; ++c)
        if (use[c]) cols.push_back(c);
    const int m = static_cast<int>(rows.size()), p = static_cast<int>(cols.size());
    Linear out;
    if (m < p + 3) return out;
    Eigen::MatrixXd x(m, p);
    Eigen::VectorXd y(m);
    for (int i = 0; i < m; ++i) {
        Eigen::Vector3d v = Velocity(t, rows[i]);
        for (int c = 0; c < p; ++c) x(i, c) = v[cols[c]];
        y[i] = Change(t.loop, t.plan, rows[i]);
    }
    Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(x);
    qr.setThreshold(1e-10);
    if (qr.rank() < p) return out;
    Eigen::VectorXd theta = qr.solve(y);
    double s2 = (x * theta - y).squaredNorm() / std::max(1, m - p);
    Eigen::MatrixXd cov = (x.transpose() * x).ldlt().solve(Eigen::MatrixXd::Identity(p, p)) * s2;
    for (int c = 0; c < p; ++c) {
        out.theta[cols[c]] = theta[c];
        out.se[cols[c]] = std::sqrt(std::max(0.0, cov(c, c)));
    }
    out.ok = out.theta.allFinite() && out.se.allFinite();
    return out;
}

std::vector<double> AbsResiduals(const Terms& t, const std::vector<LawRow>& rows,
                                 const Eigen::Vector3d& theta)
{
    std::vector<double> res(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        res[i] = std::fabs(Velocity(t, rows[i]).dot(theta) - Change(t.loop, t.plan, rows[i]));
    return res;
}

double Median(std::vector<double> v)
{
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// Rows whose residual is far beyond the rest: OP writes, misplaced scans.
std::vector<int> Outliers(const Terms& t, const std::vector<LawRow>& rows, const Linear& fit)
{
    const std::vector<double> res = AbsResiduals(t, rows, fit.theta);
    double limit = std::max(10.0 * 1.4826 * Median(res), 1e-4);
    std::vector<int> out;
    for (size_t i = 0; i < rows.size(); ++i)
        if (res[i] > limit) out.push_back(static_cast<int>(i));
    return out;
}

// A start the rows the velocity form cannot explain do not pull: a few
// scans with the integral held against a limit, at large errors, weigh
// enough to bend a least-squares fit on a short stretch so far that none
// stands out. Of the fit on all rows and the fits on each of a few
// stretches (of ten rows at least), the one with the smallest median
// residual over all rows.
Linear RobustStart(const Terms& t, const std::vector<LawRow>& rows, const bool use[3],
                   const Linear& all)
{
    constexpr size_t kStretches = 8;
    const size_t size = std::max<size_t>(rows.size() / kStretches, 10);
    if (rows.size() < 2 * size) return all;
    Eigen::MatrixXd x(rows.size(), 3);
    Eigen::VectorXd y(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        x.row(static_cast<Eigen::Index>(i)) = Velocity(t, rows[i]).transpose();
        y[static_cast<Eigen::Index>(i)] = Change(t.loop, t.plan, rows[i]);
    }
    auto median = [&x, &y](const Eigen::Vector3d& theta) {
        const Eigen::VectorXd res = (x * theta - y).cwiseAbs();
        return Median(std::vector<double>(res.data(), res.data() + res.size()));
    };
    Linear best = all;
    double best_median = all.ok ? median(all.theta) : INFINITY;
    for (size_t i = 0; (i + 1) * size <= rows.size(); ++i) {
        const std::vector<LawRow> part(rows.begin() + i * size, rows.begin() + (i + 1) * size);
        Linear lin = SolveVelocity(t, part, use);
        if (!lin.ok || lin.theta[0] == 0.0) continue;
        const double m = median(lin.theta);
        if (m < best_median) best = lin, best_median = m;
    }
    return best;
}

// kp, ti, td (those in use) to the residuals of the clamped position form.
struct Polish : Eigen::DenseFunctor<double> {
    const LoopData& loop;
    const ScanPlan& plan;
    const std::vector<LawRow>& rows;
    Law base;
    bool integral, derivative;
    Polish(const LoopData& l, const ScanPlan& p, const std::vector<LawRow>& r, Law b, bool i,
           bool d)
        : DenseFunctor<double>(1 + i + d, static_cast<int>(r.size())),
          loop(l),
          plan(p),
          rows(r),
          base(b),
          integral(i),
          derivative(d)
    {}
    Law At(const InputType& x) const
    {
        Law law = base;
        law.kp = x[0];
        law.ti = integral ? x[1] : 0.0;
        law.td = derivative ? x[1 + integral] : 0.0;
        return law;
    }
    int operator()(const InputType& x, ValueType& f) const
    {
        Law law = At(x);
        for (size_t i = 0; i < rows.size(); ++i)
            f[i] = PredictRead(loop, plan, law, rows[i]) - loop.op[plan.scans[rows[i].to].read];
        return 0;
    }
};

// The linear fit's settings polished through the clamped position form;
// their standard errors from the Jacobian there.
void PolishLaw(const LoopData& loop, const ScanPlan& plan, const std::vector<LawRow>& kept,
               const Law& base, const Linear& lin, const bool use[3], LawFit& out)
{
    const double kp = lin.theta[0], period = base.period;
    out.ti = out.td = Fitted{};
    Eigen::VectorXd x(1 + use[1] + use[2]);
    x[0] = kp;
    if (use[1]) x[1] = kp * period / lin.theta[1];
    if (use[2]) x[1 + use[1]] = lin.theta[2] * period / kp;
    Polish f(loop, plan, kept, base, use[1], use[2]);
    Eigen::NumericalDiff<Polish> diff(f);
    Eigen::LevenbergMarquardt<Eigen::NumericalDiff<Polish>> lm(diff);
    lm.setMaxfev(200);
    Eigen::VectorXd start = x;
    lm.minimize(x);
    if (!x.allFinite()) x = start;
    Eigen::MatrixXd jac(kept.size(), x.size());
    Eigen::VectorXd res(kept.size());
    diff.df(x, jac);
    f(x, res);
    const double s2 = res.squaredNorm() / std::max<double>(1.0, kept.size() - x.size());
    Eigen::MatrixXd cov =
        (jac.transpose() * jac).ldlt().solve(Eigen::MatrixXd::Identity(x.size(), x.size())) * s2;
    out.law = f.At(x);
    out.kp = Stated(x[0], std::sqrt(std::max(0.0, cov(0, 0))));
    if (use[1]) out.ti = Stated(x[1], std::sqrt(std::max(0.0, cov(1, 1))));
    if (use[2])
        out.td = Stated(x[x.size() - 1], std::sqrt(std::max(0.0, cov(x.size() - 1, x.size() - 1))));
    out.ok = Finite(out.law.kp) && Finite(out.law.ti) && Finite(out.law.td) && out.law.ti >= 0.0 &&
             out.law.td >= 0.0;
}

// The rows the clamped position form explains: the linear form cannot see
// an integral held against a limit, so rows it set aside are taken back and
// the settings polished again from where they are.
void Reweigh(const LoopData& loop, const ScanPlan& plan, const std::vector<LawRow>& rows,
             const Law& base, const bool use[3], LawFit& out)
{
    for (int pass = 0; pass < 6; ++pass) {
        std::vector<double> res(rows.size());
        for (size_t i = 0; i < rows.size(); ++i)
            res[i] = std::fabs(PredictRead(loop, plan, out.law, rows[i]) -
                               loop.op[plan.scans[rows[i].to].read]);
        std::vector<double> sorted = res;
        std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
        const double limit = std::max(10.0 * 1.4826 * sorted[sorted.size() / 2], 1e-4);
        std::vector<LawRow> kept;
        std::vector<int> outliers;
        for (size_t i = 0; i < rows.size(); ++i) {
            if (res[i] <= limit)
                kept.push_back(rows[i]);
            else
                outliers.push_back(plan.scans[rows[i].to].read);
        }
        // Most rows unexplained: a law that is not this block's.
        if (outliers == out.outliers || kept.size() * 2 < rows.size() || kept.size() < 10) return;
        LawFit next;
        next.outliers = outliers;
        Linear from;
        from.theta =
            Eigen::Vector3d(out.law.kp, use[1] ? out.law.kp * base.period / out.law.ti : 0.0,
                            use[2] ? out.law.kp * out.law.td / base.period : 0.0);
        PolishLaw(loop, plan, kept, base, from, use, next);
        if (!next.ok) return;
        out = next;
    }
}

// The rows whose OP stays clear of a reached limit: near one the block may
// hold its integral (the output it would give is beyond the limit) although
// the OP read is not at it, which the linear form cannot tell. All rows when
// too few are clear.
std::vector<LawRow> AwayFromLimits(const LoopData& loop, const ScanPlan& plan,
                                   const std::vector<LawRow>& rows, const Law& base)
{
    const bool lo = Finite(base.lo), hi = Finite(base.hi);
    if (!lo && !hi) return rows;
    double top = -INFINITY, bottom = INFINITY;
    for (double v : loop.op)
        if (Finite(v)) top = std::max(top, v), bottom = std::min(bottom, v);
    const double margin = 0.05 * (top - bottom);
    auto clear = [&](int read) {
        double op = loop.op[read];
        return !(lo && op < base.lo + margin) && !(hi && op > base.hi - margin);
    };
    std::vector<LawRow> out;
    for (const LawRow& row : rows)
        if (clear(plan.scans[row.from].read) && clear(plan.scans[row.to].read)) out.push_back(row);
    return out.size() * 2 >= rows.size() && out.size() >= 20 ? out : rows;
}
}  // namespace

std::vector<LawRow> LawRows(const LoopData& loop, const ScanPlan& plan, const OpSpans& spans,
                            int first_read, int last_read)
{
    Terms t{loop, plan};
    std::vector<LawRow> rows;
    first_read = std::max(first_read, 1);
    for (int r = first_read; r <= last_read; ++r) {
        int to = plan.last_scan[r], before = plan.last_scan[r - 1];
        if (to == before || before < 0) continue;
        int from = before;
        int from_read = plan.scans[from].read;
        if (spans.excluded[r] || spans.clamped[r] || spans.clamped[from_read]) continue;
        if (spans.excluded[from_read] && !plan.scans[from].takeover) continue;
        if (from == 0 && !plan.scans[from].takeover) continue;
        bool usable = Finite(loop.op[r]) && Finite(loop.op[from_read]);
        for (int j = from; j <= to && usable; ++j) usable = t.Usable(j);
        if (usable) rows.push_back(LawRow{from, to});
    }
    return rows;
}

double TakeOver(const LoopData& loop, const ScanPlan& plan, const Law& law, int j, double op)
{
    Terms t{loop, plan};
    const double d = law.td > 0.0 ? law.kp * law.td / law.period : 0.0;
    return op - law.kp * t.E(j) + d * t.Dpv(j);
}

double ScanOnce(const LoopData& loop, const ScanPlan& plan, const Law& law, int j, double& integral)
{
    Terms t{loop, plan};
    const double d = law.td > 0.0 ? law.kp * law.td / law.period : 0.0;
    double e = t.E(j);
    double p = law.kp * e - d * t.Dpv(j);
    double step = law.ti > 0.0 ? law.kp * law.period / law.ti * e : 0.0;
    double next = integral + step + p;
    bool winding = (next > law.hi && step > 0.0) || (next < law.lo && step < 0.0);
    if (!winding) integral += step;
    return std::min(std::max(integral + p, law.lo), law.hi);
}

bool ScanUsable(const LoopData& loop, const ScanPlan& plan, int j)
{
    return Terms{loop, plan}.Usable(j);
}

double PredictRead(const LoopData& loop, const ScanPlan& plan, const Law& law, LawRow row)
{
    double op = loop.op[plan.scans[row.from].read];
    double integral = TakeOver(loop, plan, law, row.from, op);
    for (int j = row.from + 1; j <= row.to; ++j) op = ScanOnce(loop, plan, law, j, integral);
    return op;
}

LawFit FitLaw(const LoopData& loop, const ScanPlan& plan, const std::vector<LawRow>& rows, Law base)
{
    Terms t{loop, plan};
    LawFit out;
    bool use[3] = {true, true, true};
    std::vector<LawRow> kept = AwayFromLimits(loop, plan, rows, base);
    Linear lin = SolveVelocity(t, kept, use);
    if (!lin.ok || lin.theta[0] == 0.0) {
        kept = rows;
        lin = SolveVelocity(t, kept, use);
    }
    lin = RobustStart(t, kept, use, lin);
    for (int pass = 0; pass < 2 && lin.ok; ++pass) {
        std::vector<int> bad = Outliers(t, kept, lin);
        if (bad.empty()) break;
        for (int i : bad) out.outliers.push_back(plan.scans[kept[i].to].read);
        for (size_t i = bad.size(); i-- > 0;) kept.erase(kept.begin() + bad[i]);
        lin = SolveVelocity(t, kept, use);
    }
    // The settings and their errors from every row kept, not a stretch.
    if (lin.ok) lin = SolveVelocity(t, kept, use);
    if (!lin.ok || lin.theta[0] == 0.0) return out;
    // A term is kept when it is clearly there and of the law's sign.
    use[1] = lin.theta[1] * lin.theta[0] > 0.0 && std::fabs(lin.theta[1]) > 4.0 * lin.se[1];
    use[2] = lin.theta[2] * lin.theta[0] > 0.0 && std::fabs(lin.theta[2]) > 4.0 * lin.se[2];
    if (!use[1] || !use[2]) lin = SolveVelocity(t, kept, use);
    if (!lin.ok || lin.theta[0] == 0.0) return out;
    PolishLaw(loop, plan, kept, base, lin, use, out);
    if (!out.ok && use[2]) {
        // The derivative the linear fit saw does not hold up: without it.
        use[2] = false;
        lin = SolveVelocity(t, kept, use);
        if (lin.ok && lin.theta[0] != 0.0) PolishLaw(loop, plan, kept, base, lin, use, out);
    }
    if (out.ok) Reweigh(loop, plan, rows, base, use, out);
    return out;
}

}  // namespace calib
