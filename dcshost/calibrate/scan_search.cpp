// A block on its own clock, placed by its law. Between two reads the block
// scanned a whole number of times, all on the PV sent at the first and the
// SP then in force: the integral acts once per scan, the derivative only on
// the first. The grid (period, and a scan's time) fixes those counts, and
// the law's velocity form, fitted by least squares, is near exact only on
// the right one. The search starts on a short stretch, where a coarse
// period keeps the scans in place, and keeps the best grids while the
// stretch doubles and the period narrows.
#include <Eigen/Dense>
#include <algorithm>
#include <array>
#include <cmath>

#include "dcshost/calibrate/fit_internal.h"

namespace calib {
namespace {

// How far, in steps, a scan may drift from its place across half the stretch.
constexpr double kDrift = 0.02;
// Grids kept from one stretch to the next: on a short stretch many explain
// the reads as well as the right one (its scans near a step are not sure),
// and all of those are kept, up to the most.
constexpr size_t kBeam = 64;
constexpr size_t kMostKept = 512;
constexpr size_t kLeastKept = 16;
// Periods handed back to be fitted in full, best first.
constexpr size_t kTried = 3;
// A score (% of OP) no better than the reads' own rounding.
constexpr double kFloor = 1e-5;
// Refits at most, each without the rows found held.
constexpr int kHoldPasses = 4;
// The shortest stretch, in reads; fewer rows fit any grid.
constexpr int kFirstStretch = 40;
// Share of the OP's range next to its extremes left out.
constexpr double kNearLimit = 0.05;
// The last settling: kSettle steps, so many each way at either end, and the
// misses more than the fewest still taken as as good.
constexpr double kSettle = 0.01;
constexpr int kSettleReach = 8;
constexpr int kSettleMisses = 2;
// How near a whole or half number of scans per step a grid's mirror is tried.
constexpr double kMirrorWithin = 0.12;
// The fastest block searched for, in scans per step.
constexpr double kMostPerStep = 3.0;

// Scans at `at` + n period.
struct Grid {
    double period = 0.0, at = 0.0;
    double score = INFINITY;
    int misses = 0;  // rows the law misses by more than kExact
    int rows = 0;    // rows scored: the reads not set aside as not sure
};

struct Stretch {
    int first = 0, last = 0;
};

class Scorer {
public:
    // longest: the most reads a hold of OP between two scans may last;
    // longer holds are an operator's.
    Scorer(const LoopData& loop, int longest) : loop_(loop), out_(loop.op.size(), 0)
    {
        // Near the OP's extremes the block may have held its integral
        // against a limit, its OP at it or not: those reads are left out.
        double& lo = lowest_;
        double& hi = highest_;
        for (double v : loop.op)
            if (Finite(v)) lo = std::min(lo, v), hi = std::max(hi, v);
        const double margin = kNearLimit * (hi - lo);
        const int n = static_cast<int>(loop.op.size());
        for (int k = 0; k < n; ++k)
            out_[k] = !(loop.op[k] > lo + margin && loop.op[k] < hi - margin);
        for (int k = 0; k < n;) {
            int end = k + 1;
            while (end < n && loop.op[end] == loop.op[k]) ++end;
            if (end - k > longest)
                for (int i = k; i < end; ++i) out_[i] = 1;
            k = end;
        }
    }

    // Whether read i is one the law may answer.
    bool Usable(int i) const
    {
        return i >= 1 && !out_[i] && Finite(loop_.sp[i - 1]) && Finite(loop_.pv[i - 1]);
    }

