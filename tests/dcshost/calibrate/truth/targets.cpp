#include "tests/dcshost/calibrate/truth/targets.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

Score Failed(const char* note) { return {kNone, false, note}; }

// The relative error in % of a fitted {"value": V} against the truth; a
// truth of 0 (no integral or derivative action) must be fitted as 0.
Score Relative(const JsonValue& fitted, double truth, double limit_percent)
{
    if (fitted.kind != JsonValue::Object || fitted["value"].kind != JsonValue::Number)
        return Failed("absent");
    const double v = fitted["value"].number;
    if (truth == 0.0) return {std::fabs(v), std::fabs(v) <= 1e-6, "(truth 0)"};
    const double e = 100.0 * std::fabs(v - truth) / std::fabs(truth);
    return {e, e <= limit_percent, ""};
}

// kp with its sign from the action, whichever way the value is given.
double SignedKp(const JsonValue& loop)
{
    const double v = loop["kp"]["value"].number;
    return loop["action"].text == "reverse" ? -std::fabs(v) : std::fabs(v);
}

Score Kp(const JsonValue& loop, double truth, double limit)
{
    if (loop["kp"].kind != JsonValue::Object) return Failed("absent");
    JsonValue v = loop["kp"];
    v.fields["value"].number = SignedKp(loop);
    return Relative(v, truth, limit);
}

Score Action(const TruthLoop& t, const JsonValue& f, double)
{
    const std::string want = t.kp > 0 ? "direct" : "reverse";
    if (f["action"].kind != JsonValue::String) return Failed("absent");
    return {kNone, f["action"].text == want, f["action"].text == want ? "" : f["action"].text};
}

Score Scan(const TruthLoop& t, const JsonValue& f, double step)
{
    if (f["scan"].kind == JsonValue::String)
        return {kNone, t.scan <= step * (1 + 1e-9), f["scan"].text};
    return Relative(f["scan"], t.scan, 1.0);
}

Score Clamp(const JsonValue& fitted, bool reached, double truth)
{
    if (fitted.IsNull()) return reached ? Failed("missed") : Score{kNone, true, "-"};
    return Relative(fitted, truth, 0.01);
}

Score Manual(const TruthLoop& t, const JsonValue& f, double)
{
    const JsonValue& spans = f["manual"];
    if (spans.kind != JsonValue::Array) return Failed("absent");
    if (spans.items.size() != t.manual.size())
        return Failed(spans.items.size() < t.manual.size() ? "span missed" : "span extra");
    double worst = 0.0;
    for (size_t i = 0; i < spans.items.size(); ++i) {
        const std::vector<JsonValue>& ends = spans.items[i].items;
        if (ends.size() != 2) return Failed("absent");
        worst = std::max(worst, std::fabs(ends[0].number - t.manual[i].first));
        worst = std::max(worst, std::fabs(ends[1].number - t.manual[i].second));
    }
    return {worst, worst <= 2.0, ""};
}

Score AtLeast(const JsonValue& v, double limit)
{
    if (v.kind != JsonValue::Number) return Failed("absent");
    return {v.number, v.number >= limit, ""};
}

Score AtMost(const JsonValue& v, double limit)
{
    if (v.kind != JsonValue::Number) return Failed("absent");
    return {v.number, v.number <= limit, ""};
}

Score DeadSteps(const TruthLoop& t, const JsonValue& f, int limit)
{
    const JsonValue& d = f["plant"]["dead_steps"];
    if (d.kind != JsonValue::Number) return Failed("absent");
    const double off = std::fabs(d.number - t.dead_steps);
    return {off, off <= limit, ""};
}

Score Kind(const JsonValue& f)
{
    const std::string kind = f["plant"]["kind"].text;
    return kind == "first_order" ? Score{kNone, true, ""}
                                 : Failed(kind.empty() ? "absent" : "integrating");
}

