// The scenario's faults of the control system, applied when the run reaches
// their window and taken back when it ends: a tag's status, quality or IO
// status, failing list reads, the PV array tag's status, refused writes, and
// a restart that leaves every handle stale. Each but the restart is a
// scripted answer of the control system, so what it did can be counted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dcshost/scenario/scenario.h"

class CallLog;

// A small allowance so a window at a step's time is not missed by rounding.
constexpr double kFaultSlack = 1e-9;

// What one fault did in the run.
struct FaultOutcome {
    bool opened = false;
    int64_t acted = 0;   // calls the control system answered for it; -1 for a restart
    double cut_at = -1;  // the run's end inside the window; negative: not cut
};

class FaultSchedule {
public:
    FaultSchedule() = default;
    explicit FaultSchedule(const Scenario& scenario);
    // Opens and closes the windows due at or before `time`; each opening and
    // closing goes to the call log (when there is one).
    void ApplyDue(double time, CallLog* calls);
    // Faults whose window is open, and restarts of the last ApplyDue.
    int Active() const { return active_ + instant_; }
    bool Any() const { return !faults_.empty(); }
    // Each fault as the run ended at `end`; asked after the last entry point
    // a window may meet (DCSStop) and before the control system is released.
    std::vector<FaultOutcome> Outcomes(double end) const;

    // "quality FI102.PV = 1" for the log, the summary and the JSON result.
    static std::string Describe(const RunFault& fault);
    // The summary's line: the window, whether the run cut it or never reached
    // it, and how many calls the fault acted on.
    static std::string Summary(const RunFault& fault, const FaultOutcome& outcome, double end);
    // Whether the fault did what it was there for: a window that was reached
    // and acted on at least one call (a restart acts as it happens).
    static bool Acted(const RunFault& fault, const FaultOutcome& outcome);

private:
    struct Window {
        RunFault fault;
        int32_t rule = 0;   // its scripted answer while open; 0: none
        int64_t acted = 0;  // calls answered by its earlier rules
        bool open = false;
        bool done = false;
    };
    void Open(Window& window);
    void Close(Window& window);
    // Scripted answers cannot be taken back one by one: all are set again,
    // after what each answered so far is kept.
    void InjectOpen();

    std::vector<Window> faults_;
    int active_ = 0;
    int instant_ = 0;
};
