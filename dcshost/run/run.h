// `dcshost run`: a plant closed-loop through the driver, the way a host runs
// it, from DCSLoad to FreeDCSData, with trends and a per-loop summary.
#pragma once

#include <string>

#include "dcshost/host/pacing.h"
#include "dcshost/host/recovery.h"
#include "dcshost/outputs/summary.h"
#include "dcshost/outputs/views.h"
#include "dcshost/scenario/scenario.h"

struct RunOptions {
    std::string driver_path;
    std::string scenario_file;  // the scenario's file; empty: the built-in one
    std::string out_dir = ".";
    std::string out_name;          // file stem of the trends; empty: from the scenario
    double settle_tolerance = -1;  // percent of the final setpoint; < 0: not required
    double duration = 0;           // > 0: overrides the scenario's
    ChartChoice chart;             // the loops drawn in the SVG
    std::string loops;             // --loops: patterns of the loops in the trends; empty: all
    bool trends = true;
    bool settle_wait = true;  // false: the settle's sleeps return at once
    std::string call_log;     // --log-calls FILE; empty: none
    std::string record;       // --record FILE; empty: none
    bool force = false;       // --force: --record may replace a file
    std::string json;         // --json FILE; empty: none
    std::string compare;      // --compare REF.csv; empty: none
    double tolerance = 1e-6;  // of --compare, relative above 1, absolute below
    OnLoss on_loss = OnLoss::Continue;
    double reconnect_every = 10.0;  // s of the run between reconfigure tries
    double speed = 0;               // simulated s per wall-clock s; 0: live runs 1, simulated max
    PaceClock* clock = nullptr;     // the pacing's clock; null: the machine's
};

// Returns the process exit code (exit_codes.h).
int RunScenario(const Scenario& scenario, const RunOptions& options);
