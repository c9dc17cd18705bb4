// The simulated control system's side of a scenario: its tag database, the
// PV export array and the PID blocks, built through the simulator's control
// API; and what an operator does there during the run (setpoint changes).
#pragma once

#include <string>
#include <vector>

#include "dcshost/scenario/scenario.h"

class CallLog;

// What of the scenario changes the control system, which a live run cannot
// do: "the [system] section and 2 operator events ([[run.event]])"; empty
// when nothing.
std::string ControlSystemChanges(const Scenario& scenario);

// Starts from a fresh control system. False when the simulator refuses a
// definition (a tag name it does not take, say), with where the scenario
// defines it.
bool BuildControlSystem(const Scenario& scenario, ScenarioError& error);

// The scenario's operator writes, applied when the run reaches their time.
class OperatorEvents {
public:
    explicit OperatorEvents(const Scenario& scenario);
    // Each event from now on is printed as it is applied, and goes to the
    // call log when there is one.
    void Report(CallLog* calls)
    {
        report_ = true;
        calls_ = calls;
    }
    // Applies every event due at or before `time`; returns how many.
    int ApplyDue(double time);

private:
    struct Due {
        RunEvent event;
        bool is_int;
    };
    std::vector<Due> events_;  // by time
    size_t next_ = 0;
    bool report_ = false;
    CallLog* calls_ = nullptr;
};

// A tag's committed value in the control system as a double (0 when unknown).
double ReadSystemValue(const std::string& tag);
