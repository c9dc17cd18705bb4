#include "dcshost/run.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "dcshost/control_system.h"
#include "dcshost/plant.h"
#include "dcshost/progress.h"
#include "dcshost/session.h"
#include "dcshost/trend.h"
#include "standins/vnxsim/vnxsim.h"

namespace {

template <typename T>
int IndexByName(const std::vector<T>& items, const std::string& name) {
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].name == name) return static_cast<int>(i);
    return -1;
}

// The wiring of one run: which PV row is each loop's PV, where each PV row's
// value comes from, and each loop's mode tag.
struct Wiring {
    std::vector<int> loop_pv;                // PV row per loop, -1: none
    std::vector<std::string> mode_tags;      // per loop
    std::vector<int> pv_source;              // per PV row: index into sources, -1: constant
    std::vector<PlantSource> sources;
    std::vector<std::string> loop_names, import_names;
};

bool Wire(const Scenario& scenario, const Plant& plant, Wiring& wiring, std::string& error) {
    for (const CtrlRowDef& loop : scenario.controllers) {
        wiring.loop_names.push_back(loop.name);
        wiring.loop_pv.push_back(loop.pv.empty() ? -1 : IndexByName(scenario.pvs, loop.pv));
        const std::string* mode = FindCell(loop.cells, "Mode TAG");
        wiring.mode_tags.push_back(mode ? *mode : std::string());
    }
    for (const ImportRowDef& row : scenario.imports) wiring.import_names.push_back(row.name);
    for (const PVRowDef& row : scenario.pvs) {
        if (row.from.empty()) {
            wiring.pv_source.push_back(-1);
            continue;
        }
        PlantSource source;
        if (!plant.Resolve(row.from, source)) {
            error = "PV " + row.name + ": nothing named by '" + row.from + "'";
            return false;
        }
        wiring.pv_source.push_back(static_cast<int>(wiring.sources.size()));
        wiring.sources.push_back(source);
    }
    return true;
}

void Gather(HostBlock& block, PlantSignals& signals) {
    for (size_t i = 0; i < signals.op_percent.size(); ++i)
        signals.op_percent[i] = block.Ctrl(static_cast<int>(i)).OP * 100.0;
    for (size_t i = 0; i < signals.imports.size(); ++i)
        signals.imports[i] = block.Import(static_cast<int>(i)).Value;
}

// The host's side of a step: the plant's outputs into the PV rows.
void ExportPVs(HostBlock& block, const Plant& plant, const Wiring& wiring,
               const PlantSignals& signals) {
    for (size_t i = 0; i < wiring.pv_source.size(); ++i) {
        int source = wiring.pv_source[i];
        if (source >= 0)
            block.PV(static_cast<int>(i)).Value =
                plant.Value(wiring.sources[static_cast<size_t>(source)], signals);
    }
}

void SampleLoops(HostBlock& block, const Wiring& wiring, std::vector<LoopSample>& loops,
                 std::vector<double>& imports) {
    for (size_t i = 0; i < loops.size(); ++i) {
        const DCSCtrlRow& row = block.Ctrl(static_cast<int>(i));
        int pv = wiring.loop_pv[i];
        loops[i].pv = pv >= 0 ? block.PV(pv).Value : NAN;
        loops[i].sp = row.SP;
        loops[i].op = row.OP * 100.0;
        loops[i].mode = static_cast<int>(ReadSystemValue(wiring.mode_tags[i]));
    }
    for (size_t i = 0; i < imports.size(); ++i) imports[i] = block.Import(static_cast<int>(i)).Value;
}

std::string MessageCounts(const std::vector<ReceivedMessage>& messages) {
    std::map<std::string, int> counts;
    for (const ReceivedMessage& message : messages) ++counts[message.key];
    std::string text;
    for (const auto& entry : counts)
        text += (text.empty() ? "" : ", ") + entry.first + " x" + std::to_string(entry.second);
    return text;
}

}  // namespace

double ErrorPercent(double pv, double sp) {
    double scale = std::fabs(sp) > 0.0 ? std::fabs(sp) : 1.0;
    return std::fabs(pv - sp) / scale * 100.0;
}

bool LoopSettled(const LoopResult& loop, double tolerance) {
    if (!loop.active || !loop.has_pv) return true;
    return std::isfinite(loop.error_percent) && loop.error_percent <= tolerance;
}