// Tier A
const std::vector<Target> kTierA = {
    {"action", "exact", 1, Action},
    {"kp %", "<= 0.5", 1,
     [](const TruthLoop& t, const JsonValue& f, double) { return Kp(f, t.kp, 0.5); }},
    {"ti %", "<= 0.5", 1,
     [](const TruthLoop& t, const JsonValue& f, double) { return Relative(f["ti"], t.ti, 0.5); }},
    {"td %", "<= 0.5", 1,
     [](const TruthLoop& t, const JsonValue& f, double) { return Relative(f["td"], t.td, 0.5); }},
    {"scan %", "<= 1", 1, Scan},
    {"op_lo %", "<= 0.01", 1,
     [](const TruthLoop& t, const JsonValue& f, double) {
         return Clamp(f["op_lo"], t.lo_reached, t.op_lo);
     }},
    {"op_hi %", "<= 0.01", 1,
     [](const TruthLoop& t, const JsonValue& f, double) {
         return Clamp(f["op_hi"], t.hi_reached, t.op_hi);
     }},
    {"manual steps", "<= 2", 1, Manual},
    {"OP fit %", ">= 99", -1,
     [](const TruthLoop&, const JsonValue& f, double) { return AtLeast(f["fit_percent"], 99.0); }},
};

// Tier B
const std::vector<Target> kTierB = {
    {"kp %", "<= 2", 1,
     [](const TruthLoop& t, const JsonValue& f, double) { return Kp(f, t.kp, 2.0); }},
    {"ti %", "<= 2", 1,
     [](const TruthLoop& t, const JsonValue& f, double) { return Relative(f["ti"], t.ti, 2.0); }},
    {"one-step fit %", ">= 99", -1,
     [](const TruthLoop&, const JsonValue& f, double) {
         return AtLeast(f["one_step_percent"], 99.0);
     }},
    {"free-run RMS % span", "<= 0.5", 1,
     [](const TruthLoop&, const JsonValue& f, double) { return AtMost(f["free_run_rms"], 0.5); }},
};

Score Rehearsal(const TruthLoop&, const JsonValue& f, double)
{
    return AtLeast(f["plant"]["rehearsal_fit_percent"], 85.0);
}

// Tier C, noise-free
const std::vector<Target> kTierC0 = {
    {"kind", "first order", 1,
     [](const TruthLoop&, const JsonValue& f, double) { return Kind(f); }},
    {"gain %", "<= 1", 1,
     [](const TruthLoop& t, const JsonValue& f, double) {
         return Relative(f["plant"]["gain"], t.gain, 1.0);
     }},
    {"tau %", "<= 1", 1,
     [](const TruthLoop& t, const JsonValue& f, double) {
         return Relative(f["plant"]["tau"], t.tau, 1.0);
     }},
    {"dead steps off", "0", 1,
     [](const TruthLoop& t, const JsonValue& f, double) { return DeadSteps(t, f, 0); }},
    {"rehearsal PV fit %", ">= 85", -1, Rehearsal},
};

// Tier C, with noise: a seed's gain and tau pass within the 90th percentile's
// bound; the median and 90th percentile over all seeds are judged below the table.
const std::vector<Target> kTierC1 = {
    {"kind", "first order", 1,
     [](const TruthLoop&, const JsonValue& f, double) { return Kind(f); }},
    {"gain %", "<= 10", 1,
     [](const TruthLoop& t, const JsonValue& f, double) {
         return Relative(f["plant"]["gain"], t.gain, kNoisyP90);
     }},
    {"tau %", "<= 10", 1,
     [](const TruthLoop& t, const JsonValue& f, double) {
         return Relative(f["plant"]["tau"], t.tau, kNoisyP90);
     }},
    {"dead steps off", "<= 1", 1,
     [](const TruthLoop& t, const JsonValue& f, double) { return DeadSteps(t, f, 1); }},
    {"rehearsal PV fit %", ">= 85", -1, Rehearsal},
};

}  // namespace

const std::vector<Target>* TargetsOf(const std::string& tier)
{
    if (tier == "A") return &kTierA;
    if (tier == "B") return &kTierB;
    if (tier == "C0") return &kTierC0;
    if (tier == "C1") return &kTierC1;
    return nullptr;
}
