// The grids the search hands to the full fit: the block's own among them,
// whatever its rate against the step and however late the reads.
#include <gtest/gtest.h>

#include <cmath>

#include "dcshost/calibrate/fit_internal.h"
#include "tests/dcshost/calibrate/loop_sim.h"

namespace {

using namespace calib;

TEST(SearchScans, hands_over_the_block_s_own_period)
{
    struct {
        double scan, phase, td;
        const char* what;
    } const cases[] = {
        {0.53, 0.11, 0.0, "twice a step, nearly"},
        {0.95, 0.40, 0.0, "just faster than the step"},
        {1.61, 0.64, 1.5, "own clock, derivative"},
        {1.94, 0.07, 0.0, "just short of two steps"},
        {2.10, 1.30, 0.0, "just over two steps"},
        {2.59, 1.69, 0.0, "between two and three steps"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SimLoop s;
        s.scan = c.scan, s.phase = c.phase, s.td = c.td, s.jitter = 0.05, s.noise = 0.03;
        s.kp = 0.7, s.ti = 8.0, s.steps = 1800, s.sp_every = 100;
        const LoopData d = RecordLoop(s);
        const std::vector<ScanPlan> found = SearchScans(d, PlanScans(d));
        ASSERT_FALSE(found.empty());
        double nearest = INFINITY;
        for (const ScanPlan& p : found)
            nearest = std::min(nearest, std::fabs(p.period - c.scan) / c.scan);
        EXPECT_LT(nearest, 1e-3) << "first handed over: " << found[0].period << " s";
    }
}

TEST(SearchScans, hands_over_nothing_for_a_recording_too_short_to_tell)
{
    SimLoop s;
    s.scan = 1.94, s.phase = 0.07, s.jitter = 0.05, s.steps = 20;
    const LoopData d = RecordLoop(s);
    EXPECT_TRUE(SearchScans(d, PlanScans(d)).empty());
}

}  // namespace
