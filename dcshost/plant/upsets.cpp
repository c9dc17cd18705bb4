#include "dcshost/plant/upsets.h"

#include <algorithm>
#include <cmath>

#include "dcshost/control/call_log.h"
#include "dcshost/control/faults.h"
#include "dcshost/scenario/limits.h"

namespace {

std::string WindowText(double at, double until, bool open_ended)
{
    return " from " + NumberText(at) + " s" +
           (open_ended ? " to the end" : " until " + NumberText(until) + " s");
}

// Per plant block, the loops whose PV reads it or a block it feeds: one walk
// up the plant per loop, so a scenario of thousands of blocks is set up at once.
std::vector<std::vector<size_t>> LoopsOfBlocks(const Plant& plant, const Wiring& wiring)
{
    const size_t blocks = static_cast<size_t>(plant.Count());
    std::vector<std::vector<size_t>> loops(blocks);
    std::vector<unsigned char> upstream;
    for (size_t i = 0; i < wiring.loop_pv.size(); ++i) {
        const int row = wiring.loop_pv[i];
        const int from = row < 0 ? -1 : wiring.pv_source[static_cast<size_t>(row)];
        if (from < 0) continue;
        const PlantSource& read = wiring.sources[static_cast<size_t>(from)];
        if (read.kind != PlantSource::Block) continue;
        upstream.assign(blocks, 0);
        plant.MarkUpstream(read.index, upstream);
        for (size_t b = 0; b < blocks; ++b)
            if (upstream[b]) loops[b].push_back(i);
    }
    return loops;
}

}  // namespace

Upsets::Upsets(const Scenario& scenario, const Plant& plant, const Wiring& wiring)
    : noise_(scenario, wiring), hit_(wiring.loop_pv.size(), 0)
{
    for (const PVRowDef& row : scenario.pvs) constants_.push_back(row.value);
    for (const RunMalfunction& def : scenario.run.malfunctions) {
        Malfunction m;
        m.def = def;
        m.window = Window{def.at, def.until, false, false, 0, Describe(def), {}};
        for (size_t i = 0; i < scenario.pvs.size(); ++i)
            if (scenario.pvs[i].name == def.pv) m.row = static_cast<int>(i);
        m.constant = wiring.pv_source[static_cast<size_t>(m.row)] < 0;
        for (size_t i = 0; i < wiring.loop_pv.size(); ++i)
            if (wiring.loop_pv[i] == m.row) m.window.loops.push_back(i);
        malfunctions_.push_back(m);
    }
    added_.assign(static_cast<size_t>(plant.Count()), 0.0);
    const std::vector<std::vector<size_t>> loops_of_block = LoopsOfBlocks(plant, wiring);
    for (const RunDisturbance& def : scenario.run.disturbances) {
        Disturbance d;
        d.def = def;
        d.window = Window{def.at, def.until, def.open_ended, false, 0, Describe(def), {}};
        PlantSource source;
        plant.Resolve("plant:" + def.block, source);
        d.block = source.index;
        d.window.loops = loops_of_block[static_cast<size_t>(d.block)];
        disturbances_.push_back(d);
    }
}

bool Upsets::Window::Due(double time, const char* who, CallLog* calls,
                         std::vector<unsigned char>& hit)
{
    bool due = time >= at - kFaultSlack && (open_ended || time < until - kFaultSlack);
    if (due != open && calls) calls->Line(who, (due ? "start " : "end ") + text);
    open = due;
    steps += due ? 1 : 0;
    if (due)
        for (size_t i : loops) hit[i] = 1;
    return due;
}

