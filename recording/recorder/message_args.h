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
// Calls `error_msg` (ErrorMsg, or what calls it) with the key and the
// arguments its entry takes.
template <typename ErrorMsgCall>
void PassMessage(ErrorMsgCall error_msg, const char* key, const MessageArgValues& args)
{
    switch (args.entry ? args.entry->args : ARGS_NONE) {
    case ARGS_NONE:
        error_msg(key);
        break;
    case ARGS_TEXT:
        error_msg(key, args.text);
        break;
    case ARGS_TEXT_ROW:
        error_msg(key, args.text, args.row);
        break;
    case ARGS_TEXT_CONTEXT:
        error_msg(key, args.text, args.context);
        break;
    }
}
