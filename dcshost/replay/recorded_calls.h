// The client-library calls and host lines of a recording as the replay
// answers them: each parsed once, before anything runs, so a line that cannot
// be answered is refused with its place and never met halfway through.
#pragma once

#include <cstdint>
#include <string>

#include "recording/format/client_functions.h"
#include "recording/format/recording_reader.h"

enum class LineKind { Call, Message, Box, Sleep };

struct RecordedCall {
    int64_t line = 0;
    LineKind kind = LineKind::Call;
    ClientFunction function = CF_COUNT;     // calls only
    std::string text;                       // the line in full, answer included
    std::string fields;                     // what is checked: FUNCTION ARGS, or the host line
    std::string values;                     // written values (checked) or the read one (answered)
    int64_t result = 0;                     // the answer; for a handle its recorded number
    unsigned char value[4] = {0, 0, 0, 0};  // GetTagValue's value, DataServicesStartup's slot
    bool has_value = false;
};

// Whether the values of a call are what the driver wrote (checked) rather
// than what the library answered.
bool WritesValues(ClientFunction function);

// A reader's EV_CALL, EV_MESSAGE, EV_BOX or EV_SLEEP as the replay answers
// it; false with what is wrong.
bool TakeRecordedLine(const RecordingEvent& event, RecordedCall& call, std::string& error);
