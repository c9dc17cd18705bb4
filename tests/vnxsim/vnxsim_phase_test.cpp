// A PID block on its own clock: scan k at its phase + k * scan, whatever the
// advances that carry time there.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "standins/vnxsim/vnxsim.h"

namespace {

// Times (s) at which the block's OP moved, advancing in steps of `dt`. An
// integral-only block against a constant error moves its OP on each scan but
// the first, which only takes over.
std::vector<double> ScanTimes(double scan, double phase, double dt, double until)
{
    VnxSimReset();
    VnxSimDefineFloat("PV", 0.0f);
    VnxSimDefineFloat("SP", 1.0f);
    VnxSimDefineFloat("OP", 50.0f);
    VnxSimDefineInt("MODE", 1);
    VnxSimDefineFloat("SPINIT", 0.0f);
    VnxSimDefineFloat("OPINIT", 0.0f);
    VnxSimPid pid{"P", "SP", "OP", "MODE", "SPINIT", "OPINIT", "PV",
                  -1,  0.1,  1.0,  0.0,    0.0,      100.0,    scan};
    EXPECT_EQ(VnxSimDefinePid(&pid), 0);
    if (phase >= 0) {
        EXPECT_EQ(VnxSimSetPidPhase("P", phase), 0);
    }
    std::vector<double> moved;
    float before = 50.0f, op = 0.0f;
    for (double t = dt; t <= until + 1e-9; t += dt) {
        VnxSimAdvance(dt);
        VnxSimGetFloat("OP", 0, &op);
        if (op != before) moved.push_back(std::round(VnxSimTime() * 1e6) / 1e6);
        before = op;
    }
    return moved;
}

TEST(VnxSimPhase, scans_fall_at_the_phase_plus_whole_periods)
{
    const struct {
        double scan, phase, dt;
        std::vector<double> moved;  // the first take-over scan moves nothing
    } cases[] = {
        {1.0, -1, 0.1, {2.0, 3.0, 4.0}},   // no phase: k * scan from 1
        {1.0, 0.3, 0.1, {1.3, 2.3, 3.3}},  // scans at 0.3, 1.3, ...
        {1.0, 0.0, 0.1, {1.0, 2.0, 3.0, 4.0}},
        {2.5, 0.5, 1.0, {3.0}},  // 0.5, 3.0: seen after the advance that holds it
        {2.0, 1.5, 0.5, {3.5}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScanTimes(c.scan, c.phase, c.dt, 4.0), c.moved) << c.scan << " " << c.phase;
}

TEST(VnxSimPhase, refuses_a_phase_outside_its_scan_or_too_late)
{
    ScanTimes(1.0, -1, 1.0, 1.0);  // P has scanned
    EXPECT_EQ(VnxSimSetPidPhase("P", 0.5), VNX_ST_INVALID_PARAMETER);
    ScanTimes(1.0, -1, 1.0, 0.0);
    for (double phase : {-0.1, 1.0, std::nan(""), HUGE_VAL})
        EXPECT_EQ(VnxSimSetPidPhase("P", phase), VNX_ST_INVALID_PARAMETER) << phase;
    EXPECT_EQ(VnxSimSetPidPhase("Q", 0.5), VNX_ST_INVALID_PARAMETER);
    EXPECT_EQ(VnxSimSetPidPhase(nullptr, 0.5), VNX_ST_INVALID_PARAMETER);
    EXPECT_EQ(VnxSimSetPidPhase("P", 0.999), 0);
}

}  // namespace
