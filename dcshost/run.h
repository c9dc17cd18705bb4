// `dcshost run`: a plant closed-loop through the driver, the way a host runs
// it, from DCSLoad to FreeDCSData, with trends and a per-loop summary.
#pragma once

#include <string>
#include <vector>

#include "dcshost/scenario.h"

struct RunOptions {
    std::string driver_path;
    std::string out_dir = ".";
    std::string out_name;          // file stem of the trends; empty: from the scenario
    double settle_tolerance = -1;  // percent of the final setpoint; < 0: not required
    double duration = 0;           // > 0: overrides the scenario's
    int chart_loops = 12;          // loops drawn in the SVG
    bool trends = true;
};

// One loop at the end of the run.
struct LoopResult {
    std::string name;
    bool active = true;
    bool has_pv = false;
    double sp = 0.0;
    double pv = 0.0;
    double op_percent = 0.0;
    int mode = 0;
    // |PV - SP| as a percentage of |SP| (of 1 when SP is 0).
    double error_percent = 0.0;
};

// Whether a loop ended within `tolerance` percent of its setpoint. Loops
// without a PV row or not taking part are not judged.
bool LoopSettled(const LoopResult& loop, double tolerance);
double ErrorPercent(double pv, double sp);

// The summary table, one line per loop. Past max_lines loops it stays
// compact: the loops farthest from their setpoints, and how many there are.
std::string FormatLoopTable(const std::vector<LoopResult>& loops, size_t max_lines = 20);

// Returns the process exit code (session.h).
int RunScenario(const Scenario& scenario, const RunOptions& options);
