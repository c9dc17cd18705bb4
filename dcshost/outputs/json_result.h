// --json FILE: the result of a run for machines, versioned; the fields are
// documented in dcshost/README.md.
#pragma once

#include <string>
#include <vector>

#include "dcshost/control/faults.h"
#include "dcshost/host/coupling.h"
#include "dcshost/host/messages.h"
#include "dcshost/host/pacing.h"
#include "dcshost/host/recovery.h"
#include "dcshost/host/session.h"
#include "dcshost/host/value_watch.h"
#include "dcshost/outputs/figures.h"
#include "dcshost/outputs/summary.h"
#include "dcshost/plant/upsets.h"
#include "dcshost/scenario/scenario.h"
#include "dcshost/verdict.h"

struct RunRecord {
    const Scenario* scenario = nullptr;
    int steps = 0;
    int steps_run = 0;
    bool interrupted = false;
    double settle_band = 0.0;  // percent, as the figures used it
    int settled = -1;          // under --require-settled: 1 or 0; -1: not asked
    Verdict verdict;           // its exit code and whether it was clean
    std::vector<LoopResult> loops;
    std::vector<LoopFigures> figures;  // per loop
    std::vector<double> imports;       // final values, per import row
    size_t message_total = 0;
    std::vector<MessageGroup> messages;
    Leftovers left;
    bool live = false;    // against a client library without the control API
    std::string compare;  // the reference; empty: none
    int compared = -1;    // 1 within, 0 not, -1 not asked
    std::string deviation;
    std::vector<CouplingLoss> coupling;        // each span without coupling
    std::vector<UnsoundSent> unsound;          // values sent that a float cannot carry
    std::vector<FaultOutcome> fault_outcomes;  // per fault; empty when the run did not start
    std::vector<std::string> warnings;         // wiring that cannot work
    PaceFigures pacing;                        // the steps against the wall clock
    std::vector<UpsetOutcome> upset_outcomes;  // malfunctions, then disturbances; empty: not run
    OnLoss on_loss = OnLoss::Continue;
    std::vector<ReconfigureTry> reconfigures;  // --on-loss reconfigure's tries
};

// 2: a loop's `mode` comes with `mode_name` and `stale`; `clean` also asks
// for the coupling held and every value sent sound.
constexpr int kJsonResultVersion = 2;

std::string FormatJsonResult(const RunRecord& record);

// A JSON string of `text`, as every --json file of dcshost writes one.
std::string JsonQuote(const std::string& text);
