// What run and check share: the driver loaded by path, the control system
// built from the scenario (left as it is in a live run), the host's message
// log, the block declared by DCSLoad and filled from the scenario, and the
// final accounting (handles left open in the control system, the host heap
// after FreeDCSData).
#pragma once

#include <string>

#include "dcshost/control/call_log.h"
#include "dcshost/exit_codes.h"
#include "dcshost/host/host_block.h"
#include "dcshost/host/messages.h"
#include "dcshost/scenario/scenario.h"
#include "module/driver_loader.h"
#include "module/no_copy.h"

struct Leftovers {
    bool handles_known = true;  // a live run cannot count the control system's handles
    int tags = 0;
    int items = 0;
    int lists = 0;
    int heap_blocks = 0;  // live host-heap blocks beyond those before DCSLoad
    int heap_bytes = 0;
    int bad_releases = 0;

    bool Clean() const
    {
        return (!handles_known || (tags == 0 && items == 0 && lists == 0)) && heap_blocks == 0 &&
               heap_bytes == 0 && bad_releases == 0;
    }
};

class Session : NoCopy {
public:
    Session() = default;
    ~Session() { Close(); }

    // Loads the driver and takes the control API from the client library it
    // loaded. Returns kExitClean or the exit code, having printed the reason.
    int Load(const std::string& driver_path);
    // Builds the control system (a live run refuses a scenario that would
    // change it), runs DCSLoad and fills the block; loads the driver first
    // when Load has not. Returns kExitClean or the exit code, having printed
    // the reason.
    int Open(const Scenario& scenario, const std::string& driver_path);
    // The client library beside the driver has no control API.
    bool Live() const { return live_; }
    // Where every call goes (--log-calls); after Load, before Open. Null:
    // nowhere.
    void SetCallLog(CallLog* calls) { calls_ = calls; }
    // Records the session to `path` from here on (--record); after Load,
    // before Open. False with a reason (a recorder module records itself).
    bool Record(const std::string& path, std::string& error);
    // An entry point on the block, written to the call log around the call
    // and recorded.
    int32_t Call(RecordEntryId id);
    // The simulated time of messages and log lines from now on.
    void SetTime(double time);

    // DCSConfigure with its progress shown; the settle's sleeps return at
    // once when settle_wait is false (and the module lets them be skipped).
    int32_t Configure(bool settle_wait);
    // DCSDestroy, then the block back through FreeDCSData; counts what is left.
    // Ends the recording.
    Leftovers Close();
    // After Close: false with the reason when the recording failed at any point.
    bool RecordingWhole(std::string& error) const
    {
        error = record_error_;
        return record_error_.empty();
    }

    const DriverEntryPoints& Api() const { return driver_.Api(); }
    void* Module() const { return driver_.Handle(); }
    DCSData* Data() { return block_.Data(); }
    HostBlock& Block() { return block_; }
    MessageLog& Log() { return log_; }

private:
    DriverModule driver_;
    MessageLog log_;
    HostBlock block_;
    HostHeapSnapshot baseline_;
    CallLog* calls_ = nullptr;
    std::string driver_path_;
    bool recording_ = false;
    std::string record_error_;

    void EndRecording();
    bool loaded_ = false;
    bool live_ = false;
    bool open_ = false;
};

// "3 tags, 0 items, 0 lists" style lines for the summary.
std::string DescribeLeftovers(const Leftovers& left);
