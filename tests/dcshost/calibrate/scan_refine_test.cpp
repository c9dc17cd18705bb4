// The grid a search hands over, a few hundredths of a step off at one end or
// both, settled on the law the block was fitted with.
#include <gtest/gtest.h>

#include "dcshost/calibrate/fit_internal.h"
#include "tests/dcshost/calibrate/loop_sim.h"

namespace {

using namespace calib;

// The grid with its first scan moved by `first` steps and its last by `last`.
ScanPlan Shifted(const LoopData& d, const ScanPlan& p, double first, double last)
{
    const double a0 = p.phase + std::ceil((d.time.front() - p.phase) / p.period) * p.period;
    const double periods = std::floor((d.time.back() - a0) / p.period);
    const double b0 = a0 + first * d.step, b1 = a0 + periods * p.period + last * d.step;
    const double period = (b1 - b0) / periods;
    double phase = std::fmod(b0, period);
    return GridPlan(d, period, phase < 0.0 ? phase + period : phase);
}

TEST(SettleGrid, moves_a_grid_off_at_its_ends_back_to_where_the_law_misses_no_more)
{
    struct {
        double scan, phase, first, last;  // the block; the grid's ends off by so many steps
    } const cases[] = {
        {1.94, 0.07, 0.15, 0.0}, {1.94, 0.07, 0.0, -0.15}, {2.26, 0.70, -0.2, 0.0},
        {1.61, 0.64, 0.0, 0.2},  {2.59, 1.69, 0.15, 0.0},  {2.59, 1.69, 0.0, -0.1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "scan " << c.scan << ", ends off " << c.first << ", " << c.last);
        SimLoop s;
        s.scan = c.scan, s.phase = c.phase, s.jitter = 0.05, s.kp = 0.7, s.ti = 8.0;
        s.steps = 1800, s.sp_every = 100;
        const LoopData d = RecordLoop(s);
        const PidFit fit = FitPid(d);
        ASSERT_EQ(fit.not_identifiable, nullptr);
        // The grid the search found, settled on the law fitted.
        const std::vector<ScanPlan> found = SearchScans(d, PlanScans(d));
        ASSERT_FALSE(found.empty());
        const Law law{fit.kp.value, fit.ti.value, fit.td.value, found[0].period};
        const OpSpans spans = FindLimits(d, found[0]);
        const ScanPlan own = SettleGrid(d, spans, law, found[0]);
        const double missed = MissedShare(d, own, spans, law);
        const ScanPlan off = Shifted(d, own, c.first, c.last);
        ASSERT_GT(MissedShare(d, off, spans, law), missed) << "the shifted grid misses no more";
        const ScanPlan settled = SettleGrid(d, spans, law, off);
        EXPECT_LE(MissedShare(d, settled, spans, law), missed);
        EXPECT_NEAR(settled.period, own.period, 1e-4 * c.scan);
    }
}

}  // namespace
