// What the host does when the coupling is lost (--on-loss): go on stepping
// as before, end the run, or drive the lifecycle again as a host does after
// the control system comes back: DCSStop, DCSReset, DCSConfigure,
// DCSInitialize, DCSStart, every --reconnect-every seconds until
// DCSConfigure binds every tag. The plant steps between tries; while the
// driver is unbound the host does not exchange.
#pragma once

#include <string>
#include <vector>

#include "dcshost/host/session.h"
#include "dcshost/host/value_watch.h"

enum class OnLoss { Continue, Stop, Reconfigure };

struct RecoveryOptions {
    OnLoss on_loss = OnLoss::Continue;
    double reconnect_every = 10.0;  // s between tries
    bool settle_wait = true;        // DCSConfigure's settle, as at the start
    std::vector<int> mode_imports;  // import rows mapped "Controller Mode"
};

// One try at binding again.
struct ReconfigureTry {
    double at = 0.0;
    int32_t configured = 0;  // DCSConfigure's result: 1 bound every tag
};

class Recovery {
public:
    void Setup(const RecoveryOptions& options) { options_ = options; }
    OnLoss Mode() const { return options_.on_loss; }

    // After each step's exchange at `time`; `lost` is whether it read
    // nothing. False when the run is to end here (--on-loss stop).
    bool AfterStep(Session& session, ValueWatch& values, double time, bool lost);
    // The driver is bound: DCSSimulate is due.
    bool Exchanging() const { return bound_; }
    bool Stopped() const { return stopped_; }
    double StoppedAt() const { return stopped_at_; }
    const std::vector<ReconfigureTry>& Tries() const { return tries_; }

private:
    void Try(Session& session, ValueWatch& values, double time);

    RecoveryOptions options_;
    bool bound_ = true;
    bool waiting_ = false;  // lost, a try due at next_try_
    double next_try_ = 0.0;
    bool stopped_ = false;
    double stopped_at_ = 0.0;
    std::vector<ReconfigureTry> tries_;
};

// "continue", "stop", "reconfigure"; false for anything else.
bool ParseOnLoss(const std::string& text, OnLoss& on_loss);
const char* OnLossName(OnLoss on_loss);
// "reconfigure at 51 s: every tag bound, exchange resumed" or
// "reconfigure at 51 s: DCSConfigure failed (result 0), next try at 61 s".
std::string FormatReconfigureTry(const ReconfigureTry& tried, double every);
