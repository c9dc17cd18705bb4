// Stands in for the fits until they are built: every loop fitted as the
// same PI block, every value from the data alone, so that the command, its
// report and its files can be built and tested. Removed with the fits.
#include <cmath>

#include "dcshost/calibrate/fits.h"

const char* const kNeverExcited = "never excited (no SP move, no disturbance)";
const char* const kAlwaysManual = "always in manual";
const char* const kAlwaysAtLimit = "always at a limit";
const char* const kTooShort = "too short";
const char* const kPvConstant = "PV never changing";

namespace {

bool Changes(const std::vector<double>& values)
{
    double first = NAN;
    for (double v : values) {
        if (!std::isfinite(v)) continue;
        if (std::isnan(first)) first = v;
        if (v != first) return true;
    }
    return false;
}

}  // namespace

PidFit FitPid(const LoopData& loop)
{
    PidFit fit;
    if (loop.op.size() < 4)
        fit.not_identifiable = kTooShort;
    else if (!Changes(loop.pv))
        fit.not_identifiable = kPvConstant;
    else if (!Changes(loop.sp) && !Changes(loop.op))
        fit.not_identifiable = kNeverExcited;
    if (fit.not_identifiable) return fit;
    fit.action = -1;
    fit.kp = {-1.0, 0.001};
    fit.ti = {10.0 * loop.step, 0.001};
    fit.td = {0.0, NAN};
    fit.scan_below_step = true;
    fit.fit_percent = fit.one_step_percent = 50.0;
    return fit;
}

PlantFit FitPlant(const LoopData& loop, const PidFit& pid)
{
    PlantFit fit;
    if (pid.not_identifiable || !Changes(loop.op)) {
        fit.not_identifiable = pid.not_identifiable ? pid.not_identifiable : kNeverExcited;
        return fit;
    }
    fit.gain = {1.0, 0.01};
    fit.tau = {5.0 * loop.step, 0.01};
    fit.dead_steps = 1;
    fit.bias = {0.0, NAN};
    fit.fit_percent = 50.0;
    fit.other_fit_percent = 40.0;
    return fit;
}
