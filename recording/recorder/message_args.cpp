#include "recording/recorder/message_args.h"

#include <cstring>

const MessageKeyEntry* FindMessageKey(const char* key)
{
    if (!key) return nullptr;
    for (const MessageKeyEntry& entry : MessageKeys)
        if (std::strcmp(entry.name, key) == 0) return &entry;
    return nullptr;
}

MessageArgValues ReadMessageArgs(const MessageKeyEntry* entry, va_list ap)
{
    MessageArgValues v;
    v.entry = entry;
    if (!entry || entry->args == ARGS_NONE) return v;
    v.text = va_arg(ap, const char*);
    if (entry->args == ARGS_TEXT_ROW) v.row = va_arg(ap, int);
    if (entry->args == ARGS_TEXT_CONTEXT) v.context = va_arg(ap, const char*);
    return v;
}
