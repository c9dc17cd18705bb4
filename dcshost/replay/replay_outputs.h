// What a replay writes as run does, as far as a recording gives it: per
// controller row its SP and OP and, as in a live run, the mode its Active
// asks for (the plant's PV of a loop is a scenario's, which a recording does
// not hold); per import row its value; the spans without coupling, judged
// from the driver's list-read reports as run judges them. Loops and imports
// are named by their rows' tag cells.
#pragma once

#include <string>
#include <vector>

#include "dcshost/host/coupling.h"
#include "dcshost/host/host_block.h"
#include "dcshost/host/session.h"
#include "dcshost/outputs/figures.h"
#include "dcshost/outputs/output_plan.h"
#include "dcshost/outputs/summary.h"
#include "dcshost/outputs/trend.h"
#include "dcshost/replay/replay.h"
#include "dcshost/scenario/scenario.h"
#include "dcshost/verdict.h"

// The files a replay writes and those it reads. Its trends have a stem of
// their own, NAME.replay (NAME: --name, or the recording's): a replay never
// replaces the trends of the run it was recorded from.
OutputPlan PlanReplayFiles(const ReplayOptions& options);

class ReplayOutputs {
public:
    // Around each DCSSimulate, with the host messages in between; the rows
    // are named at the first.
    void BeginStep(HostBlock& block);
    void Note(const ReceivedMessage& message) { coupling_.Note(message); }
    void EndStep(double time, HostBlock& block);
    // Without trends to write, no step is kept: a long replay's memory stays flat.
    void KeepTrend(bool keep) { keep_trend_ = keep; }
    int Steps() const { return steps_; }

    // The loop table, the imports and the host messages, as run prints them.
    std::string Summary(const std::vector<MessageGroup>& messages, size_t total) const;
    // The trends and the result for machines (run's fields as far as a
    // replay has them), each file on its own: each written one said, each
    // not written named with the system's reason and found unwritten.
    // `member` is one more member of the result's object (`"recording": {...}`).
    void WriteFiles(const ReplayOptions& options, Findings& found,
                    const std::vector<MessageGroup>& messages, size_t total, const Leftovers& left,
                    const std::string& member) const;

private:
    void Name(HostBlock& block);
    std::string Json(const std::string& recording, const Verdict& verdict,
                     const std::vector<MessageGroup>& messages, size_t total,
                     const Leftovers& left) const;

    bool named_ = false;
    bool keep_trend_ = true;
    int steps_ = 0;
    double last_time_ = 0.0;
    double step_ = 1.0;
    Trend trend_;
    CouplingWatch coupling_;
    FigureTracker figures_;
    Scenario scenario_;  // the names and the times, for the result
    std::vector<LoopSample> loops_;
    std::vector<double> imports_;
    std::vector<LoopResult> results_;
};
