// What calibrate fits, per loop, from the steps of one recording: the PID
// block's law and settings, and with --plant the process around it. The
// fits see only what the driver saw; they never read a scenario.
#pragma once

#include <string>
#include <utility>
#include <vector>

// One loop, step by step, as the recording tells it. Index k is the k-th
// DCSSimulate. A value the step did not carry is NaN.
struct LoopData {
    std::string name;          // the PID's name with a base scenario, else the SP tag's
    double step = 0.0;         // the host step, s (> 0)
    std::vector<double> time;  // s since the first DCSSimulate (T or wall-clock lines, or k * step)
    std::vector<double> sp;    // SP as the driver read it at step k
    std::vector<double> op;    // OP as the driver read it at step k, in % (0..100)
    std::vector<double> pv;    // PV the driver sent at step k, after its reads
};

// A fitted number and how far it can be trusted: the relative standard
// error from the fit's Jacobian (0.001 = 0.1 %), NaN when not known.
struct Fitted {
    double value = 0.0;
    double rel_error = 0.0;
};

// Why a loop is not fitted: the texts calibrate prints after
// "not identifiable: ".
extern const char* const kNeverExcited;   // "never excited (no SP move, no disturbance)"
extern const char* const kAlwaysManual;   // "always in manual"
extern const char* const kAlwaysAtLimit;  // "always at a limit"
extern const char* const kTooShort;       // "too short"
extern const char* const kPvConstant;     // "PV never changing"

struct PidFit {
    const char* not_identifiable = nullptr;  // one of the reasons above, or null when fitted
    int action = 0;                          // +1 when OP rises with the error (kp > 0), -1 reverse
    Fitted kp, ti, td;                       // ti = 0: no integral action; td = 0: none
    Fitted scan;                             // s; meaningful only when !scan_below_step
    bool scan_below_step = false;            // the block scans at least once per step: "≤ step"
    bool op_lo_reached = false, op_hi_reached = false;
    Fitted op_lo, op_hi;                      // %, where reached
    std::vector<std::pair<int, int>> manual;  // steps [first, last] in manual, left out of the fit
    double fit_percent = 0.0;                 // 100 (1 - NRMSE) of OP on the held-out second half
    double one_step_percent = 0.0;  // the same, each step predicted from the recorded one before
    double free_run_rms = 0.0;  // % of span: OP run free, re-synced at SP moves and mode changes
};

PidFit FitPid(const LoopData& loop);

enum class PlantKind { FirstOrder, Integrating };

struct PlantFit {
    const char* not_identifiable = nullptr;
    PlantKind kind = PlantKind::FirstOrder;
    Fitted gain;               // PV units per % OP (first order), per % OP per s (integrating)
    Fitted tau;                // s, first order only
    int dead_steps = 0;        // dead time in whole steps
    Fitted bias;               // PV at 0 % OP (first order); drift per s at 0 % (integrating)
    double fit_percent = 0.0;  // PV, simulated from the recorded OP, on the held-out half
    double other_fit_percent = 0.0;  // the same for the kind not chosen: "by how much"
};

// pid: the loop's fitted controller (its manual spans are still steps of
// the plant's; a never-moving OP makes the plant not identifiable).
PlantFit FitPlant(const LoopData& loop, const PidFit& pid);

// PV fit % on the held-out second half of the fitted controller and process
// run together (the operator's manual spans replayed as recorded); 0 when
// either is not identifiable.
double RehearsalFitPercent(const LoopData& loop, const PidFit& pid, const PlantFit& plant);
