// calibrate in four steps: the outputs checked and the inputs read (the
// recording as a replay reads it, the base as run reads it), the loops found,
// each loop fitted and reported, the files written.
#include "dcshost/calibrate/calibrate.h"

#include <algorithm>
#include <cstdio>

#include "dcshost/calibrate/scenario_out.h"
#include "dcshost/exit_codes.h"
#include "dcshost/outputs/files.h"
#include "dcshost/outputs/output_plan.h"
#include "dcshost/scenario/limits.h"
#include "dcshost/verdict.h"

namespace {

int Refuse(const std::string& what)
{
    std::fprintf(stderr, "dcshost: calibrate: %s\n", what.c_str());
    return kExitBadScenario;
}

// BASE refused as run refuses a scenario; its text kept for --out.
bool LoadBase(const std::string& name, Scenario& base, std::string& text)
{
    std::vector<ScenarioError> errors;
    std::string error;
    if (LoadScenario(name, base, errors)) {
        if (name == "default") {
            text = DefaultScenarioText();
            return true;
        }
        if (ReadTextFile(name, limits::kMaxScenarioBytes, text, error) &&
            ParseScenario(text, name, base, errors))
            return true;
        if (!error.empty()) errors.push_back(ScenarioError{name, {}, error});
    }
    for (const ScenarioError& e : errors)
        std::fprintf(stderr, "%s\n", FormatScenarioError(e).c_str());
    return false;
}

void Fit(const CalibrateOptions& options, const Recorded& recorded, CalibratedLoop& loop)
{
    const LoopData data = LoopDataOf(recorded, loop.ref);
    loop.pid = FitPid(data);
    if (!options.plant || loop.pid.not_identifiable) return;
    loop.plant_fitted = true;
    loop.plant = FitPlant(data, loop.pid);
    if (!loop.plant.not_identifiable)
        loop.rehearsal_percent = RehearsalFitPercent(data, loop.pid, loop.plant);
}

// The fitted scenario, read back as run would read it before it is written.
int WriteScenario(const CalibrateOptions& options, const Recorded& recorded, const Scenario* base,
                  const std::string& base_text, const Calibration& c)
{
    std::vector<std::string> unwritten;
    const std::string text = base ? EditedBase(base_text, *base, c, options.plant, unwritten)
                                  : NewScenario(recorded, c, unwritten);
    for (const std::string& note : unwritten) std::printf("--out: %s\n", note.c_str());
    Scenario check;
    std::vector<ScenarioError> errors;
    std::string error;
    if (!ParseScenario(text, options.out, check, errors)) {
        for (const ScenarioError& e : errors)
            std::fprintf(stderr, "dcshost: %s\n", FormatScenarioError(e).c_str());
        std::fprintf(stderr, "dcshost: %s not written: run would not read it\n",
                     options.out.c_str());
        return kExitFileUnwritten;
    }
    if (!WriteTextFile(options.out, text, error)) {
        std::fprintf(stderr, "dcshost: %s; not written\n", error.c_str());
        return kExitFileUnwritten;
    }
    std::printf("fitted scenario: %s\n", options.out.c_str());
    return kExitClean;
}

}  // namespace

LoopData LoopDataOf(const Recorded& recorded, const LoopRef& loop)
{
    LoopData data;
    data.name = loop.name;
    data.step = recorded.step;
    data.time = recorded.time;
    data.sp = recorded.sp[loop.ctrl];
    data.op = recorded.op[loop.ctrl];
    data.pv = recorded.pv[loop.pv];
    return data;
}

int CalibrateRecording(const CalibrateOptions& options)
{
    OutputPlan plan;
    plan.AddInput("REC", options.recording);
    if (options.base != "default") plan.AddInput("--scenario", options.base);
    plan.AddOutput("--out", options.out, true);
    plan.AddOutput("--json", options.json, true);
    std::string error, base_text;
    if (!plan.Check(options.force, error)) return Refuse(error);
    Scenario base;
    if (!options.base.empty() && !LoadBase(options.base, base, base_text)) return kExitBadScenario;
    Recorded recorded;
    if (!LoadRecorded(options.recording, options.step, recorded, error))
        return Refuse(options.recording + ": " + error);
    const Scenario* with = options.base.empty() ? nullptr : &base;
    if (with && !(error = BaseMismatch(base, recorded.tables)).empty())
        return Refuse("the base " + options.base +
                      " does not match the recording's tables: " + error);
    std::vector<LoopRef> loops;
    std::vector<std::string> notes;
    if (!FindLoops(recorded.tables, with, loops, notes, error)) return Refuse(error);
    const RecordingHeader& h = recorded.header;
    std::printf("recording: %s (format %d, %s, recorded by %s at %s): %lld steps of %g s (%s)\n",
                options.recording.c_str(), h.version, h.platform.c_str(), h.by.c_str(),
                h.start.c_str(), static_cast<long long>(recorded.steps), recorded.step,
                TimingName(recorded.timing));
    if (!recorded.cut.empty())
        std::printf(
            "the session ended without DCSDestroy: its recording is cut at %s; the "
            "steps before it are fitted\n",
            recorded.cut.c_str());
    if (options.step > 0.0 && recorded.timing != StepTiming::Given)
        std::printf("--step %g s not used: the recording's %s time its steps\n", options.step,
                    TimingName(recorded.timing));
    for (const std::string& note : notes) std::printf("%s\n", note.c_str());
    if (loops.empty())
        return Refuse("nothing to fit: no controller row makes a loop with a PV row");

    Calibration c{options.recording, recorded.steps, recorded.step, {}, kExitClean};
    Findings found;
    for (const LoopRef& ref : loops) {
        CalibratedLoop& loop = c.loops.emplace_back();
        loop.ref = ref;
        loop.sp_tag = recorded.tables.controllers[ref.ctrl].tags[CTRL_COL_SP];
        loop.op_tag = recorded.tables.controllers[ref.ctrl].tags[CTRL_COL_OP];
        loop.pv_tag = recorded.tables.pvs[ref.pv].tag;
        Fit(options, recorded, loop);
        std::printf("%s", LoopReport(loop, c.step).c_str());
        found.not_identifiable = found.not_identifiable || loop.pid.not_identifiable ||
                                 (loop.plant_fitted && loop.plant.not_identifiable);
    }
    const auto fitted = std::count_if(c.loops.begin(), c.loops.end(), [](const CalibratedLoop& l) {
        return !l.pid.not_identifiable;
    });
    std::printf("%d loops: %d fitted\n", static_cast<int>(c.loops.size()),
                static_cast<int>(fitted));
    found.file_unwritten =
        !options.out.empty() && WriteScenario(options, recorded, with, base_text, c) != kExitClean;
    c.exit_code = Judge(found).code;
    if (options.json.empty()) return c.exit_code;
    if (!WriteTextFile(options.json, CalibrationJson(c), error)) {
        std::fprintf(stderr, "dcshost: %s; not written\n", error.c_str());
        found.file_unwritten = true;
        return Judge(found).code;
    }
    std::printf("result: %s\n", options.json.c_str());
    return c.exit_code;
}
