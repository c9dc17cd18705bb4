// `dcshost calibrate`: a recording's loops found, each loop's controller
// (and with --plant its process) fitted, the report printed, and with --out
// and --json the fitted scenario and the result for machines written.
#pragma once

#include <string>
#include <vector>

#include "dcshost/calibrate/fits.h"
#include "dcshost/calibrate/loops.h"
#include "dcshost/calibrate/recorded.h"

struct CalibrateOptions {
    std::string recording;
    std::string base;  // --scenario; empty: none
    std::string out;   // --out FITTED.toml; empty: none
    std::string json;  // --json FILE; empty: none
    bool plant = false;
    double step = 0.0;  // --step; 0: not given
    bool force = false;
};

struct CalibratedLoop {
    LoopRef ref;
    std::string sp_tag, op_tag, pv_tag;
    PidFit pid;
    bool plant_fitted = false;  // --plant
    PlantFit plant;
    double rehearsal_percent = 0.0;  // fitted controller and plant run together, held-out PV
};

struct Calibration {
    std::string recording;
    int64_t steps = 0;
    double step = 0.0;
    std::vector<CalibratedLoop> loops;
    int exit_code = 0;
};

// The process exit code (exit_codes.h): 0 every loop fitted, 11 some not
// identifiable, 2 a recording, base or command line refused, 10 a file
// asked for not written whole.
int CalibrateRecording(const CalibrateOptions& options);

// The loop's steps as the fits take them.
LoopData LoopDataOf(const Recorded& recorded, const LoopRef& loop);

// The report of one loop, as printed (report.cpp).
std::string LoopReport(const CalibratedLoop& loop, double step);
// --json's text (calibrate_json.cpp).
std::string CalibrationJson(const Calibration& calibration);
