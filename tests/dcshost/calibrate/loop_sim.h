// A loop recorded from the simulated control system's own PID block around
// a first-order plant, step by step as dcshost runs it: the truth of a fit.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "dcshost/calibrate/fits.h"

struct SimLoop {
    double kp = 2.0, ti = 20.0, td = 0.0, scan = 1.0, phase = -1.0;  // phase < 0: synchronous
    double op_lo = 0.0, op_hi = 100.0;
    double gain = 0.8, tau = 15.0, bias = 10.0;  // plant: PV units per % OP, s
    int dead = 0;                                // plant dead time, steps
    double noise = 0.0, jitter = 0.0;            // PV noise sigma; reads up to jitter s late
    uint64_t seed = 1;
    int steps = 1200;
    double step = 1.0;
    int sp_every = 150;                          // SP moves by +-10 this often (0: never)
    double sp_offset = 0.0;                      // SP at the start above the PV
    std::vector<std::pair<int, int>> manual;     // steps [first, last] in manual
    std::vector<std::pair<int, double>> writes;  // OP written before the read of a step
    std::vector<std::pair<int, double>> upsets;  // from a step on, the PV moved by so much
};

LoopData RecordLoop(const SimLoop& s);
