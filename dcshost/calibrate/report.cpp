// The printed report of one loop: its rows, then the fitted values with
// their confidence and the held-out fit, or why it is not identifiable.
#include <cmath>
#include <cstdio>

#include "dcshost/calibrate/calibrate.h"
#include "dcshost/outputs/summary.h"

namespace {

std::string ReportNum(double value) { return Figure(value, "%.6g"); }

std::string Percent(double value) { return Figure(value, "%.2f") + " %"; }

std::string WithError(const char* name, const Fitted& f, const char* unit)
{
    std::string out = std::string(name) + " " + ReportNum(f.value) + unit;
    if (std::isfinite(f.rel_error)) {
        char text[32];
        std::snprintf(text, sizeof text, " (+-%.2g %%)", std::fabs(f.rel_error) * 100.0);
        out += text;
    }
    return out;
}

std::string Pid(const PidFit& f)
{
    std::string out = std::string("  ") + (f.action > 0 ? "direct" : "reverse") + " acting, " +
                      WithError("kp", f.kp, "") + ", " + WithError("ti", f.ti, " s") + ", " +
                      WithError("td", f.td, " s") + ", " +
                      (f.scan_below_step ? "scan <= step" : WithError("scan", f.scan, " s")) + "\n";
    out += "  " + (f.op_lo_reached ? WithError("op_lo", f.op_lo, " %") : "op_lo not reached") +
           ", " + (f.op_hi_reached ? WithError("op_hi", f.op_hi, " %") : "op_hi not reached") +
           "\n";
    out += "  manual:";
    if (f.manual.empty()) out += " none";
    for (size_t i = 0; i < f.manual.size(); ++i)
        out += (i ? ", steps " : " steps ") + std::to_string(f.manual[i].first) + "-" +
               std::to_string(f.manual[i].second);
    out += "\n  OP fit " + Percent(f.fit_percent) + " on the held-out half (one step ahead " +
           Percent(f.one_step_percent) + ", run free " + ReportNum(f.free_run_rms) +
           " % of span rms)\n";
    return out;
}

std::string PlantLine(const PlantFit& f, double step)
{
    if (f.not_identifiable)
        return std::string("  plant: not identifiable: ") + f.not_identifiable + "\n";
    const bool first = f.kind == PlantKind::FirstOrder;
    std::string out = std::string("  plant: ") + (first ? "first order, " : "integrating, ") +
                      WithError("gain", f.gain, "");
    if (first)
        out += ", " + WithError("tau", f.tau, " s") + ", dead time " +
               std::to_string(f.dead_steps) + " steps (" + ReportNum(f.dead_steps * step) +
               " s), " + WithError("bias", f.bias, "");
    return out + "\n  PV fit " + Percent(f.fit_percent) + " on the held-out half (" +
           (first ? "integrating " : "first order ") + Percent(f.other_fit_percent) + ")\n";
}

}  // namespace

std::string LoopReport(const CalibratedLoop& loop, double step)
{
    std::string out = "loop " + loop.ref.name + " (controller row " +
                      std::to_string(loop.ref.ctrl) + ": " + loop.sp_tag + ", " + loop.op_tag +
                      "; PV row " + std::to_string(loop.ref.pv) + ": " + loop.pv_tag + ")";
    if (loop.pid.not_identifiable)
        return out + ": not identifiable: " + loop.pid.not_identifiable + "\n";
    out += "\n" + Pid(loop.pid);
    if (!loop.plant_fitted) return out;
    out += PlantLine(loop.plant, step);
    if (!loop.plant.not_identifiable)
        out += "  controller and plant together: PV fit " + Percent(loop.rehearsal_percent) +
               " on the held-out half\n";
    return out;
}
