// ErrorMsg: reads the arguments the key takes, fills in the host's text,
// echoes it to standard error and hands it to the sink.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "standins/iface/iface_control.h"
#include "standins/iface/message_table.h"

namespace {

IFaceMessageSink g_sink = nullptr;
void* g_sink_user = nullptr;
bool g_echo = true;
int32_t g_count = 0;

std::string ArgumentText(const IFaceMessage& message, int i)
{
    if (message.kinds[i] == 'i') return std::to_string(message.ints[i]);
    return message.texts[i] ? message.texts[i] : "(null)";
}

// Replaces %1 and %2 by the arguments; any other '%' stays as it is.
std::string FillWording(const char* wording, const IFaceMessage& message)
{
    std::string out;
    for (const char* p = wording; *p; ++p) {
        if (p[0] == '%' && (p[1] == '1' || p[1] == '2') && p[1] - '1' < message.argc) {
            out += ArgumentText(message, p[1] - '1');
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

void ReadArguments(HostArgs args, va_list list, IFaceMessage& message)
{
    if (args == HOST_ARGS_NONE) return;
    message.argc = 1;
    message.kinds[0] = 's';
    message.texts[0] = va_arg(list, const char*);
    if (args == HOST_ARGS_TEXT) return;
    message.argc = 2;
    if (args == HOST_ARGS_TEXT_INT) {
        message.kinds[1] = 'i';
        message.ints[1] = va_arg(list, int);
    } else {
        message.kinds[1] = 's';
        message.texts[1] = va_arg(list, const char*);
    }
}

}  // namespace

extern "C" {

IFACE_API void ErrorMsg(const char* key, ...)
{
    IFaceMessage message{};
    message.key = key ? key : "(null)";
    std::string wording;
    const HostMessage* known = FindHostMessage(key);
    if (known) {
        va_list list;
        va_start(list, key);
        ReadArguments(known->args, list, message);
        va_end(list);
        wording = FillWording(known->wording, message);
    } else {
        // Nothing is read: the kinds of the arguments are unknown.
        wording = std::string("Unknown message key \"") + message.key + "\"";
    }
    message.wording = wording.c_str();
    g_count++;
    if (g_echo) std::fprintf(stderr, "%s: %s\n", message.key, message.wording);
    if (g_sink) g_sink(&message, g_sink_user);
}

IFACE_API void IFaceSetMessageSink(IFaceMessageSink sink, void* user)
{
    g_sink = sink;
    g_sink_user = user;
}

IFACE_API void IFaceSetMessageEcho(int32_t on) { g_echo = on != 0; }

IFACE_API int32_t IFaceMessageCount(void) { return g_count; }

}  // extern "C"
