// The host's ErrorMsg, the message box and the sleep as the driver calls
// them: each forwards to the original and records a host line while an
// entry point runs.
#include <cstdarg>
#include <cstring>

#include "dcs/host/iface.h"
#include "dcs/host/platform_ui.h"
#include "recording/format/value_text.h"
#include "recording/recorder/call_line.h"
#include "recording/recorder/message_args.h"
#include "recording/recorder/recorder_calls.h"
#include "recording/recorder/recorder_state.h"

namespace {

// Words forwarded for a key outside the catalogue: its arguments are not
// known, and on i386 cdecl the caller pops what it pushed, so passing more
// 4-byte words than were given is harmless.
const int kUnknownKeyWords = 4;

using ErrorMsgFn = decltype(&::ErrorMsg);
using MessageBoxFn = decltype(&::MessageBoxA);
using SleepFn = decltype(&::Sleep);

ErrorMsgFn g_error_msg = nullptr;
MessageBoxFn g_message_box = nullptr;
SleepFn g_sleep = nullptr;
MessageBoxFn g_report_box = nullptr;
std::string g_host_line;

void RecErrorMsg(const char* key, ...)
{
    va_list ap;
    va_start(ap, key);
    const MessageArgValues args = ReadMessageArgs(FindMessageKey(key), ap);
    std::string& line = g_host_line;
    line.assign("msg ");
    AppendText(line, key);
    if (!args.entry) {
        uint32_t words[kUnknownKeyWords];
        for (uint32_t& word : words) word = va_arg(ap, uint32_t);
        va_end(ap);
        g_error_msg(key, words[0], words[1], words[2], words[3]);
        line += " ?";
    } else {
        va_end(ap);
        PassMessage(g_error_msg, key, args);
        if (args.entry->args != ARGS_NONE) {
            line += ' ';
            AppendText(line, args.text);
        }
        if (args.entry->args == ARGS_TEXT_ROW) {
            line += ' ';
            AppendInt(line, args.row);
        } else if (args.entry->args == ARGS_TEXT_CONTEXT) {
            line += ' ';
            AppendText(line, args.context);
        }
    }
    if (!RecordingCalls()) return;
    line += '\n';
    HostLine(line);
}

void RecordBox(const char* text, const char* caption, unsigned int type, int answer)
{
    if (!RecordingCalls()) return;
    std::string& line = g_host_line;
    line.assign("box ");
    AppendText(line, caption);
    line += ' ';
    AppendText(line, text);
    line += ' ';
    AppendInt(line, type);
    line += " = ";
    AppendInt(line, answer);
    line += '\n';
    HostLine(line);
}

void RecordSleep(uint32_t milliseconds)
{
    if (!RecordingCalls()) return;
    g_host_line.assign("sleep ");
    AppendInt(g_host_line, milliseconds);
    g_host_line += '\n';
    HostLine(g_host_line);
}

#if defined(_WIN32)
#  define HOST_CALL WINAPI
using Window = HWND;
using Milliseconds = DWORD;
const char kIface[] = "iface.dll";
const char kUser32[] = "user32.dll";
const char kKernel32[] = "kernel32.dll";
#else
#  define HOST_CALL
using Window = void*;
using Milliseconds = uint32_t;
const char kIface[] = "libiface.so";
const char kUser32[] = "libwinshim.so";
const char kKernel32[] = "libwinshim.so";
#endif

int HOST_CALL RecMessageBoxA(Window owner, const char* text, const char* caption, unsigned int type)
{
    int answer = g_message_box(owner, text, caption, type);
    RecordBox(text, caption, type, answer);
    return answer;
}

void HOST_CALL RecSleep(Milliseconds milliseconds)
{
    g_sleep(milliseconds);
    RecordSleep(milliseconds);
}

// The one report of a stop: the box the driver's import reaches, or the
// system's when the driver imports none.
int Report(const char* text, const char* caption)
{
    MessageBoxFn box = g_report_box ? g_report_box : g_message_box ? g_message_box : &::MessageBoxA;
    return box(nullptr, text, caption, MB_OK);
}

template <typename Fn>
void Take(const ImportSeam& seam, Fn replacement, void* through, Fn& original)
{
    void* mine = reinterpret_cast<void*>(replacement);
    if (seam.replacement == mine && seam.original && seam.original != mine)
        original = reinterpret_cast<Fn>(through ? through : seam.original);
}

}  // namespace

void AddHostSeams(std::vector<ImportSeam>& seams)
{
    seams.push_back({kIface, "ErrorMsg", 0, reinterpret_cast<void*>(&RecErrorMsg), nullptr});
    seams.push_back({kUser32, "MessageBoxA", 0, reinterpret_cast<void*>(&RecMessageBoxA), nullptr});
    seams.push_back({kKernel32, "Sleep", 0, reinterpret_cast<void*>(&RecSleep), nullptr});
}

void TakeHostOriginals(const std::vector<ImportSeam>& seams, const NeighbourCalls* through)
{
    for (const ImportSeam& seam : seams) {
        Take(seam, &RecErrorMsg, through ? through->error_msg : nullptr, g_error_msg);
        Take<MessageBoxFn>(seam, &RecMessageBoxA, through ? through->message_box : nullptr,
                           g_message_box);
        Take<SleepFn>(seam, &RecSleep, through ? through->sleep : nullptr, g_sleep);
    }
    // The stop's box goes where the module's own box goes, when it has one.
    if (through && through->message_box)
        g_report_box = reinterpret_cast<MessageBoxFn>(through->message_box);
    OriginalBox = &Report;
}
