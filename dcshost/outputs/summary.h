// The judgement of a run: each loop's end state against its setpoint, the
// summary table, and the host messages by key.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "dcshost/host/messages.h"

// A figure as `format` prints it, "%.6g" when that takes over 16
// characters; NaN and infinities as words.
std::string Figure(double value, const char* format);

// One loop at the end of the run.
struct LoopResult {
    std::string name;
    bool active = true;
    bool has_pv = false;
    double sp = 0.0;
    double pv = 0.0;
    double op_percent = 0.0;
    int mode = 0;  // the control system's value (modes.h)
    // SP, OP and mode are the last exchanged before the coupling was lost.
    bool stale = false;
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

// "KEY xN, KEY xM" in key order.
std::string MessageCounts(const std::vector<MessageGroup>& groups);
// One line per wording: "  KEY xN, first at T s, last at T s: wording",
// at most max_lines of them and how many more there are.
std::string FormatMessageGroups(const std::vector<MessageGroup>& groups, size_t max_lines = 20);