    // The grid's score: RMS, in % of OP, of the rows the law explains best
    // (infinite when too few rows are left to tell), and its misses.
    void Score(Grid& g, Stretch s) const
    {
        rows_.clear();
        // The last scan's read, its error and PV change; whether it and
        // every read since are the law's.
        int p = -1;
        double ep = 0.0, dp = kNaN;
        bool from_ok = false, p_sure = false;
        const double start = loop_.time[std::max(s.first - 1, 0)];
        double below = Below(g, start);
        // A scan fell just after the step before.
        bool edge = g.at + (below + 1.0) * g.period - start <= kLateRead * loop_.step;
        for (int i = std::max(s.first, 1); i <= s.last; ++i) {
            const double now = Below(g, loop_.time[i]);
            const int count = static_cast<int>(now - below);
            below = now;
            // A scan so soon after a step that a late read may already have
            // shown it: this read's count and the one before are not sure.
            const bool next_edge =
                g.at + (now + 1.0) * g.period - loop_.time[i] <= kLateRead * loop_.step;
            const bool sure = !edge && !next_edge;
            edge = next_edge;
            const bool ok = sure && Usable(i);
            if (count == 0) {
                // No scan: the OP must hold.
                if (ok && Usable(i - 1)) Add(0.0, 0.0, 0.0, loop_.op[i] - loop_.op[i - 1], i);
                from_ok = from_ok && ok;
                continue;
            }
            const double e = loop_.sp[i - 1] - loop_.pv[i - 1];
            // The derivative of the last scan: none when an earlier one in
            // the same interval saw the same PV.
            double d = 0.0;
            if (count == 1) d = p >= 1 && p_sure && sure ? loop_.pv[i - 1] - loop_.pv[p - 1] : kNaN;
            if (from_ok && ok && Finite(d) && Finite(dp))
                Add(e - ep, count * e, -(d - dp), loop_.op[i] - loop_.op[p], i);
            p = i, ep = e, dp = d;
            from_ok = ok, p_sure = sure;
        }
        g.score = Misfit(g.misses, g.rows);
    }

private:
    // Scans due by time t, less a constant.
    static double Below(const Grid& g, double t) { return std::floor((t - g.at) / g.period); }

    void Add(double a, double b, double c, double y, int read) const
    {
        rows_.push_back({a, b, c, y, loop_.op[read]});
    }

    // The velocity form fitted by least squares to the rows not held.
    Eigen::Vector3d Solve() const
    {
        Eigen::Matrix3d xx = Eigen::Matrix3d::Zero();
        Eigen::Vector3d xy = Eigen::Vector3d::Zero();
        for (size_t i = 0; i < rows_.size(); ++i) {
            if (held_[i]) continue;
            const Eigen::Vector3d x(rows_[i][0], rows_[i][1], rows_[i][2]);
            xx.noalias() += x * x.transpose();
            xy += x * rows_[i][3];
        }
        Eigen::ColPivHouseholderQR<Eigen::Matrix3d> qr(xx);
        qr.setThreshold(1e-12);
        return qr.solve(xy);
    }

    // Rows whose integral step the block may have held: with it, the output
    // would have passed the OP's highest (lowest) read, and a limit lies
    // there or beyond, while the OP read stays short of it by the step (at
    // a large error more than the reads left out near the extremes); and
    // the rows after one, while the error pushes on the same way. A few
    // such rows, at errors far beyond the rest, bend the fit until hundreds
    // miss: fitted again without them (the bent fit shows their steps
    // smaller, so until no more are found), and scored as any other.
    // True when more were found.
    bool Hold(const Eigen::Vector3d& theta) const
    {
        bool more = false;
        double pushed = 0.0;  // the step of the row before, when held
        for (size_t i = 0; i < rows_.size(); ++i) {
            const double step = theta[1] * rows_[i][1];
            if (step == 0.0) continue;
            const double past = rows_[i][4] + step;
            const bool held = held_[i] || past > highest_ || past < lowest_ || step * pushed > 0.0;
            more = more || (held && !held_[i]);
            held_[i] = held;
            pushed = held ? step : 0.0;
        }
        return more;
    }

    double Misfit(int& misses, int& scored) const
    {
        held_.assign(rows_.size(), 0);
        Eigen::Vector3d theta = Solve();
        for (int pass = 0; pass < kHoldPasses && Hold(theta); ++pass) theta = Solve();
        std::vector<double>& r = squares_;
        r.clear();
        for (size_t i = 0; i < rows_.size(); ++i) {
            const double d = rows_[i][0] * theta[0] + rows_[i][1] * theta[1] +
                             rows_[i][2] * theta[2] - rows_[i][3];
            r.push_back(d * d);
        }
        const int m = static_cast<int>(r.size());
        scored = m;
        if (m < kFirstStretch / 4) return INFINITY;
        misses = static_cast<int>(
            std::count_if(r.begin(), r.end(), [](double q) { return q > kExact * kExact; }));
        // A row in fifty may still be an operator's write not found.
        const int kept = m - m / 50;
        std::nth_element(r.begin(), r.begin() + kept - 1, r.end());
        double sum = 0.0;
        for (int i = 0; i < kept; ++i) sum += r[i];
        const double rms = std::sqrt(sum / kept);
        return Finite(rms) ? rms : INFINITY;
    }

