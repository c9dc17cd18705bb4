#include "dcshost/host/recovery.h"

#include <cstdio>

#include "dcshost/host/interrupt.h"
#include "dcshost/scenario/limits.h"

namespace {

// clang-format off
struct OnLossEntry { const char* name; OnLoss on_loss; };
constexpr OnLossEntry kOnLossNames[] = {
    {"continue", OnLoss::Continue},
    {"stop", OnLoss::Stop},
    {"reconfigure", OnLoss::Reconfigure},
};
// clang-format on

}  // namespace

bool ParseOnLoss(const std::string& text, OnLoss& on_loss)
{
    for (const OnLossEntry& entry : kOnLossNames)
        if (text == entry.name) {
            on_loss = entry.on_loss;
            return true;
        }
    return false;
}

const char* OnLossName(OnLoss on_loss)
{
    for (const OnLossEntry& entry : kOnLossNames)
        if (entry.on_loss == on_loss) return entry.name;
    return "continue";
}

bool Recovery::AfterStep(Session& session, ValueWatch& values, double time, bool lost)
{
    if (options_.on_loss == OnLoss::Continue) return true;
    if (options_.on_loss == OnLoss::Stop) {
        if (lost && !stopped_) {
            stopped_ = true;
            stopped_at_ = time;
        }
        return !stopped_;
    }
    // Back on its own (a read that failed for a while): nothing to redo.
    if (!lost) {
        waiting_ = false;
        return true;
    }
    if (!waiting_) {
        waiting_ = true;
        next_try_ = time + options_.reconnect_every;
    }
    // A step's time is a multiple of the step: compare with a margin.
    if (time + 1e-9 * (1.0 + time) >= next_try_) Try(session, values, time);
    return true;
}

void Recovery::Try(Session& session, ValueWatch& values, double time)
{
    std::printf("reconfigure at %s s: DCSStop, DCSReset, DCSConfigure\n", NumberText(time).c_str());
    std::fflush(stdout);
    session.Call(REC_STOP);
    session.Call(REC_RESET);
    ReconfigureTry tried{time, session.Configure(options_.settle_wait)};
    bound_ = tried.configured == 1;
    // Stopped in the settle: nothing more is written; the loop ends the run
    // and says so.
    if (InterruptRequested()) return;
    if (bound_) {
        // From the host's values as they are now, not as the run began.
        // A "Controller Mode" import holds what was read plus 1, and
        // DCSInitialize writes it as it stands: written back unchanged, a
        // pump's status would go up by one with every reconfigure.
        HostBlock& block = session.Block();
        for (int row : options_.mode_imports) block.Import(row).Value -= 1.0;
        if (session.Live()) values.CheckInitialize(block);
        session.Call(REC_INITIALIZE);
        for (int row : options_.mode_imports) block.Import(row).Value += 1.0;
        session.Call(REC_START);
        waiting_ = false;
    } else {
        next_try_ = time + options_.reconnect_every;
    }
    tries_.push_back(tried);
    std::printf("%s\n", FormatReconfigureTry(tried, options_.reconnect_every).c_str());
    std::fflush(stdout);
}

std::string FormatReconfigureTry(const ReconfigureTry& tried, double every)
{
    std::string text = "reconfigure at " + NumberText(tried.at) + " s: ";
    if (tried.configured == 1) return text + "every tag bound, exchange resumed";
    return text + "DCSConfigure failed (result " + std::to_string(tried.configured) +
           "), next try at " + NumberText(tried.at + every) + " s";
}
