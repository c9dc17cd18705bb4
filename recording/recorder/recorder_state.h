// What the recorder's files share: the one recording of the process. Inside
// the recorder only.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "recording/format/block_mirror.h"
#include "recording/format/client_functions.h"
#include "recording/format/line_writer.h"
#include "recording/format/pass_codec.h"

// A call as numbers: two calls of the same key have the same line, so a
// call the same as the previous pass's at its place costs no text.
struct CallKey {
    uint32_t function = UINT32_MAX;  // none: never the same as another
    uint32_t count = 0;
    uint32_t words[8] = {};
};

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
    bool wall_known = false;  // the first W line is written
    int64_t wall_start = 0;   // the clock at the first W line, us
    int64_t wall_last = 0;    // at the last
    std::unordered_map<uintptr_t, uint32_t> handles;
    uint32_t next_handle = 1;
    std::string failure;                         // the first reason recording stopped
    std::vector<CallKey> keys[REC_ENTRY_COUNT];  // of each entry point's last call
    size_t key_count[REC_ENTRY_COUNT] = {};      // its calls
    size_t previous_calls = 0;                   // of this entry point's last call
    // The last entry point written whole (REC_ENTRY_COUNT: none yet), and
    // how many of each were.
    RecordEntryId last_whole = REC_ENTRY_COUNT;
    uint32_t whole[REC_ENTRY_COUNT] = {};
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

// Recording stops: said once through the original message box.
void StopWithFailure(const std::string& reason);

// The original message box, for the one report of a stop (null: none found).
typedef int (*ReportBox)(const char* text, const char* caption);
extern ReportBox OriginalBox;
