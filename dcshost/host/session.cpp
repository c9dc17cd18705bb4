#include "dcshost/host/session.h"

#include <cstdio>
#include <filesystem>

#include "dcshost/control/control_api.h"
#include "dcshost/control/control_system.h"
#include "dcshost/host/progress.h"
#include "dcshost/host/settle_wait.h"
#include "module/driver_version.h"
#include "recording/module/beside.h"
#include "recording/recorder/recorder.h"

int Session::Load(const std::string& driver_path)
{
    std::string error;
    if (!driver_.Open(driver_path, error) || !BindControlApi(error)) {
        std::fprintf(stderr, "dcshost: %s\n", error.c_str());
        driver_.Close();
        return kExitNoDriver;
    }
    loaded_ = true;
    live_ = Vnx().live;
    driver_path_ = driver_path;
    return kExitClean;
}

int Session::Open(const Scenario& scenario, const std::string& driver_path)
{
    if (!loaded_) {
        if (int loaded = Load(driver_path); loaded != kExitClean) return loaded;
    }
    if (live_) {
        std::string changes = ControlSystemChanges(scenario);
        if (!changes.empty()) {
            std::fprintf(stderr,
                         "%s: live run (the client library %s has no control API): nothing "
                         "can be defined or injected, so the scenario's %s cannot be applied; "
                         "a live run takes a scenario without them\n",
                         scenario.file.c_str(), Vnx().path.c_str(), changes.c_str());
            return kExitBadScenario;
        }
    } else {
        ScenarioError refused;
        if (!BuildControlSystem(scenario, refused)) {
            std::fprintf(stderr, "%s\n", FormatScenarioError(refused).c_str());
            return kExitBadScenario;
        }
        // The control system's reset above stopped its trace.
        if (calls_) Vnx().VnxSimTraceEnable(1);
    }
    std::string error;
    log_.Attach();
    if (calls_)
        log_.SetObserver([this](const ReceivedMessage& message) {
            calls_->Line("msg", message.key + ": " + message.wording);
        });
    // Whatever the module's own start-up took from the host heap is not the
    // block's: the balance is taken from here.
    baseline_ = HostHeapSnapshot::Now();
    open_ = true;
    Call(REC_LOAD);
    if (!block_.Fill(scenario, error)) {
        std::fprintf(stderr, "%s: %s\n", scenario.file.c_str(), error.c_str());
        Close();
        return kExitBadScenario;
    }
    return kExitClean;
}

bool Session::Record(const std::string& path, std::string& error)
{
    // A recorder module in the driver's place records the session itself.
    std::error_code absent;
    if (std::filesystem::exists(FolderOf(driver_path_) + kRecordedDriverFile, absent)) {
        error = "--record: " + driver_path_ +
                " is a recorder module, which records the session itself, beside itself; "
                "--record takes a driver";
        return false;
    }
    // The settle's Sleep first, so the recorder's wrapper is the outer one
    // and the sleeps are recorded as the driver asked for them.
    MakeSettleCuttable(driver_.Handle());
    const std::string by = std::string("dcshost ") + DCSHOST_VERSION;
    recording_ = StartRecording(driver_.Handle(), path.c_str(), by.c_str(),
                                DriverVersionText(driver_path_).c_str(), error);
    return recording_;
}

int32_t Session::Call(RecordEntryId id)
{
    const char* name = RecordEntryNames[id];
    if (calls_) calls_->Line("host", std::string(name) + "(data)");
    int32_t result = recording_ ? RecordEntry(id, driver_.Entry(id), block_.Data())
                                : driver_.Entry(id)(block_.Data());
    if (calls_) calls_->Line("host", std::string(name) + " = " + std::to_string(result));
    return result;
}

void Session::SetTime(double time)
{
    log_.SetTime(time);
    if (calls_) calls_->SetTime(time);
    if (recording_) RecordTime(time);
}

int32_t Session::Configure(bool settle_wait)
{
    std::string error;
    // A recording's Sleep is already cuttable (Record): patched again, the
    // recorder would no longer see it.
    bool skipped = !settle_wait &&
                   (recording_ ? (CutSettleWait(), true) : SkipSettleWait(driver_.Handle(), error));
    if (!settle_wait && !skipped)
        std::fprintf(stderr, "dcshost: --no-settle-wait: %s; the settle takes its time\n",
                     error.c_str());
    if (!skipped && !recording_) MakeSettleCuttable(driver_.Handle());
    Progress progress(Progress::StdoutIsTerminal());
    progress.BeginConfigure(skipped ? "DCSConfigure (no settle wait)" : "DCSConfigure");
    int32_t configured = Call(REC_CONFIGURE);
    progress.EndConfigure();
    RestoreSettleWait();
    return configured;
}

void Session::EndRecording()
{
    if (!recording_) return;
    recording_ = false;
    std::string error;
    if (!StopRecording(error)) record_error_ = error;
}

Leftovers Session::Close()
{
    Leftovers left;
    if (!open_) {
        EndRecording();
        return left;
    }
    open_ = false;
    Call(REC_DESTROY);
    EndRecording();
    if (calls_) calls_->Line("host", "FreeDCSData(data)");
    block_.Release();
    if (calls_) calls_->Line("host", "FreeDCSData = void");
    HostHeapSnapshot now = HostHeapSnapshot::Now();
    left.handles_known = !live_;
    left.tags = Vnx().VnxSimOpenCount(VNX_KIND_TAG);
    left.items = Vnx().VnxSimOpenCount(VNX_KIND_ITEM);
    left.lists = Vnx().VnxSimOpenCount(VNX_KIND_LIST);
    left.heap_blocks = now.blocks - baseline_.blocks;
    left.heap_bytes = now.bytes - baseline_.bytes;
    left.bad_releases = now.bad_releases - baseline_.bad_releases;
    log_.SetObserver(nullptr);
    log_.Detach();
    return left;
}

std::string DescribeLeftovers(const Leftovers& left)
{
    char handles[128] = "unknown (a live run: the client library cannot count them)";
    if (left.handles_known)
        std::snprintf(handles, sizeof handles, "%d tags, %d items, %d lists", left.tags, left.items,
                      left.lists);
    char text[320];
    std::snprintf(text, sizeof text,
                  "handles left open in the control system: %s\n"
                  "host heap after FreeDCSData: %s (%+d blocks, %+d bytes, %d bad releases)",
                  handles,
                  left.heap_blocks == 0 && left.heap_bytes == 0 && left.bad_releases == 0
                      ? "balanced"
                      : "NOT balanced",
                  left.heap_blocks, left.heap_bytes, left.bad_releases);
    return text;
}
