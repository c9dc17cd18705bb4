// The scenario's faults of the control system, applied when the run reaches
// their window and taken back when it ends: a tag's status, quality or IO
// status, failing list reads, the PV array tag's status, refused writes, and
// a restart that leaves every handle stale.
#pragma once

#include <string>
#include <vector>

#include "dcshost/scenario/scenario.h"

class CallLog;

class FaultSchedule {
public:
    explicit FaultSchedule(const Scenario& scenario);
    // Opens and closes the windows due at or before `time`; each opening and
    // closing goes to the call log (when there is one).
    void ApplyDue(double time, CallLog* calls);
    // Faults whose window is open, and restarts of the last ApplyDue.
    int Active() const { return active_ + instant_; }
    bool Any() const { return !faults_.empty(); }

    // "quality FI102.PV = 1" for the log, the summary and the JSON result.
    static std::string Describe(const RunFault& fault);

private:
    struct Window {
        RunFault fault;
        int restore = 0;  // the tag's condition before the window
        bool open = false;
        bool done = false;
    };
    void Open(Window& window);
    void Close(Window& window);
    // Scripted answers cannot be taken back one by one: all are set again.
    void InjectOpen();

    std::vector<Window> faults_;
    int active_ = 0;
    int instant_ = 0;
};
