// The host's nine entry points as a recording names them.
#pragma once

enum RecordEntryId {
    REC_LOAD,
    REC_CONFIGURE,
    REC_INITIALIZE,
    REC_START,
    REC_STOP,
    REC_SIMULATE,
    REC_TIME_ZERO,
    REC_RESET,
    REC_DESTROY,
    REC_ENTRY_COUNT
};
extern const char* const RecordEntryNames[REC_ENTRY_COUNT];  // "DCSLoad", ...
