// A recording read whole before anything runs: every line parsed, every
// call's answer read, every block line taken into a copy of the block and
// checked to be one a replay can lay. What it finds sizes the trends.
#pragma once

#include <cstdint>
#include <string>

#include "recording/format/recording_reader.h"

struct Survey {
    RecordingHeader header;
    int64_t steps = 0;    // DCSSimulate calls
    int32_t loops = 0;    // the most controller rows at a DCSSimulate
    int32_t imports = 0;  // the most import rows
};

// `reader` freshly opened. False with "line N: what".
bool SurveyRecording(RecordingReader& reader, Survey& survey, std::string& error);
