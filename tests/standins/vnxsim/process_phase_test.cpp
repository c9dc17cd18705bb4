// A PID block on its own clock: scan k at its phase + k * scan.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "standins/vnxsim/vnxsim.h"

// When the OP of an integral-only block against a constant error moved, in
// advances of `dt`: every scan but the first, which only takes over. Phase
// -1: none; {-1}: the phase was refused.
std::vector<double> ScanTimes(double scan, double phase, double dt)
{
    VnxSimReset();
    for (const char* tag : {"SP", "OP", "SPINIT", "OPINIT"}) VnxSimDefineFloat(tag, 1.0f);
    VnxSimDefineFloat("PV", 0.0f);
    VnxSimDefineInt("MODE", 1);
    VnxSimPid pid{"P", "SP", "OP", "MODE", "SPINIT", "OPINIT", "PV", -1, 0.1, 1, 0, 0, 100, scan};
    EXPECT_EQ(VnxSimDefinePid(&pid), 0);
    if (phase != -1 && VnxSimSetPidPhase("P", phase) != 0) return {-1};
    std::vector<double> moved;
    for (float before = 1.0f, op = 0.0f; VnxSimTime() < 4.0 - 1e-9; before = op) {
        VnxSimAdvance(dt);
        VnxSimGetFloat("OP", 0, &op);
        if (op != before) moved.push_back(std::round(VnxSimTime() * 1e6) / 1e6);
    }
    return moved;
}

TEST(VnxSimPhase, scans_fall_at_the_phase_plus_whole_periods_and_no_phase_is_as_before)
{
    EXPECT_EQ(ScanTimes(1.0, -1, 0.1), (std::vector<double>{2.0, 3.0, 4.0}));
    EXPECT_EQ(ScanTimes(1.0, 0.3, 0.1), (std::vector<double>{1.3, 2.3, 3.3}));
    EXPECT_EQ(ScanTimes(1.0, 0.0, 0.1), (std::vector<double>{1.0, 2.0, 3.0, 4.0}));
    EXPECT_EQ(ScanTimes(2.0, 1.5, 0.5), (std::vector<double>{3.5}));
    EXPECT_EQ(VnxSimSetPidPhase("P", 0.5), VNX_ST_INVALID_PARAMETER);  // P has scanned
    for (double refused : {-0.5, 1.0, std::nan("")})
        EXPECT_EQ(ScanTimes(1.0, refused, 1.0), std::vector<double>{-1}) << refused;
}
