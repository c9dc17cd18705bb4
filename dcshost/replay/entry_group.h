// One recorded call of an entry point, read whole before the driver is
// called: the block as the host handed it over, the calls and host lines to
// answer, the block written back and the result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dcshost/replay/recorded_calls.h"
#include "recording/format/block_mirror.h"
#include "recording/format/recording_reader.h"

struct EntryGroup {
    RecordEntryId entry = REC_LOAD;
    int64_t line = 0;  // of its '>'
    double time = 0.0;
    bool timed = false;  // the recording has T lines
    std::vector<BlockLine> in;
    std::vector<int64_t> in_lines;
    std::vector<RecordedCall> calls;
    std::vector<std::string> out;  // "o ..." as the recorder writes them
    std::vector<BlockLine> out_block;
    std::vector<int64_t> out_lines;
    int32_t result = 0;
    int64_t result_line = 0;
};

enum class GroupRead { Group, End, Failed };

// The next entry point's call, or the end. Failed: `error` says where and
// what. `time` and `timed` carry the T lines over from one call to the next.
GroupRead ReadGroup(RecordingReader& reader, EntryGroup& group, std::string& error);

// "line N: what".
std::string LinePlace(int64_t line, const std::string& what);

// A block line as a recorder writes it, without its "i " or "o ".
std::string BlockLineText(const BlockLine& line);
