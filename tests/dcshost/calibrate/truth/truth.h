// The hidden truth of a calibration case: its PID blocks and plant as the
// scenario gives them (each loop's block named as its PID), and from the
// run's trends the clamps each output reached and the steps in manual.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct TruthLoop {
    std::string name, sp_tag;
    double kp = 0, ti = 0, td = 0, scan = 0, op_lo = 0, op_hi = 100;
    bool lo_reached = false, hi_reached = false;
    std::vector<std::pair<int, int>> manual;  // steps [first, last], from 0
    bool has_plant = false;
    double gain = 0, tau = 0, bias = 0;
    int dead_steps = 0;
};

struct Truth {
    double step = 1.0;
    std::vector<TruthLoop> loops;
};

// False with `error` set when the scenario cannot be read.
bool ReadTruth(const std::string& scenario, Truth& truth, std::string& error);
// The clamps reached and the manual spans, from the trends of the case's run.
bool ReadTrend(const std::string& path, Truth& truth, std::string& error);
