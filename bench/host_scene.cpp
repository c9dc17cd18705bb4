#include "bench/host_scene.h"

#include "dcshost/commands/generate.h"
#include "module/driver_loader.h"

namespace {

std::unique_ptr<HostScene> g_scene;
int g_rows = 0;

// Every kind of malfunction in turn, one on each PV row, and a ramp on every
// block, all acting from the start to the end.
std::string EveryUpset(const Scenario& s)
{
    static const char* const kKinds[] = {"freeze", "offset",    "drift",
                                         "fixed",  "fail_high", "fail_low"};
    static const char* const kNumbers[] = {"",           "value = 1.5", "rate = 0.01",
                                           "value = 40", "hi = 100",    "lo = 0"};
    std::string text;
    const std::string until = std::to_string(s.run.duration);
    for (size_t i = 0; i < s.pvs.size(); ++i) {
        const size_t k = i % 6;
        text += "[[run.malfunction]]\nat = 0.0\nuntil = " + until + "\npv = \"" + s.pvs[i].name +
                "\"\nkind = \"" + kKinds[k] + "\"\n" + kNumbers[k] + "\n";
    }
    for (const PlantBlockDef& block : s.plant)
        text += "[[run.disturbance]]\nat = 0.0\nblock = \"" + block.name +
                "\"\nvalue = 2.0\nramp = 60.0\n";
    return text;
}

bool Parse(const std::string& text, Scenario& out, std::string& error)
{
    std::vector<ScenarioError> errors;
    if (ParseScenario(text, "generated", out, errors)) return true;
    error = errors.empty() ? "the scenario does not read" : FormatScenarioError(errors.front());
    return false;
}

bool Build(HostScene& s, int rows, std::string& error)
{
    const std::string text = GenerateScaleScenario(rows);
    if (!Parse(text, s.scenario, error) || !Parse(text + EveryUpset(s.scenario), s.upset, error))
        return false;
    if (s.session.Open(s.scenario, DefaultDriverPath()) != kExitClean) {
        error = "the session did not open";
        return false;
    }
    s.session.Log().SetPrinting(false);
    s.session.Log().SetWatch([&s](const ReceivedMessage& m) { s.coupling.Note(m); });
    NameRows(s.scenario, s.wiring);
    if (!s.plant.Build(s.scenario.plant, s.wiring.loop_names, s.wiring.import_names, error) ||
        !Wire(s.scenario, s.plant, s.wiring, error))
        return false;
    s.signals.op_percent.assign(s.scenario.controllers.size(), 0.0);
    s.signals.imports.assign(s.scenario.imports.size(), 0.0);
    s.loops.resize(s.scenario.controllers.size());
    s.imports.resize(s.scenario.imports.size());
    s.none = Upsets(s.scenario, s.plant, s.wiring);
    s.every = Upsets(s.upset, s.plant, s.wiring);
    HostBlock& block = s.session.Block();
    Gather(block, s.signals);
    s.plant.Start(s.scenario.run.step, s.signals);
    s.none.Export(0.0, block, s.plant, s.wiring, s.signals, nullptr);
    if (s.session.Configure(false) != 1) {
        error = "DCSConfigure did not bind every tag";
        return false;
    }
    s.values.Setup(s.scenario);
    s.values.Attach();
    s.session.Call(REC_INITIALIZE);
    s.session.Call(REC_START);
    s.figures.Setup(s.loops.size(), 2.0);
    ResetTrends(s);
    return true;
}

}  // namespace

HostScene* EnterHostScene(int rows, std::string& error)
{
    if (g_scene && g_rows == rows) return g_scene.get();
    LeaveHostScene();
    g_scene = std::make_unique<HostScene>();
    g_rows = rows;
    if (Build(*g_scene, rows, error)) return g_scene.get();
    LeaveHostScene();
    return nullptr;
}

void LeaveHostScene()
{
    if (!g_scene) return;
    g_scene->values.Detach();
    g_scene->session.Log().SetWatch(nullptr);
    g_scene->session.Call(REC_STOP);
    g_scene->session.Call(REC_RESET);
    g_scene.reset();
    g_rows = 0;
}

void ResetTrends(HostScene& s)
{
    s.trend.Setup(s.wiring.loop_names, s.wiring.import_names, true, true);
    s.samples = 0;
}

void SampleTrends(HostScene& s, double time)
{
    SampleLoops(s.session.Block(), s.wiring, s.loops, s.imports);
    s.figures.Add(time, s.scenario.run.step, s.loops);
    s.trend.Sample(time, s.loops, s.imports, 0, true, 0);
    ++s.samples;
}