void Upsets::Export(double time, HostBlock& block, Plant& plant, const Wiring& wiring,
                    const PlantSignals& signals, CallLog* calls)
{
    active_ = 0;
    std::fill(hit_.begin(), hit_.end(), 0);
    // Disturbances of one block add up.
    for (const Disturbance& d : disturbances_) added_[static_cast<size_t>(d.block)] = 0.0;
    for (Disturbance& d : disturbances_) {
        if (!d.window.Due(time, "disturbance", calls, hit_)) continue;
        ++active_;
        double share = d.def.ramp > 0.0 ? std::min(1.0, (time - d.def.at) / d.def.ramp) : 1.0;
        added_[static_cast<size_t>(d.block)] += d.def.value * std::max(share, 0.0);
    }
    for (const Disturbance& d : disturbances_)
        plant.SetAdded(d.block, added_[static_cast<size_t>(d.block)]);
    ExportPVs(block, plant, wiring, signals);
    noise_.Add(block);
    // A row without a plant source is written only here: back to its value
    // first, so malfunctions on one row add up and end without a trace.
    for (const Malfunction& m : malfunctions_)
        if (m.constant) block.PV(m.row).Value = constants_[static_cast<size_t>(m.row)];
    for (Malfunction& m : malfunctions_) {
        const bool was_open = m.window.open;
        double& value = block.PV(m.row).Value;
        if (!m.window.Due(time, "malfunction", calls, hit_)) continue;
        ++active_;
        if (!was_open) m.held = value;
        switch (m.def.kind) {
        case MalfunctionKind::Freeze:
            value = m.held;
            break;
        case MalfunctionKind::Offset:
            value += m.def.value;
            break;
        case MalfunctionKind::Drift:
            value += m.def.rate * (time - m.def.at);
            break;
        case MalfunctionKind::Fixed:
        case MalfunctionKind::FailHigh:
        case MalfunctionKind::FailLow:
            value = m.def.value;
            break;
        }
    }
}

std::string Upsets::Describe(const RunMalfunction& m)
{
    std::string text = m.kind_name + " " + m.pv;
    switch (m.kind) {
    case MalfunctionKind::Freeze:
        return text;
    case MalfunctionKind::Offset:
        return text + (m.value < 0 ? " - " : " + ") + NumberText(std::fabs(m.value));
    case MalfunctionKind::Drift:
        return text + (m.rate < 0 ? " - " : " + ") + NumberText(std::fabs(m.rate)) + " per s";
    case MalfunctionKind::Fixed:
    case MalfunctionKind::FailHigh:
    case MalfunctionKind::FailLow:
        return text + " = " + NumberText(m.value);
    }
    return text;
}

std::string Upsets::Describe(const RunDisturbance& d)
{
    return d.block + (d.value < 0 ? " - " : " + ") + NumberText(std::fabs(d.value)) +
           (d.ramp > 0.0 ? " over " + NumberText(d.ramp) + " s" : "");
}

void Upsets::Line(std::vector<std::string>& lines, const std::string& what, const Window& w,
                  double end) const
{
    std::string line = what + WindowText(w.at, w.until, w.open_ended);
    if (w.CutAt(end)) line += " (cut at " + NumberText(end) + " s)";
    line += ": acted on " + std::to_string(w.steps) + (w.steps == 1 ? " step" : " steps");
    if (w.steps == 0) line += ", NOT as asked: no step fell in its window";
    lines.push_back(line);
}

std::vector<std::string> Upsets::Summary(double end) const
{
    std::vector<std::string> lines;
    for (const Malfunction& m : malfunctions_)
        Line(lines, "malfunction: " + m.window.text, m.window, end);
    for (const Disturbance& d : disturbances_)
        Line(lines, "disturbance: " + d.window.text, d.window, end);
    return lines;
}

std::vector<UpsetOutcome> Upsets::Outcomes(double end) const
{
    std::vector<UpsetOutcome> outcomes;
    auto add = [&](const Window& w) { outcomes.push_back({w.steps, w.CutAt(end) ? end : -1.0}); };
    for (const Malfunction& m : malfunctions_) add(m.window);
    for (const Disturbance& d : disturbances_) add(d.window);
    return outcomes;
}

bool Upsets::Acted(const std::vector<UpsetOutcome>& outcomes)
{
    for (const UpsetOutcome& outcome : outcomes)
        if (outcome.steps == 0) return false;
    return true;
}

std::vector<std::string> Upsets::Planned(const Scenario& scenario)
{
    std::vector<std::string> lines;
    for (const RunMalfunction& m : scenario.run.malfunctions)
        lines.push_back("malfunction: " + Describe(m) + WindowText(m.at, m.until, false));
    for (const RunDisturbance& d : scenario.run.disturbances)
        lines.push_back("disturbance: " + Describe(d) + WindowText(d.at, d.until, d.open_ended));
    return lines;
}
