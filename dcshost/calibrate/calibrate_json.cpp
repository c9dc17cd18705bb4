// --json FILE: what the report says, for machines (the fields in
// dcshost/README.md). A loop that is not identifiable carries its name, tags
// and reason only; a number JSON cannot carry (NaN) is null.
#include <cmath>

#include "dcshost/calibrate/calibrate.h"
#include "dcshost/outputs/json_result.h"
#include "dcshost/scenario/limits.h"

namespace {

std::string JsonNum(double value) { return std::isfinite(value) ? NumberText(value) : "null"; }

std::string Value(const Fitted& f)
{
    return "{\"value\": " + JsonNum(f.value) + ", \"rel_error\": " + JsonNum(f.rel_error) + "}";
}

std::string Member(const char* name, const std::string& value)
{
    return std::string(",\n      \"") + name + "\": " + value;
}

std::string Manual(const PidFit& f)
{
    std::string out = "[";
    for (size_t i = 0; i < f.manual.size(); ++i)
        out += (i ? ", [" : "[") + std::to_string(f.manual[i].first) + ", " +
               std::to_string(f.manual[i].second) + "]";
    return out + "]";
}

std::string PlantJson(const CalibratedLoop& loop)
{
    const PlantFit& p = loop.plant;
    if (!loop.plant_fitted || p.not_identifiable) return "null";
    const bool first = p.kind == PlantKind::FirstOrder;
    return std::string("{\"kind\": ") + (first ? "\"first_order\"" : "\"integrating\"") +
           ", \"gain\": " + Value(p.gain) + ", \"tau\": " + (first ? Value(p.tau) : "null") +
           ", \"dead_steps\": " + std::to_string(p.dead_steps) + ", \"bias\": " + Value(p.bias) +
           ", \"fit_percent\": " + JsonNum(p.fit_percent) +
           ", \"other_fit_percent\": " + JsonNum(p.other_fit_percent) +
           ", \"rehearsal_fit_percent\": " + JsonNum(loop.rehearsal_percent) + "}";
}

std::string Loop(const CalibratedLoop& loop)
{
    const PidFit& f = loop.pid;
    std::string out =
        "    {\"name\": " + JsonQuote(loop.ref.name) + Member("sp_tag", JsonQuote(loop.sp_tag)) +
        Member("op_tag", JsonQuote(loop.op_tag)) + Member("pv_tag", JsonQuote(loop.pv_tag)) +
        Member("not_identifiable", f.not_identifiable ? JsonQuote(f.not_identifiable) : "null");
    if (f.not_identifiable) return out + "}";
    out += Member("action", f.action > 0 ? "\"direct\"" : "\"reverse\"");
    out += Member("kp", Value(f.kp)) + Member("ti", Value(f.ti)) + Member("td", Value(f.td));
    out += Member("scan", f.scan_below_step ? "\"<= step\"" : Value(f.scan));
    out += Member("op_lo", f.op_lo_reached ? Value(f.op_lo) : "null");
    out += Member("op_hi", f.op_hi_reached ? Value(f.op_hi) : "null");
    out += Member("manual", Manual(f));
    out += Member("fit_percent", JsonNum(f.fit_percent)) +
           Member("one_step_percent", JsonNum(f.one_step_percent)) +
           Member("free_run_rms", JsonNum(f.free_run_rms));
    out += Member("plant", PlantJson(loop));
    if (loop.plant_fitted && loop.plant.not_identifiable)
        out += Member("plant_not_identifiable", JsonQuote(loop.plant.not_identifiable));
    return out + "}";
}

}  // namespace

std::string CalibrationJson(const Calibration& c)
{
    std::string out = "{\n  \"recording\": " + JsonQuote(c.recording) +
                      ",\n  \"steps\": " + std::to_string(c.steps) +
                      ",\n  \"step\": " + JsonNum(c.step) + ",\n  \"loops\": [";
    for (size_t i = 0; i < c.loops.size(); ++i) out += (i ? ",\n" : "\n") + Loop(c.loops[i]);
    return out + (c.loops.empty() ? "" : "\n  ") +
           "],\n  \"exit_code\": " + std::to_string(c.exit_code) + "\n}\n";
}
