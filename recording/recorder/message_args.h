// A host message's arguments as the driver's catalogue gives them for its
// key: read from the call, handed on to another ErrorMsg as they came. The
// recorder and the replay both stand in the driver's ErrorMsg import.
#pragma once

#include <cstdarg>

#include "dcs/diag/message_keys.h"

struct MessageArgValues {
    const MessageKeyEntry* entry = nullptr;  // null: a key outside the catalogue
    const char* text = nullptr;
    int row = 0;
    const char* context = nullptr;
};

const MessageKeyEntry* FindMessageKey(const char* key);
// The arguments `entry` takes, from `ap` (nothing for a null entry).
MessageArgValues ReadMessageArgs(const MessageKeyEntry* entry, va_list ap);
// Calls `error_msg` with the key and the arguments its entry takes.
void PassMessage(void (*error_msg)(const char*, ...), const char* key,
                 const MessageArgValues& args);
