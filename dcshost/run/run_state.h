// What one run holds, from the scenario to the verdict, and the steps that
// make it, shared by the run's files.
#pragma once

#include <string>
#include <vector>

#include "dcshost/control/control_api.h"
#include "dcshost/control/control_system.h"
#include "dcshost/control/fault_roles.h"
#include "dcshost/control/faults.h"
#include "dcshost/control/wiring_warnings.h"
#include "dcshost/host/coupling.h"
#include "dcshost/host/interrupt.h"
#include "dcshost/host/pacing.h"
#include "dcshost/host/progress.h"
#include "dcshost/host/recovery.h"
#include "dcshost/host/session.h"
#include "dcshost/host/value_watch.h"
#include "dcshost/outputs/compare.h"
#include "dcshost/outputs/figures.h"
#include "dcshost/outputs/files.h"
#include "dcshost/outputs/json_result.h"
#include "dcshost/outputs/made_folders.h"
#include "dcshost/outputs/output_plan.h"
#include "dcshost/outputs/trend.h"
#include "dcshost/plant/plant.h"
#include "dcshost/plant/upsets.h"
#include "dcshost/plant/wiring.h"
#include "dcshost/run/run.h"
#include "dcshost/scenario/limits.h"
#include "dcshost/verdict.h"

// Everything one run holds, from the scenario to the verdict.
struct RunState {
    Scenario scenario;
    const RunOptions& options;
    double step = 1.0;
    int steps = 0;
    CallLog calls;  // before the session: it outlives the session's last call
    Session session;
    Plant plant;
    Wiring wiring;
    PlantSignals signals;
    Trend trend;
    FigureTracker figures;
    std::vector<LoopSample> loop_samples;
    std::vector<double> import_samples;
    std::vector<LoopResult> results;
    Leftovers left;
    size_t message_count = 0;
    std::vector<MessageGroup> messages;
    bool settled = true;
    int steps_done = 0;
    bool interrupted = false;
    bool configure_failed = false;
    bool started = false;                   // DCSStart ran: DCSStop is due
    bool record = false;                    // trends kept in memory: to write, or to compare
    std::vector<size_t> trend_loops;        // the loops in the trends (--loops)
    std::vector<LoopSample> trend_samples;  // their samples of one step
    CsvTable reference;                     // --compare
    int compared = -1;                      // 1 within the band, 0 not; -1 not asked
    std::string deviation;                  // the first, or what could not be compared
    FaultSchedule faults;
    Upsets upsets;  // malfunctions and disturbances on the host's side
    std::vector<UpsetOutcome> upset_outcomes;
    std::vector<FaultOutcome> fault_outcomes;
    std::vector<std::string> warnings;  // wiring that cannot work
    ValueWatch values;                  // what the host sent that a float cannot carry
    CouplingWatch coupling;
    Recovery recovery;                  // --on-loss
    std::vector<LoopSample> exchanged;  // the loops as the last step that exchanged left them
    PaceFigures pacing;
    OutputPlan plan;          // the files to write and the inputs they must not name
    bool files_whole = true;  // every file asked for written whole
    bool csv_written = false;
    std::string written;                      // "trends: ..." and the like, said after the summary
    std::vector<unsigned char> trend_upsets;  // per trend loop: an upset acts on its PV
    MadeFolders made;                         // for the outputs; removed again when left empty

    RunState(const Scenario& s, const RunOptions& o) : scenario(s), options(o) {}
};

// The steps of a run, a file each, in the order run.cpp takes them.

// prepare.cpp: the loops in the trends, the run's length, the files and the
// reference, then the plant and its wiring; kExitBadScenario when refused.
int Prepare(RunState& run);
// bind.cpp: load, fill, DCSConfigure, DCSInitialize, DCSStart; the exit code
// of what stopped it, else kExitClean.
int Bind(RunState& run);
// step.cpp: the steps, then the host's end of the run: DCSStop to FreeDCSData.
void Execute(RunState& run);
void Finish(RunState& run);

// write.cpp: each file on its own.
// A file asked for and not written: named with the reason; the run is not clean.
void FileNotWritten(RunState& run, const std::string& error);
void WriteCallLog(RunState& run);
void WriteRecording(RunState& run);
void WriteTrends(RunState& run);
// --json, with the verdict so far; a file not written changes the verdict.
void WriteJson(RunState& run, const Verdict& verdict);

// judge.cpp
// The band the settling time is measured against: --require-settled's, or 2 %.
double SettleBand(const RunOptions& options);
// The summary on the console: messages, loops, figures, pacing and files.
void Summarize(RunState& run);
// --compare: the trends against the reference.
void Compare(RunState& run);
// What the run found, for the verdict.
Findings Found(const RunState& run);