    const LoopData& loop_;
    std::vector<char> out_;                           // reads left out
    double lowest_ = INFINITY, highest_ = -INFINITY;  // the OP's extreme reads
    // Per row: its columns, the change of OP, the OP read.
    mutable std::vector<std::array<double, 5>> rows_;
    mutable std::vector<char> held_;
    mutable std::vector<double> squares_;
};

// Reads centred on `centre`, `width` of them, inside the recording.
Stretch Around(int centre, int width, int n)
{
    Stretch s{centre - width / 2, centre + width / 2};
    if (s.first < 1) s.last += 1 - s.first, s.first = 1;
    if (s.last > n - 1) s.first -= s.last - (n - 1), s.last = n - 1;
    s.first = std::max(s.first, 1);
    return s;
}

// How many rows a grid scores, in steps of kLateRead. A grid scanning once
// more per step than the block sets aside kLateRead more of the reads as not
// sure, and where the block's integral acts little (small errors, long ti)
// its counts, all one more, explain the rest as well as the block's own
// with the integral scaled: only the reads it set aside tell. Grids that
// differ only in where those reads fall tie.
int Evidence(const Grid& g)
{
    return g.rows > 0 ? static_cast<int>(std::floor(std::log(g.rows) / std::log1p(kLateRead))) : 0;
}

// The grids to take on: every one the reads cannot tell from the best
// (all at the floor), else the best few. Scores below the floor are equal,
// then fewer misses first, then more rows scored.
std::vector<Grid> Best(std::vector<Grid> all, size_t least, size_t most)
{
    all.erase(
        std::remove_if(all.begin(), all.end(), [](const Grid& g) { return !Finite(g.score); }),
        all.end());
    for (Grid& g : all) g.score = std::max(g.score, kFloor);
    std::stable_sort(all.begin(), all.end(), [](const Grid& a, const Grid& b) {
        if (a.score != b.score) return a.score < b.score;
        if (a.misses != b.misses) return a.misses < b.misses;
        return Evidence(a) > Evidence(b);
    });
    size_t keep = least;
    while (keep < all.size() && keep < most && all[keep].score <= kFloor) ++keep;
    if (all.size() > keep) all.resize(keep);
    return all;
}

// Every period from lo to hi, every scan time, on the first stretch.
std::vector<Grid> Survey(const Scorer& scorer, const LoopData& loop, double lo, double hi,
                         double centre, Stretch s)
{
    std::vector<Grid> all;
    const double half = 0.5 * (s.last - s.first) * loop.step;
    for (double period = lo; period <= hi;) {
        // Scan times as far apart as the drift allowed each way: one of them
        // falls between the block's own and a little after, where the
        // reads taken as not sure hide the difference.
        const double offsets = std::ceil(period / (2.0 * kDrift * loop.step));
        for (double k = 0; k < offsets; ++k) {
            Grid g{period, centre + period * k / offsets};
            scorer.Score(g, s);
            all.push_back(g);
        }
        period += kDrift * loop.step * period / half;
    }
    return Best(std::move(all), kBeam, kMostKept);
}

// Each kept grid and its neighbours on a longer stretch, on a lattice (the
// log of the period, the scan time) so that neighbours shared are scored once.
std::vector<Grid> Narrow(const Scorer& scorer, const LoopData& loop, const std::vector<Grid>& from,
                         double centre, Stretch s, double fine = 1.0)
{
    const double half = 0.5 * (s.last - s.first) * loop.step;
    const double dlog = fine * kDrift * loop.step / half, dt = fine * 0.5 * kDrift * loop.step;
    std::vector<std::pair<long long, long long>> keys;
    for (const Grid& g : from) {
        // The scan nearest the centre stands for the grid.
        const double at = g.at - g.period * std::round((g.at - centre) / g.period);
        const long long p = std::llround(std::log(g.period) / dlog),
                        t = std::llround((at - centre) / dt);
        for (int i = -3; i <= 3; ++i)
            for (int k = -2; k <= 2; ++k) keys.emplace_back(p + i, t + k);
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    std::vector<Grid> all;
    for (const auto& [p, t] : keys) {
        Grid g{std::exp(static_cast<double>(p) * dlog), centre + static_cast<double>(t) * dt};
        scorer.Score(g, s);
        all.push_back(g);
    }
    // Fewer kept as the stretch grows: ties thin out, and each costs more.
    const size_t width = static_cast<size_t>(s.last - s.first + 1);
    const size_t budget = kMostKept * kFirstStretch / width;
    return Best(std::move(all), std::clamp(budget, kLeastKept, kBeam), budget);
}

// Where the search starts: the first SP move followed by a stretch the law
// answers (not manual, not at a limit), else the stretch with most such reads.
int Centre(const LoopData& loop, const Scorer& scorer)
{
    const int n = static_cast<int>(loop.op.size());
    std::vector<int> usable(n + 1, 0);  // usable reads before k
    for (int k = 1; k < n; ++k) usable[k + 1] = usable[k] + scorer.Usable(k);
    int best = n / 2, most = -1;
    for (int k = 1; k + kFirstStretch < n; ++k) {
        const int here = usable[k + kFirstStretch] - usable[k];
        const bool moved =
            Finite(loop.sp[k]) && Finite(loop.sp[k - 1]) && loop.sp[k] != loop.sp[k - 1];
        if (moved && here * 10 >= kFirstStretch * 9) return k + kFirstStretch / 2;
        if (here > most) most = here, best = k + kFirstStretch / 2;
    }
    return best;
}

// The grid's last few hundredths of a step, settled on the whole recording.
// Grids up to a late read's margin later than the block's own explain as
// many reads (their misses fall among the reads not sure), earlier ones do
// not: of the grids that miss fewest, the earliest at each end of the
// recording in turn, which fixes the period as well as the phase.
Grid Settle(const Scorer& scorer, const LoopData& loop, const Grid& from, Stretch s)
{
    const double ta = loop.time[s.first], tb = loop.time[s.last];
    double a0 = from.at + from.period * std::round((ta - from.at) / from.period);
    const double periods = std::round((tb - a0) / from.period);
    if (periods < 1.0) return from;
    double a1 = a0 + periods * from.period;
    Grid best = from;
    scorer.Score(best, s);
    for (int end = 0; end < 2; ++end) {
        std::vector<Grid> all;
        for (int i = -kSettleReach; i <= kSettleReach; ++i) {
            const double d = i * kSettle * loop.step;
            const double b0 = end == 0 ? a0 + d : a0, b1 = end == 0 ? a1 : a1 + d;
            Grid g{(b1 - b0) / periods, b0};
            scorer.Score(g, s);
            all.push_back(g);
        }
        int fewest = best.misses;
        double least = best.score;
        for (const Grid& g : all) fewest = std::min(fewest, g.misses);
        for (const Grid& g : all)
            if (g.misses <= fewest + kSettleMisses) least = std::min(least, g.score);
        const double good = std::max(2.0 * least, kFloor);
        // Earliest first: the first as good is the one.
        for (const Grid& g : all)
            if (Finite(g.score) && g.misses <= fewest + kSettleMisses && g.score <= good) {
                best = g;
                a0 = g.at, a1 = g.at + periods * g.period;
                break;
            }
    }
    return best;
}

// The grid mirrored about the nearest whole or half number of scans per
// step (2.1 s about 2, 0.95 s about 1): its scans fall on the steps' other
// side only where the reads are not sure, so the reads searched cannot tell
// the two apart, and the full fit must. None when not near such a rate.
bool Mirror(const Scorer& scorer, const LoopData& loop, const Grid& from, Stretch s, Grid& out)
{
    const double rate = loop.step / from.period, near = 0.5 * std::round(2.0 * rate);
    if (!(near > 0.0) || std::fabs(rate - near) > kMirrorWithin * near ||
        std::fabs(rate - near) < 1e-3 * near)
        return false;
    const double period = loop.step / (2.0 * near - rate);
    const double t0 = loop.time[s.first];
    const double offsets = std::ceil(period / (kDrift * loop.step));
    out = Grid{};
    for (double k = 0; k < offsets; ++k) {
        Grid g{period, t0 + period * k / offsets};
        scorer.Score(g, s);
        if (g.misses < out.misses || (g.misses == out.misses && g.score < out.score) ||
            !Finite(out.score))
            out = g;
    }
    if (!Finite(out.score)) return false;
    out = Settle(scorer, loop, out, s);
    return true;
}

}  // namespace

double MissedShare(const LoopData& loop, const ScanPlan& plan, const OpSpans& spans, const Law& law)
{
    const int n = static_cast<int>(loop.op.size());
    long rows = 0, missed = 0;
    for (const LawRow& row : LawRows(loop, plan, spans, 1, n - 1)) {
        const double d = PredictRead(loop, plan, law, row) - loop.op[plan.scans[row.to].read];
        ++rows;
        missed += !(std::fabs(d) <= kExact);
    }
    return rows > 0 ? static_cast<double>(missed) / static_cast<double>(rows) : 1.0;
}

std::vector<ScanPlan> SearchScans(const LoopData& loop, const ScanPlan& from)
{
    const int n = static_cast<int>(loop.op.size());
    if (n < 2 * kFirstStretch) return {};
    // Faster than the step when every step showed a scan (down to a few
    // scans per step), else slower (up to a few steps per scan, and around
    // the period the changes of OP gave).
    const double lo = from.below_step ? loop.step / kMostPerStep : 0.95 * loop.step;
    const double hi =
        from.below_step ? 1.05 * loop.step : 1.05 * std::max(from.period, kMostPerStep * loop.step);
    const Scorer scorer(loop, static_cast<int>(std::ceil(hi / loop.step)) + 1);
    const int centre = Centre(loop, scorer);
    const double t0 = loop.time[centre];
    int width = kFirstStretch;
    Stretch s = Around(centre, width, n);
    std::vector<Grid> beam = Survey(scorer, loop, lo, hi, t0, s);
    while (!beam.empty() && (s.first > 1 || s.last < n - 1)) {
        width *= 2;
        s = Around(centre, width, n);
        beam = Narrow(scorer, loop, beam, t0, s);
    }
    // Finer on the whole recording.
    for (double fine = 1.0; fine > 0.1 && !beam.empty(); fine *= 0.5)
        beam = Narrow(scorer, loop, beam, t0, s, fine);
    // Per period, best first, the earliest of its grids as good as its best:
    // a grid a little later than the block's own hides its misses among the
    // reads it takes as not sure, an earlier one cannot.
    auto shift = [t0](const Grid& g) {
        return g.at - g.period * std::round((g.at - t0) / g.period) - t0;
    };
    const double near = 8.0 * kDrift * loop.step / (0.5 * (s.last - s.first) * loop.step);
    std::vector<Grid> chosen;
    for (const Grid& g : beam) {
        auto same = std::find_if(chosen.begin(), chosen.end(), [&](const Grid& c) {
            return std::fabs(std::log(c.period / g.period)) < near;
        });
        if (same == chosen.end()) {
            if (chosen.size() < kTried) chosen.push_back(g);
        } else if (g.score <= same->score && g.misses <= same->misses && shift(g) < shift(*same)) {
            *same = g;
        }
    }
    std::vector<ScanPlan> plans;
    for (Grid& g : chosen) g = Settle(scorer, loop, g, s);
    for (size_t i = 0, tried = chosen.size(); i < tried; ++i) {
        Grid m;
        if (Mirror(scorer, loop, chosen[i], s, m)) chosen.push_back(m);
    }
    for (const Grid& g : chosen) {
        double phase = std::fmod(g.at, g.period);
        if (phase < 0.0) phase += g.period;
        plans.push_back(GridPlan(loop, g.period, phase));
    }
    return plans;
}

}  // namespace calib