std::string FormatLoopTable(const std::vector<LoopResult>& loops, size_t max_lines) {
    std::vector<const LoopResult*> shown;
    for (const LoopResult& loop : loops) shown.push_back(&loop);
    if (shown.size() > max_lines) {
        auto worse = [](const LoopResult* a, const LoopResult* b) {
            double ea = a->has_pv && a->active ? a->error_percent : -1.0;
            double eb = b->has_pv && b->active ? b->error_percent : -1.0;
            return ea > eb || (std::isnan(ea) && !std::isnan(eb));
        };
        std::stable_sort(shown.begin(), shown.end(), worse);
        shown.resize(max_lines);
    }
    size_t width = 8;
    for (const LoopResult* loop : shown) width = std::max(width, loop->name.size());
    int w = static_cast<int>(width);
    std::string out;
    char line[512];
    if (shown.size() < loops.size()) {
        std::snprintf(line, sizeof line, "  %zu loops; the %zu farthest from their setpoints:\n",
                      loops.size(), shown.size());
        out += line;
    }
    std::snprintf(line, sizeof line, "  %-*s  %-6s  %12s  %12s  %9s  %7s\n", w, "loop", "mode", "SP",
                  "PV", "error", "OP %");
    out += line;
    for (const LoopResult* loop : shown) {
        const char* mode = !loop->active ? "off" : (loop->mode == 1 ? "auto" : "manual");
        if (loop->has_pv) {
            std::snprintf(line, sizeof line, "  %-*s  %-6s  %12.6g  %12.6g  %7.3f %%  %7.2f\n", w,
                          loop->name.c_str(), mode, loop->sp, loop->pv, loop->error_percent,
                          loop->op_percent);
        } else {
            std::snprintf(line, sizeof line, "  %-*s  %-6s  %12.6g  %12s  %9s  %7.2f\n", w,
                          loop->name.c_str(), mode, loop->sp, "-", "-", loop->op_percent);
        }
        out += line;
    }
    return out;
}

