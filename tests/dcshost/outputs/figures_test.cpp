// The per-loop figures of a run: the integral of the absolute error, the
// overshoot past the last setpoint change and the time to settle after it.
#include <cmath>

#include <gtest/gtest.h>

#include "dcshost/outputs/figures.h"

TEST(Figures, measure_a_step_response_from_the_last_setpoint_change)
{
    FigureTracker tracker;
    tracker.Setup(2, 2.0);
    // Loop 0: SP 50 -> 60 at 1 s; PV overshoots to 63, then settles at 3 s.
    // Loop 1: no PV row (NaN): nothing is measured.
    const double pv[] = {50, 50, 55, 63, 60.5, 60};
    const double sp[] = {50, 60, 60, 60, 60, 60};
    for (int k = 0; k < 6; ++k) tracker.Add(k * 1.0, 1.0, {{pv[k], sp[k], 0, 1}, {NAN, 5, 0, 1}});
    std::vector<LoopFigures> f = tracker.Figures();
    ASSERT_EQ(f.size(), 2u);
    EXPECT_DOUBLE_EQ(f[0].iae, 10 + 5 + 3 + 0.5 + 0);
    EXPECT_DOUBLE_EQ(f[0].overshoot_percent, 30.0);  // 3 past a step of 10
    EXPECT_DOUBLE_EQ(f[0].settling_time, 3.0);       // within 2 % of 60 from 4 s
    EXPECT_TRUE(std::isnan(f[1].overshoot_percent));
    EXPECT_TRUE(std::isnan(f[1].settling_time));

    // Outside the band at the end: not settled. No setpoint change: no overshoot.
    tracker.Setup(1, 2.0);
    tracker.Add(0.0, 1.0, {{50, 50, 0, 1}});
    tracker.Add(1.0, 1.0, {{45, 50, 0, 1}});
    f = tracker.Figures();
    EXPECT_TRUE(std::isnan(f[0].settling_time));
    EXPECT_TRUE(std::isnan(f[0].overshoot_percent));
    EXPECT_DOUBLE_EQ(f[0].iae, 5.0);
}
