// The numbers calibrate writes into a scenario, by their key, each with how
// far it can be trusted, and the scenario reader's range for each: a number
// outside it (or not finite) is reported, never written.
#pragma once

#include <string>
#include <vector>

#include "dcshost/calibrate/fits.h"

struct FittedValue {
    const char* key;  // as [[system.pid]] or [[plant.block]] names it
    double value;
    double rel_error;  // NaN: not known
};

// kp, ti, td, and scan, op_lo, op_hi where the fit found them.
std::vector<FittedValue> PidValues(const PidFit& fit);
// gain, then tau, dead_time (the whole steps times `step`) and bias for a
// first-order block.
std::vector<FittedValue> PlantValues(const PlantFit& fit, double step);

// Empty when the scenario reader takes the value; else "KEY is V; it must
// lie between LO and HI".
std::string Unwritable(const FittedValue& value);

// "fitted, +-0.12 %" or "fitted, confidence unknown": the comment after it.
std::string Confidence(const FittedValue& value);
