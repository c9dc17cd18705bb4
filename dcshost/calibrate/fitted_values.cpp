#include "dcshost/calibrate/fitted_values.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "dcshost/scenario/limits.h"

namespace {

struct Range {
    const char* key;
    double lo, hi;
    const char* unit;
};

// The scenario reader's ranges (read_system.cpp, read_plant.cpp).
const Range kRanges[] = {
    {"kp", -limits::kMaxGain, limits::kMaxGain, "% per unit"},
    {"ti", 0.0, limits::kMaxTime, "s"},
    {"td", 0.0, limits::kMaxTime, "s"},
    {"scan", limits::kMinStep, limits::kMaxStep, "s"},
    {"op_lo", 0.0, 100.0, "%"},
    {"op_hi", 0.0, 100.0, "%"},
    {"gain", -limits::kMaxGain, limits::kMaxGain, ""},
    {"tau", limits::kMinStep, limits::kMaxTime, "s"},
    {"dead_time", 0.0, limits::kMaxTime, "s"},
    {"bias", -limits::kMaxFloat, limits::kMaxFloat, ""},
};

}  // namespace

std::vector<FittedValue> PidValues(const PidFit& fit)
{
    std::vector<FittedValue> v = {{"kp", fit.kp.value, fit.kp.rel_error},
                                  {"ti", fit.ti.value, fit.ti.rel_error},
                                  {"td", fit.td.value, fit.td.rel_error}};
    if (!fit.scan_below_step) v.push_back({"scan", fit.scan.value, fit.scan.rel_error});
    if (fit.op_lo_reached) v.push_back({"op_lo", fit.op_lo.value, fit.op_lo.rel_error});
    if (fit.op_hi_reached) v.push_back({"op_hi", fit.op_hi.value, fit.op_hi.rel_error});
    return v;
}

std::vector<FittedValue> PlantValues(const PlantFit& fit, double step)
{
    std::vector<FittedValue> v = {{"gain", fit.gain.value, fit.gain.rel_error}};
    if (fit.kind != PlantKind::FirstOrder) return v;
    v.push_back({"tau", fit.tau.value, fit.tau.rel_error});
    v.push_back({"dead_time", fit.dead_steps * step, 0.0});
    v.push_back({"bias", fit.bias.value, fit.bias.rel_error});
    return v;
}

std::string Unwritable(const FittedValue& value)
{
    for (const Range& r : kRanges)
        if (std::strcmp(r.key, value.key) == 0)
            return InRange(value.value, r.lo, r.hi)
                       ? ""
                       : RangeMessage(value.key, value.value, r.lo, r.hi, r.unit);
    return std::isfinite(value.value) ? "" : std::string(value.key) + " is not a number";
}

std::string Confidence(const FittedValue& value)
{
    if (std::strcmp(value.key, "dead_time") == 0) return "fitted, in whole steps";
    if (!std::isfinite(value.rel_error)) return "fitted, confidence unknown";
    char text[48];
    std::snprintf(text, sizeof text, "fitted, +-%.2g %%", std::fabs(value.rel_error) * 100.0);
    return text;
}
