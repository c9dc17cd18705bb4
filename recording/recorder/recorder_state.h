// What the recorder's files share: the one recording of the process, and
// the building of a call's line. Inside the recorder only.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "recording/format/block_mirror.h"
#include "recording/format/client_functions.h"
#include "recording/format/line_writer.h"
#include "recording/format/pass_codec.h"

struct RecorderState {
    bool active = false;    // lines are being written
    bool in_entry = false;  // between '>' and '<'
    bool reported = false;  // the stop was told through the message box
    RecordEntryId entry = REC_LOAD;
    LineWriter writer;
    BlockMirror mirror;
    PassEncoder encoder;
    std::string out;   // lines not yet handed to the writer
    std::string line;  // the call line being built
    bool time_known = false;
    double time = 0;
    std::unordered_map<uintptr_t, uint32_t> handles;
    uint32_t next_handle = 1;
    std::string failure;  // the first reason recording stopped
};

// Made before main, as the host's first entry point comes after.
extern RecorderState g_recorder;
inline RecorderState& Rec() { return g_recorder; }

// True while calls are recorded: inside an entry point of a running recording.
inline bool RecordingCalls()
{
    const RecorderState& r = Rec();
    return r.active && r.in_entry;
}

// A handle's number; `fresh`: an answer that always takes a new one.
uint32_t HandleNumber(const void* handle, bool fresh);

// The call line, piece by piece: the function, then " ARG" per argument,
// " = RESULT", then " VALUE" (or ",VALUE") per value; EndCall hands it on.
void BeginCall(ClientFunction function);
void ArgInt(int64_t value);
void ArgText(const char* text);
void ArgHandle(const void* handle);
void ArgPointer(const void* pointer);  // "*", or "-" when null
void ResultInt(int64_t value);
void ResultHandle(const void* handle, bool fresh);
void Value(int32_t conversion, const void* bytes, bool first);
void EndCall();

// A host line, its line end included.
void HostLine(const std::string& line);

// Recording stops: said once through the original message box.
void StopWithFailure(const std::string& reason);

// The original message box, for the one report of a stop (null: none found).
typedef int (*ReportBox)(const char* text, const char* caption);
extern ReportBox OriginalBox;
