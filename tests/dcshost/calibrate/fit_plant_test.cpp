// FitPlant against the plant the simulated loop ran on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/dcshost/calibrate/loop_sim.h"

namespace {

TEST(FitPlant, finds_gain_tau_and_dead_time)
{
    struct {
        double noise, gain, tau;
        int dead;
        double tolerance;
    } cases[] = {{0.0, 0.8, 15.0, 0, 0.01},
                 {0.0, -1.2, 40.0, 3, 0.01},
                 {0.0, 0.5, 8.0, 7, 0.01},
                 {0.3, 0.8, 15.0, 2, 0.05},
                 {0.5, 1.5, 30.0, 5, 0.05}};
    for (const auto& c : cases) {
        SimLoop s;
        s.noise = c.noise, s.gain = c.gain, s.tau = c.tau, s.dead = c.dead;
        s.kp = c.gain < 0 ? -0.5 : 0.5;
        s.steps = 2400;
        SCOPED_TRACE(testing::Message() << c.gain << " " << c.tau << " " << c.dead);
        LoopData d = RecordLoop(s);
        PidFit pid = FitPid(d);
        PlantFit fit = FitPlant(d, pid);
        ASSERT_EQ(fit.not_identifiable, nullptr);
        EXPECT_GE(RehearsalFitPercent(d, pid, fit), 85.0);
        EXPECT_EQ(fit.kind, PlantKind::FirstOrder);
        EXPECT_LT(std::fabs(fit.gain.value / c.gain - 1), c.tolerance);
        EXPECT_LT(std::fabs(fit.tau.value / c.tau - 1), c.tolerance);
        EXPECT_LE(std::abs(fit.dead_steps - c.dead), c.noise > 0 ? 1 : 0);
        EXPECT_GT(fit.fit_percent, fit.other_fit_percent);
        EXPECT_TRUE(std::isfinite(fit.gain.rel_error) && std::isfinite(fit.tau.rel_error));
    }
}

// The true controller and plant rehearse the second half to within the
// noise. Without an integral term an error in the block's state at the
// start (the derivative of its last scan, on a noisy PV) stays all along.
TEST(FitPlant, rehearsal_with_the_truth_holds_without_an_integral)
{
    SimLoop s;
    s.ti = 0.0, s.td = 3.0, s.kp = 1.0, s.steps = 1204, s.dead = 2, s.noise = 0.3;
    LoopData d = RecordLoop(s);
    PidFit pid;
    pid.kp.value = s.kp, pid.td.value = s.td, pid.scan_below_step = true;
    PlantFit plant;
    plant.gain.value = s.gain, plant.tau.value = s.tau, plant.bias.value = s.bias;
    plant.dead_steps = s.dead;
    EXPECT_GT(RehearsalFitPercent(d, pid, plant), 83.0);
}

TEST(FitPlant, refuses_a_loop_whose_op_or_pv_never_moves)
{
    LoopData d = RecordLoop({});
    LoopData held = d;
    std::fill(held.op.begin(), held.op.end(), 40.0);
    LoopData flat = d;
    std::fill(flat.pv.begin(), flat.pv.end(), NAN);
    EXPECT_STREQ(FitPlant(held, {}).not_identifiable, kNeverExcited);
    EXPECT_STREQ(FitPlant(flat, {}).not_identifiable, kPvConstant);
}

}  // namespace
