// The targets of each tier, one row each, and how a fitted loop is scored
// against its truth.
#pragma once

#include <string>
#include <vector>

#include "tests/dcshost/calibrate/truth/json_value.h"
#include "tests/dcshost/calibrate/truth/truth.h"

// One target scored on one loop: the error (or fit) shown, and whether it
// meets the target.
struct Score {
    double value = 0.0;  // NaN: nothing to show (not reached, not fitted)
    bool ok = false;
    std::string note;  // why it failed when there is no number: "n/i", "absent", ...
};

struct Target {
    const char* column;
    const char* goal;  // the target, as the table header says it
    // Which way is worse: errors (+1, larger worse) or fits (-1, smaller worse).
    int worse;
    Score (*score)(const TruthLoop& truth, const JsonValue& fitted, double step);
};

// The tier's targets: "A", "B", "C0" (noise-free plant) or "C1" (noisy).
const std::vector<Target>* TargetsOf(const std::string& tier);

// Tier C1 judges gain and tau over all seeds: the median and 90th percentile
// of their errors.
constexpr double kNoisyMedian = 5.0, kNoisyP90 = 10.0;
