#include "dcshost/host/progress.h"

#include <cstdio>

#if defined(_WIN32)
#  include <io.h>
#else
#  include <unistd.h>
#endif

#include "dcshost/console.h"
#include "dcshost/control/control_api.h"
#include "dcshost/host/settle_wait.h"

namespace {

// The settle is ten one-second pauses, each after one ServiceEvents call.
constexpr int kSettleSeconds = 10;

void Hook(int32_t op, int32_t /*call_number*/, void* user)
{
    static_cast<Progress*>(user)->OnCall(op);
}

void SleepHook(void* user) { static_cast<Progress*>(user)->OnSleep(); }

}  // namespace

Progress::Progress(bool terminal) : terminal_(terminal) {}

Progress::~Progress()
{
    if (configuring_) Unhook();
    BreakProgressLine();
}

bool Progress::StdoutIsTerminal()
{
#if defined(_WIN32)
    return _isatty(_fileno(stdout)) != 0;
#else
    return isatty(fileno(stdout)) != 0;
#endif
}

void Progress::Draw(const std::string& text, bool final_line)
{
    DrawProgressLine(text, terminal_, final_line);
}

void Progress::BeginConfigure(const std::string& what)
{
    what_ = what;
    settle_ = 0;
    configuring_ = true;
    live_ = Vnx().live;
    if (live_)
        WatchSettleSleeps(&SleepHook, this);
    else
        Vnx().VnxSimSetCallHook(&Hook, this);
    Draw(what_ + ": starting the control system's client library", false);
}

void Progress::OnCall(int32_t op)
{
    if (op == VNX_OP_ServiceEvents && !live_) OnSleep();
}

void Progress::OnSleep()
{
    if (!configuring_ || settle_ >= kSettleSeconds) return;
    ++settle_;
    Draw(what_ + ": waiting for the control system to settle, " + std::to_string(settle_) + " of " +
             std::to_string(kSettleSeconds) + " s",
         false);
}

void Progress::Unhook()
{
    if (live_)
        WatchSettleSleeps(nullptr, nullptr);
    else
        Vnx().VnxSimSetCallHook(nullptr, nullptr);
}

void Progress::EndConfigure()
{
    Unhook();
    configuring_ = false;
    if (terminal_) BreakProgressLine();
}

void Progress::BeginRun(int total_steps, double step, int every, const char* what)
{
    run_what_ = what;
    total_ = total_steps;
    step_ = step;
    every_ = every > 0 ? every : (total_steps >= 10 ? total_steps / 10 : 1);
}

void Progress::RunStep(int step, double wall)
{
    if (step % every_ != 0 && step != total_) return;
    char text[160];
    // In 64 bits: step * 100 passes 32 bits from 21474837 steps on.
    int percent = total_ ? static_cast<int>(int64_t{step} * 100 / total_) : 100;
    std::snprintf(text, sizeof text,
                  "%s: t = %.6g s of %.6g s, wall clock %.1f s, step %d of %d (%d %%)", run_what_,
                  step * step_, total_ * step_, wall, step, total_, percent);
    Draw(text, false);
}

void Progress::EndRun() { BreakProgressLine(); }
