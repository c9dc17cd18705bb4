// The host's own texts for the message keys the driver sends, each with the
// kinds of arguments that follow the key, so ErrorMsg reads exactly those.
#pragma once

enum HostArgs {
    HOST_ARGS_NONE,       // the key alone
    HOST_ARGS_TEXT,       // one text
    HOST_ARGS_TEXT_INT,   // a text, then an int (a row or a field index)
    HOST_ARGS_TEXT_TEXT,  // a text, then a context text
};

// Wording uses %1 and %2 for the arguments by position.
struct HostMessage {
    const char* key;
    HostArgs args;
    const char* wording;
};

// Null when the host has no text for the key.
const HostMessage* FindHostMessage(const char* key);
