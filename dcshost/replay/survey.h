// A recording read whole before anything runs: every line parsed, every
// call's answer read, every block line taken into a copy of the block and
// checked to be one a replay can lay. What it finds sizes the trends and
// says where a recording of a session that ended without DCSDestroy is cut.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "dcshost/replay/entry_group.h"
#include "recording/format/block_mirror.h"
#include "recording/format/recording_reader.h"

struct Survey {
    RecordingHeader header;
    int64_t steps = 0;      // DCSSimulate calls
    int32_t loops = 0;      // the most controller rows at a DCSSimulate
    int32_t imports = 0;    // the most import rows
    double step = 1.0;      // s between the first two steps (T lines), for the progress
    bool cut = false;       // the session ended without DCSDestroy
    int64_t cut_line = 0;   // the last line before the cut
    std::string cut_after;  // the last entry point before it, "DCSSimulate #3"; empty: none
};

// Each DCSSimulate as read, with the copy of the block as the call left it.
using StepWatch = std::function<void(const EntryGroup& group, const BlockMirror& block)>;

// `reader` freshly opened. False with "line N: what". `watch`, when given,
// sees every step of a recording that is then refused or taken whole.
bool SurveyRecording(RecordingReader& reader, Survey& survey, std::string& error,
                     const StepWatch& watch = nullptr);
