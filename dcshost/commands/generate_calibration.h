// `dcshost generate --calibration SEED --tier A|B|C FILE`: a scenario whose
// PID blocks and plant are drawn by seed, the hidden truth that calibrate must
// find again from a recording of its run.
//   A: scans synchronous with the step (the step or a whole multiple of it);
//   B: scans on their own clock (a period that is no multiple of the step and
//      a phase) and reads up to 50 ms late;
//   C: synchronous scans, for the plant fit: no unmeasured disturbance.
// Every tier has PV noise unless noiseless; every loop has SP moves, a manual
// span with operator OP writes and (A, B) disturbances, one of them driving
// its output into a clamp.
#pragma once

#include <string>

struct CalibrationCase {
    int seed = 1;
    char tier = 'A';
    bool noiseless = false;
    int loops = 4;
    double duration = 1800.0;  // s, in steps of 1 s
};

constexpr int kMaxCalibrationLoops = 100;
constexpr double kMinCalibrationRun = 300.0;  // s: three slots of 100 s
constexpr double kMaxCalibrationRun = 86400.0;

std::string GenerateCalibrationScenario(const CalibrationCase& c);
