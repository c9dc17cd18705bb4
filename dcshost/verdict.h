// What a run, a replay, a check or a calibration found, and the one verdict it comes to:
// clean or not, the exit code (exit_codes.h) and the words the summary ends
// with. When several findings hold, kVerdictOrder in verdict.cpp decides;
// dcshost/README.md's exit-code table gives the same order.
#pragma once

#include "dcshost/exit_codes.h"

// Each flag one thing found; a command sets those it judges and leaves the
// rest false.
struct Findings {
    bool file_unwritten = false;  // a file asked for is not written whole
    bool unreadable = false;      // replay: the recording could not be read on
    bool configure_failed =
        false;                 // DCSConfigure failed; check: a binding failure or a tag problem
    bool interrupted = false;  // stopped on Ctrl-C and the like
    bool coupling_stopped = false;  // --on-loss stop ended it
    bool replay_differs = false;    // the driver did not do what the recording holds
    bool deviates = false;          // --compare: outside the band, or not comparable
    bool not_identifiable = false;  // calibrate: a loop (or its plant) not fitted
    // Not clean: a finished run's own findings.
    bool messages = false;        // a host message
    bool left_open = false;       // a handle left open, an unbalanced heap
    bool unsettled = false;       // --require-settled: a loop off its setpoint
    bool idle_upset = false;      // a fault, malfunction or disturbance that acted on nothing
    bool wiring_warning = false;  // wiring that cannot work
    bool coupling_lost = false;   // a span without coupling
    bool unsound_value = false;   // a value sent that a float cannot carry
};

struct Verdict {
    bool clean = true;
    ExitCode code = kExitClean;
    const char* words = "clean";  // "NOT within the reference", ...
};

Verdict Judge(const Findings& found);
