// One recorded call of an entry point, read whole before the driver is
// called: the block as the host handed it over, the calls and host lines to
// answer, the block written back and the result.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "dcshost/replay/call_check.h"
#include "dcshost/replay/recorded_calls.h"
#include "recording/format/block_mirror.h"
#include "recording/format/recording_reader.h"

struct EntryGroup {
    RecordEntryId entry = REC_LOAD;
    int64_t line = 0;  // of its '>'
    double time = 0.0;
    bool timed = false;    // the recording has T lines
    int64_t wall_us = -1;  // the run's wall clock at a DCSSimulate (W line), -1: none
    std::vector<BlockLine> in;
    std::vector<int64_t> in_lines;
    // The calls and host lines in order; valid until the next group is read.
    std::vector<RecordedAt> calls;
    size_t call_count = 0;  // calls and host lines
    std::string out;        // the `o` lines as recorded, each with its line end
    std::vector<BlockLine> out_block;
    std::vector<int64_t> out_lines;
    int32_t result = 0;
    int64_t result_line = 0;
};

// Cut: the recording ended after the last group given, without DCSDestroy.
enum class GroupRead { Group, End, Cut, Failed };

// The groups of a recording in turn. A step repeats the calls of the one
// before it, so each entry point's calls are kept by position and a call
// recorded as the same ("* N") is neither copied nor parsed again: a long
// recording costs the memory of its widest call, and a step the lines that
// changed.
class GroupReader {
public:
    // `reader` freshly opened, kept by the caller.
    explicit GroupReader(RecordingReader& reader);
    // The next entry point's call, or the end. Failed: `error` says where and
    // what. `time` and `timed` carry the T lines over from one call to the next.
    GroupRead Next(EntryGroup& group, std::string& error);
    // The line the recording was cut after (GroupRead::Cut).
    int64_t CutLine() const { return reader_.LineNumber(); }

private:
    RecordedCall& Known(EntryGroup& group, RecordEntryId entry, size_t position);

    RecordingReader& reader_;
    std::vector<RecordedCall> known_[REC_ENTRY_COUNT];  // by position
    std::deque<RecordedCall> hosts_;                    // the group's host lines; references stay
};

// "line N: what".
std::string LinePlace(int64_t line, const std::string& what);

// A block line as a recorder writes it, without its "i " or "o " and with
// its row as a number.
std::string BlockLineText(const BlockLine& line);
