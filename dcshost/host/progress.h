// Progress on the long waits: the driver's ten-second settle inside
// DCSConfigure and the run itself. The settle's seconds are seen through the
// control system's call hook (one ServiceEvents call per second); a live
// run's client library has none, so there they are the driver's sleeps
// (settle_wait.h). On a terminal one line is redrawn (console.h); otherwise
// lines are appended.
#pragma once

#include <cstdint>
#include <string>

#include "module/no_copy.h"

class Progress : NoCopy {
public:
    explicit Progress(bool terminal);
    ~Progress();

    // Whether standard output is a terminal.
    static bool StdoutIsTerminal();

    // Around DCSConfigure: the first ten ServiceEvents calls (live: sleeps)
    // are the settle.
    void BeginConfigure(const std::string& what);
    void EndConfigure();

    // The run (or what `what` names: a replay): a line every `every` steps
    // and at the last one, with the wall-clock seconds since the first step.
    void BeginRun(int total_steps, double step, int every, const char* what = "run");
    void RunStep(int step, double wall);
    void EndRun();

    // The settle counter as the hooks see it (for tests).
    void OnCall(int32_t op);
    void OnSleep();
    int SettleSeconds() const { return settle_; }

private:
    void Draw(const std::string& text, bool final_line);
    void Unhook();

    bool terminal_;
    bool configuring_ = false;
    bool live_ = false;  // the settle counted by sleeps
    int settle_ = 0;
    int total_ = 0;
    int every_ = 1;
    double step_ = 1.0;
    std::string what_;
    const char* run_what_ = "run";
};
