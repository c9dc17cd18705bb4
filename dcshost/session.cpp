#include "dcshost/session.h"

#include <cstdio>

#include "dcshost/control_system.h"
#include "dcshost/progress.h"
#include "dcshost/settle_wait.h"
#include "standins/vnxsim/vnxsim.h"

int Session::Open(const Scenario& scenario, const std::string& driver_path)
{
    ScenarioError refused;
    if (!BuildControlSystem(scenario, refused)) {
        std::fprintf(stderr, "%s\n", FormatScenarioError(refused).c_str());
        return kExitBadScenario;
    }
    // The control system's reset above stopped its trace.
    if (calls_) VnxSimTraceEnable(1);
    std::string error;
    if (!driver_.Open(driver_path, error)) {
        std::fprintf(stderr, "dcshost: %s\n", error.c_str());
        return kExitNoDriver;
    }
    log_.Attach();
    if (calls_)
        log_.SetObserver([this](const ReceivedMessage& message) {
            calls_->Line("msg", message.key + ": " + message.wording);
        });
    // Whatever the module's own start-up took from the host heap is not the
    // block's: the balance is taken from here.
    baseline_ = HostHeapSnapshot::Now();
    open_ = true;
    Call("DCSLoad", &DriverEntryPoints::Load);
    if (!block_.Fill(scenario, error)) {
        std::fprintf(stderr, "%s: %s\n", scenario.file.c_str(), error.c_str());
        Close();
        return kExitBadScenario;
    }
    return kExitClean;
}

int32_t Session::Call(const char* name, DCSEntryPoint DriverEntryPoints::*entry)
{
    if (calls_) calls_->Line("host", std::string(name) + "(data)");
    int32_t result = (driver_.Api().*entry)(block_.Data());
    if (calls_) calls_->Line("host", std::string(name) + " = " + std::to_string(result));
    return result;
}

void Session::SetTime(double time)
{
    log_.SetTime(time);
    if (calls_) calls_->SetTime(time);
}

int32_t Session::Configure(bool settle_wait)
{
    std::string error;
    bool skipped = !settle_wait && SkipSettleWait(driver_.Handle(), error);
    if (!settle_wait && !skipped)
        std::fprintf(stderr, "dcshost: --no-settle-wait: %s; the settle takes its time\n",
                     error.c_str());
    Progress progress(Progress::StdoutIsTerminal());
    progress.BeginConfigure(skipped ? "DCSConfigure (no settle wait)" : "DCSConfigure");
    int32_t configured = Call("DCSConfigure", &DriverEntryPoints::Configure);
    progress.EndConfigure();
    if (skipped) RestoreSettleWait();
    return configured;
}

Leftovers Session::Close()
{
    Leftovers left;
    if (!open_) return left;
    open_ = false;
    Call("DCSDestroy", &DriverEntryPoints::Destroy);
    if (calls_) calls_->Line("host", "FreeDCSData(data)");
    block_.Release();
    if (calls_) calls_->Line("host", "FreeDCSData = void");
    HostHeapSnapshot now = HostHeapSnapshot::Now();
    left.tags = VnxSimOpenCount(VNX_KIND_TAG);
    left.items = VnxSimOpenCount(VNX_KIND_ITEM);
    left.lists = VnxSimOpenCount(VNX_KIND_LIST);
    left.heap_blocks = now.blocks - baseline_.blocks;
    left.heap_bytes = now.bytes - baseline_.bytes;
    left.bad_releases = now.bad_releases - baseline_.bad_releases;
    log_.SetObserver(nullptr);
    log_.Detach();
    return left;
}

std::string DescribeLeftovers(const Leftovers& left)
{
    char text[256];
    std::snprintf(text, sizeof text,
                  "handles left open in the control system: %d tags, %d items, %d lists\n"
                  "host heap after FreeDCSData: %s (%+d blocks, %+d bytes, %d bad releases)",
                  left.tags, left.items, left.lists,
                  left.heap_blocks == 0 && left.heap_bytes == 0 && left.bad_releases == 0
                      ? "balanced"
                      : "NOT balanced",
                  left.heap_blocks, left.heap_bytes, left.bad_releases);
    return text;
}