int RunScenario(const Scenario& scenario_in, const RunOptions& options) {
    Scenario scenario = scenario_in;
    if (options.duration > 0) scenario.run.duration = options.duration;
    const double step = scenario.run.step;
    const int steps = static_cast<int>(std::lround(scenario.run.duration / step));

    std::printf("scenario: %s (%s)\n", scenario.title.empty() ? "untitled" : scenario.title.c_str(),
                scenario.file.c_str());
    std::printf("tables: %zu controllers, %zu PV exports, %zu PV imports; %d steps of %g s\n",
                scenario.controllers.size(), scenario.pvs.size(), scenario.imports.size(), steps,
                step);
    std::printf("driver: %s\n", options.driver_path.c_str());
    std::fflush(stdout);

    Session session;
    int opened = session.Open(scenario, options.driver_path);
    if (opened != kExitClean) return opened;
    const DriverEntryPoints& api = session.Api();
    DCSData* data = session.Data();
    HostBlock& block = session.Block();

    Plant plant;
    Wiring wiring;
    std::string error;
    std::vector<std::string> loop_names, import_names;
    for (const CtrlRowDef& loop : scenario.controllers) loop_names.push_back(loop.name);
    for (const ImportRowDef& row : scenario.imports) import_names.push_back(row.name);
    if (!plant.Build(scenario.plant, loop_names, import_names, error) ||
        !Wire(scenario, plant, wiring, error)) {
        std::fprintf(stderr, "%s: %s\n", scenario.file.c_str(), error.c_str());
        return kExitBadScenario;
    }
    PlantSignals signals;
    signals.op_percent.assign(scenario.controllers.size(), 0.0);
    signals.imports.assign(scenario.imports.size(), 0.0);
    Gather(block, signals);
    plant.Start(step, signals);
    ExportPVs(block, plant, wiring, signals);

    Progress progress(Progress::StdoutIsTerminal());
    progress.BeginConfigure("DCSConfigure");
    int32_t configured = api.Configure(data);
    progress.EndConfigure();
    if (configured != 1) {
        std::printf("DCSConfigure failed (result %d); the driver has released everything\n",
                    configured);
        Leftovers left = session.Close();
        std::printf("%s\n", DescribeLeftovers(left).c_str());
        return kExitConfigureFailed;
    }
    std::printf("DCSConfigure: every tag bound\n");
    api.Initialize(data);
    api.Start(data);
    std::printf("DCSInitialize, DCSStart: starting values written, controllers switched on\n");
    std::fflush(stdout);

    Trend trend;
    if (options.trends) trend.Setup(wiring.loop_names, wiring.import_names);
    std::vector<LoopSample> loop_samples(scenario.controllers.size());
    std::vector<double> import_samples(scenario.imports.size());
    OperatorEvents events(scenario);
    events.ApplyDue(0.0);
    if (options.trends) {
        SampleLoops(block, wiring, loop_samples, import_samples);
        trend.Sample(0.0, loop_samples, import_samples);
    }

    // One host step: the plant moves on what the host last read, the driver
    // sends its PVs and reads OP and SP, then the control system's blocks
    // scan on those PVs. An output therefore reaches the plant one step after
    // the scan that made it, as with a real sampled coupling.
    progress.BeginRun(steps, step, scenario.run.progress_every);
    for (int k = 1; k <= steps; ++k) {
        Gather(block, signals);
        plant.Advance(signals);
        ExportPVs(block, plant, wiring, signals);
        api.Simulate(data);
        VnxSimAdvance(step);
        events.ApplyDue(k * step);
        if (options.trends) {
            SampleLoops(block, wiring, loop_samples, import_samples);
            trend.Sample(k * step, loop_samples, import_samples);
        }
        progress.RunStep(k);
    }
    progress.EndRun();

    std::vector<LoopResult> results;
    SampleLoops(block, wiring, loop_samples, import_samples);
    for (size_t i = 0; i < scenario.controllers.size(); ++i) {
        LoopResult loop;
        loop.name = scenario.controllers[i].name;
        loop.active = scenario.controllers[i].active;
        loop.has_pv = wiring.loop_pv[i] >= 0;
        loop.sp = loop_samples[i].sp;
        loop.pv = loop_samples[i].pv;
        loop.op_percent = loop_samples[i].op;
        loop.mode = loop_samples[i].mode;
        loop.error_percent = loop.has_pv ? ErrorPercent(loop.pv, loop.sp) : 0.0;
        results.push_back(loop);
    }

    api.Stop(data);
    api.Reset(data);
    std::printf("DCSStop, DCSReset, DCSDestroy, FreeDCSData\n");
    size_t message_count = session.Log().All().size();
    std::string message_counts = MessageCounts(session.Log().All());
    Leftovers left = session.Close();

    std::printf("\nsummary after %g s:\n%s", steps * step, FormatLoopTable(results).c_str());
    const size_t kImportLines = 10;
    for (size_t i = 0; i < scenario.imports.size() && i < kImportLines; ++i)
        std::printf("  imported %-12s %g\n", scenario.imports[i].name.c_str(), import_samples[i]);
    if (scenario.imports.size() > kImportLines)
        std::printf("  ... and %zu more imports (every value is in the CSV)\n",
                    scenario.imports.size() - kImportLines);
    std::printf("host messages: %zu%s%s\n", message_count, message_count ? " - " : "",
                message_counts.c_str());
    std::printf("%s\n", DescribeLeftovers(left).c_str());

    bool settled = true;
    if (options.settle_tolerance >= 0) {
        int judged = 0, good = 0;
        for (const LoopResult& loop : results) {
            if (!loop.active || !loop.has_pv) continue;
            ++judged;
            if (LoopSettled(loop, options.settle_tolerance)) ++good;
            else std::printf("loop %s ended %.3f %% off its setpoint\n", loop.name.c_str(),
                             loop.error_percent);
        }
        settled = good == judged;
        std::printf("loops within %g %% of their setpoint: %d of %d\n", options.settle_tolerance,
                    good, judged);
    }

    bool written = true;
    if (options.trends) {
        std::string stem = options.out_dir + "/" + options.out_name;
        std::string csv = stem + ".trend.csv", svg = stem + ".trend.svg";
        std::string title = scenario.title.empty() ? options.out_name : scenario.title;
        written = trend.WriteCsv(csv, error) && trend.WriteSvg(svg, title, options.chart_loops, error);
        if (written) std::printf("trends: %s, %s\n", csv.c_str(), svg.c_str());
        else std::fprintf(stderr, "dcshost: %s\n", error.c_str());
    }

    bool clean = message_count == 0 && left.Clean() && settled && written;
    std::printf("run: %s\n", clean ? "clean" : "NOT clean");
    return clean ? kExitClean : kExitNotClean;
}
