// The checks across sections, once the whole file is read: names defined
// twice, every reference resolved, and what depends on the run's length, its
// step or the driver's table size.
#include <cmath>
#include <map>
#include <set>

#include "dcshost/scenario/limits.h"
#include "dcshost/scenario/reader.h"

namespace {

// The control system's tags and arrays by name.
struct Definitions {
    std::map<std::string, TagType> tags;
    std::map<std::string, const SysArray*> arrays;
};

// Every tag and array name once, between them; an array's bounds in order.
Definitions DefineTags(Context& ctx, const Scenario& out)
{
    Definitions defined;
    for (const SysTag& tag : out.tags) {
        if (!defined.tags.emplace(tag.name, tag.type).second)
            ctx.Error(tag.pos, "tag '" + tag.name + "' is defined twice");
    }
    for (const SysArray& array : out.arrays) {
        if (defined.tags.count(array.name) || !defined.arrays.emplace(array.name, &array).second)
            ctx.Error(array.pos, "tag '" + array.name + "' is defined twice");
        if (array.lower > array.upper)
            ctx.Error(array.pos, "array '" + array.name + "': 'lower' lies above 'upper'");
    }
    return defined;
}

template <typename T>
void CheckUnique(Context& ctx, const std::vector<T>& items, const char* what)
{
    std::set<std::string> seen;
    for (const T& item : items) {
        if (!item.name.empty() && !seen.insert(item.name).second)
            ctx.Error(item.pos, std::string(what) + " '" + item.name + "' is defined twice");
    }
}

void CheckNamesUnique(Context& ctx, const Scenario& out)
{
    CheckUnique(ctx, out.pids, "PID");
    CheckUnique(ctx, out.controllers, "controller");
    CheckUnique(ctx, out.pvs, "PV row");
    CheckUnique(ctx, out.imports, "import row");
    CheckUnique(ctx, out.plant, "plant block");
}

template <typename T>
bool Has(const std::vector<T>& items, const std::string& name)
{
    for (const T& item : items)
        if (item.name == name) return true;
    return false;
}

// What is wrong with a reference; empty when it names what it must.
std::string Unresolved(const Reference& ref, const Definitions& defined, const Scenario& out)
{
    std::string missing;
    auto tag = defined.tags.find(ref.name);
    const bool known = tag != defined.tags.end();
    switch (ref.kind) {
    case RefKind::FloatTag:
    case RefKind::IntTag: {
        const bool want_int = ref.kind == RefKind::IntTag;
        if (!known)
            missing = "missing tag '" + ref.name + "'";
        else if (tag->second != (want_int ? TagType::Int : TagType::Float))
            missing = "tag '" + ref.name + "' is not " + (want_int ? "an int" : "a float") + " tag";
        break;
    }
    case RefKind::AnyTag:
        if (!known) missing = "missing tag '" + ref.name + "'";
        break;
    case RefKind::FaultTag:
        if (!known && !defined.arrays.count(ref.name)) missing = "missing tag '" + ref.name + "'";
        break;
    case RefKind::ModeTag:
        if ((known && tag->second != TagType::Int) || defined.arrays.count(ref.name))
            missing = "tag '" + ref.name +
                      "' is not an int tag of the control system; a mode tag must be";
        break;
    case RefKind::ArrayElement: {
        auto array = defined.arrays.find(ref.name);
        if (array == defined.arrays.end())
            missing = "missing array tag '" + ref.name + "'";
        else if (ref.index < array->second->lower || ref.index > array->second->upper)
            missing =
                "pv_index " + std::to_string(ref.index) + " lies outside array '" + ref.name + "'";
        break;
    }
    case RefKind::PVRow:
        if (!Has(out.pvs, ref.name)) missing = "no PV row named '" + ref.name + "'";
        break;
    case RefKind::PlantBlock:
        if (!Has(out.plant, ref.name)) missing = "no plant block named '" + ref.name + "'";
        break;
    case RefKind::PlantSource: {
        size_t colon = ref.name.find(':');
        std::string prefix = ref.name.substr(0, colon == std::string::npos ? 0 : colon);
        std::string name = colon == std::string::npos ? "" : ref.name.substr(colon + 1);
        bool found = (prefix == "op" && Has(out.controllers, name)) ||
                     (prefix == "import" && Has(out.imports, name)) ||
                     (prefix == "plant" && Has(out.plant, name));
        if (prefix != "op" && prefix != "import" && prefix != "plant")
            missing = "'" + ref.name + "' must be op:LOOP, import:ROW or plant:BLOCK";
        else if (!found)
            missing = "nothing named '" + name + "' for '" + ref.name + "'";
        break;
    }
    }
    return missing;
}

// Fault windows within the run; an array_status fault without a tag takes
// the PV array tag.
void CheckFaults(Context& ctx, Scenario& out, const Definitions& defined)
{
    for (RunFault& fault : out.run.faults) {
        if (!InRange(fault.at, 0.0, out.run.duration))
            ctx.Error(fault.pos,
                      RangeMessage("'at' of [[run.fault]]", fault.at, 0.0, out.run.duration, "s"));
        else if (!fault.open_ended && !InRange(fault.until, fault.at, out.run.duration))
            ctx.Error(fault.pos, RangeMessage("'until' of [[run.fault]]", fault.until, fault.at,
                                              out.run.duration, "s"));
        if (fault.kind == FaultKind::ArrayStatus && fault.tag.empty()) {
            fault.tag = out.pv_array_tag;
            if (!defined.arrays.count(fault.tag))
                ctx.Error(fault.pos,
                          "an array_status fault needs [host] pv_array_tag to name "
                          "an array of the control system");
        }
    }
}

// A window [at, until] within the run; a ramp that ends within the window.
void CheckWindow(Context& ctx, const std::string& table, SourcePos pos, double at, double until,
                 bool open_ended, double duration)
{
    if (!InRange(at, 0.0, duration))
        ctx.Error(pos, RangeMessage("'at' of " + table, at, 0.0, duration, "s"));
    else if (!open_ended && !InRange(until, at, duration))
        ctx.Error(pos, RangeMessage("'until' of " + table, until, at, duration, "s"));
}

void CheckUpsets(Context& ctx, const Scenario& out)
{
    const double duration = out.run.duration;
    for (const RunMalfunction& m : out.run.malfunctions)
        CheckWindow(ctx, "[[run.malfunction]]", m.pos, m.at, m.until, false, duration);
    for (const RunDisturbance& d : out.run.disturbances) {
        CheckWindow(ctx, "[[run.disturbance]]", d.pos, d.at, d.until, d.open_ended, duration);
        double end = d.open_ended ? duration : d.until;
        if (d.ramp > 0.0 && InRange(d.at, 0.0, end) && d.ramp > end - d.at)
            ctx.Error(d.pos, RangeMessage("'ramp' of [[run.disturbance]]", d.ramp, 0.0, end - d.at,
                                          "s", "(it must end within its window)"));
    }
}

// Events within the run, each value within its tag's type.
void CheckEvents(Context& ctx, const Scenario& out, const Definitions& defined)
{
    for (const RunEvent& event : out.run.events) {
        if (!InRange(event.at, 0.0, out.run.duration))
            ctx.Error(event.pos, RangeMessage("'at' of [[run.event]]", event.at, 0.0,
                                              out.run.duration, "s", "(the run's length)"));
        auto tag = defined.tags.find(event.tag);
        bool is_int = tag != defined.tags.end() && tag->second == TagType::Int;
        double bound = is_int ? 2147483647.0 : limits::kMaxFloat;
        if (tag != defined.tags.end() && !InRange(event.value, is_int ? -bound - 1 : -bound, bound))
            ctx.Error(event.pos,
                      RangeMessage("'value' of [[run.event]] for tag '" + event.tag + "'",
                                   event.value, is_int ? -bound - 1 : -bound, bound));
        else if (is_int && event.value != std::trunc(event.value))
            ctx.Error(
                event.value_pos,
                NotWhole("'value' of [[run.event]] for int tag '" + event.tag + "'", event.value));
    }
}

// What is sized or repeated per step: dead-time lines, PID scans.
void CheckAgainstStep(Context& ctx, const Scenario& out)
{
    const double step = out.run.step;
    if (!InRange(step, limits::kMinStep, limits::kMaxStep)) return;  // reported already
    double total = 0.0;
    for (const PlantBlockDef& block : out.plant) {
        if (block.kind != BlockKind::FirstOrder) continue;
        double steps = std::round(block.dead_time / step);
        total += steps;
        if (steps > limits::kMaxDelaySteps)
            ctx.Error(block.dead_time_pos,
                      RangeMessage("'dead_time' of block " + block.name, block.dead_time, 0.0,
                                   limits::kMaxDelaySteps * step, "s",
                                   "(a million steps of " + NumberText(step) + " s)"));
    }
    if (total > limits::kMaxDelayTotal)
        ctx.Error(SourcePos{}, "the dead times of all blocks together take " + NumberText(total) +
                                   " steps of " + NumberText(step) + " s; they may take at most " +
                                   NumberText(limits::kMaxDelayTotal));
    for (const SysPid& pid : out.pids) {
        double lo = step / limits::kMaxScansPerStep;
        if (pid.scan < lo)
            ctx.Error(pid.scan_pos,
                      RangeMessage("'scan' of PID " + pid.name, pid.scan, lo, limits::kMaxStep, "s",
                                   "(at most 1000 scans per step)"));
    }
    // A read later than the step would fall into the next one.
    if (out.read_jitter_ms > 0.0 && out.read_jitter_ms >= step * 1000.0)
        ctx.Error(out.read_jitter_pos, "'read_jitter_ms' in [system] is " +
                                           NumberText(out.read_jitter_ms) +
                                           " ms; it must lie from 0 to below the step (" +
                                           NumberText(step * 1000.0) + " ms)");
}

template <typename T>
void CheckRowCount(Context& ctx, const std::vector<T>& rows, const char* table)
{
    if (rows.size() > static_cast<size_t>(limits::kMaxRows))
        ctx.Error(rows[static_cast<size_t>(limits::kMaxRows)].pos,
                  std::string(table) + " has " + std::to_string(rows.size()) +
                      " rows; the driver binds at most " + std::to_string(limits::kMaxRows));
}

void CheckRowCounts(Context& ctx, const Scenario& out)
{
    CheckRowCount(ctx, out.controllers, "[[host.controller]]");
    CheckRowCount(ctx, out.pvs, "[[host.pv]]");
    CheckRowCount(ctx, out.imports, "[[host.import]]");
}

}  // namespace

void Reader::CrossCheck()
{
    Definitions defined = DefineTags(ctx, out);
    CheckNamesUnique(ctx, out);
    for (const Reference& ref : refs) {
        std::string missing = Unresolved(ref, defined, out);
        if (!missing.empty()) ctx.Error(ref.pos, ref.what + ": " + missing);
    }
    CheckFaults(ctx, out, defined);
    CheckEvents(ctx, out, defined);
    CheckUpsets(ctx, out);
    CheckAgainstStep(ctx, out);
    CheckRowCounts(ctx, out);
}
