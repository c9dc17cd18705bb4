// Recording a driver module as its host drives it: the nine entry points,
// the block they read and write, and through the module's import seams every
// client-library call, host message, message box and sleep
// (docs/recording.md). Module-level state: one recording per process.
// Nothing here changes what the host, the driver or the library do; a
// recording that fails (a write refused, the disk full) stops, and says so
// once through the host's message box.
#pragma once

#include <cstdint>
#include <string>

#include "dcs/data/dcs_data.h"
#include "module/entry_points.h"  // RecordEntryId, RecordEntryNames
#include "recording/format/client_functions.h"

typedef int32_t (*RecordedEntry)(DCSData*);

// Where the driver's calls to its neighbours are passed on: each a function
// of the same type as what it stands for (null: what the slot held).
struct NeighbourCalls {
    void* client[CF_COUNT];  // by ClientFunction
    void* error_msg;
    void* message_box;
    void* sleep;
};

// Opens `path` and points the module's imports at the recorder. `by` is the
// header's @by value, `driver` its @driver value. The driver's calls are
// passed on to `through`, or with none to what its import slots held. False
// with a reason: then no slot points at the recorder and nothing is recorded.
bool StartRecording(void* module, const char* path, const char* by, const char* driver,
                    std::string& error, const NeighbourCalls* through = nullptr);
// Calls `entry` through the recording (or straight on when none runs).
int32_t RecordEntry(RecordEntryId id, RecordedEntry entry, DCSData* block);
// The simulated time of what follows (a "T" line when it changed).
void RecordTime(double seconds);
// The clock of the W line before each DCSSimulate: microseconds of a
// monotonic clock. Null: the process's steady clock. For tests, which need
// times they can expect; set before StartRecording.
typedef int64_t (*RecordClock)();
void SetRecordClock(RecordClock clock);
// Writes "end", closes and points the module's imports back at what they
// held (so does a recording that stops on a failed write). False with a
// reason when a write failed at any point.
bool StopRecording(std::string& error);
bool Recording();
