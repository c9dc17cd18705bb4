#include "dcshost/replay/answerers.h"

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "dcs/diag/message_keys.h"
#include "dcs/host/iface.h"
#include "dcs/vendor/vnxapi.h"
#include "module/import_seams.h"
#include "recording/format/client_functions.h"
#include "recording/format/value_text.h"
#include "recording/recorder/message_args.h"

#if defined(_WIN32)
#  include <windows.h>
#  define PLATFORM_CALL WINAPI
#else
#  define PLATFORM_CALL
#endif

namespace {

CallCheck* g_check = nullptr;
std::vector<std::string> g_boxes;

// The text of the driver's call, built only when it is not the recorded
// one: one buffer for all, as the driver makes one call at a time.
std::string g_line;
std::string g_piece;          // a text argument as a recording writes it
std::string g_written;        // the values a call writes, as a recording writes them
const std::string kNoValues;  // a call that writes none

// The driver's call as a line of the recording, without its answer, set
// against the next recorded line piece by piece as it is made: a line alike
// in both (nearly every one) is never built.
class Line {
public:
    explicit Line(const char* head) : expected_(g_check ? g_check->Next() : nullptr)
    {
        Put(head, std::strlen(head));
    }
    Line& Int(int64_t value)
    {
        char buf[24] = {' '};
        auto r = value >= INT32_MIN && value <= INT32_MAX
                     ? std::to_chars(buf + 1, buf + sizeof buf, static_cast<int32_t>(value))
                     : std::to_chars(buf + 1, buf + sizeof buf, value);
        Put(buf, static_cast<size_t>(r.ptr - buf));
        return *this;
    }
    Line& Text(const char* text)
    {
        g_piece.assign(1, ' ');
        AppendText(g_piece, text);
        Put(g_piece.data(), g_piece.size());
        return *this;
    }
    Line& Handle(const void* handle)
    {
        char buf[24] = {' ', 'h'};
        auto r = std::to_chars(buf + 2, buf + sizeof buf, g_check ? g_check->NumberOf(handle) : 0u);
        Put(buf, static_cast<size_t>(r.ptr - buf));
        return *this;
    }
    Line& Unknown()
    {
        Put(" ?", 2);
        return *this;
    }
    Line& Pointer(const void* pointer)
    {
        Put(pointer ? " *" : " -", 2);
        return *this;
    }
    // The next recorded line when it is this one; null after a difference.
    const RecordedCall* Match(LineKind kind = LineKind::Call, const std::string& values = kNoValues)
    {
        if (!g_check) return nullptr;
        if (!built_ && expected_ && at_ == expected_->fields.size())
            return g_check->MatchNext(kind, values);
        Build();
        return g_check->Match(kind, g_line, values);
    }

private:
    void Put(const char* text, size_t size)
    {
        if (!built_ && expected_ && Alike(text, size)) {
            at_ += size;
            return;
        }
        Build();
        g_line.append(text, size);
    }
    // A piece is a few bytes: compared in place, without a library call.
    bool Alike(const char* text, size_t size) const
    {
        const std::string& fields = expected_->fields;
        if (at_ + size > fields.size()) return false;
        const char* at = fields.data() + at_;
        for (size_t i = 0; i < size; ++i)
            if (at[i] != text[i]) return false;
        return true;
    }
    // What was alike so far, as text; from here on the line is built.
    void Build()
    {
        if (built_) return;
        built_ = true;
        g_line.assign(expected_ ? expected_->fields.data() : "", expected_ ? at_ : 0);
    }

    const RecordedCall* expected_;
    size_t at_ = 0;  // of expected_->fields, alike so far
    bool built_ = false;
};

VnxHandle Handle(const RecordedCall* call)
{
    return call && g_check ? g_check->HandleFor(static_cast<uint32_t>(call->result)) : nullptr;
}

// The answerer of `F`: its call set against the recording by its row, and
// answered as recorded (a read value or a context slot filled in), or as
// the row's failure after a difference.
template <ClientFunction F, class R, class... A>
R VNXCALL Answer(A... args)
{
    const ClientFunctionRow& row = kClientFunctions[F];
    const CallArg given[] = {CallArg(args)..., CallArg(int32_t{0})};
    Line line(row.name);
    PutCallArgs(F, given, sizeof...(A), line);
    g_written.clear();
    if (row.values == ValueShape::Written)
        AppendCallValues(g_written, F, ValuesOfCall(F, given, 0));
    const RecordedCall* call = line.Match(LineKind::Call, g_written);
    if constexpr (std::is_pointer_v<R>) {
        return Handle(call);
    } else {
        if (!call) return static_cast<R>(row.failed);
        if (call->has_value) {
            void* into = const_cast<void*>(ValuesOfCall(F, given, call->result).bytes);
            if (into) std::memcpy(into, call->value, 4);
        }
        return static_cast<R>(call->result);
    }
}

// Typed by a null pointer to the declared function.
template <ClientFunction F, class R, class... A>
void* AnswererOf(R(VNXCALL*)(A...))
{
    static_assert(FitsRow(F, sizeof...(A), std::is_pointer_v<R>), "declared as its row says");
    return reinterpret_cast<void*>(&Answer<F, R, A...>);
}

// Read by the key's arguments in the driver's catalogue; checked, then
// handed to dcshost's own ErrorMsg as the driver handed it over.
void ReplayErrorMsg(const char* key, ...)
{
    const MessageKeyEntry* entry = FindMessageKey(key);
    Line line("msg");
    line.Text(key);
    if (!entry) {
        // A key outside the catalogue: its arguments cannot be known.
        if (line.Unknown().Match(LineKind::Message)) ErrorMsg(key);
        return;
    }
    va_list ap;
    va_start(ap, key);
    const MessageArgValues args = ReadMessageArgs(entry, ap);
    va_end(ap);
    if (entry->args != ARGS_NONE) line.Text(args.text);
    if (entry->args == ARGS_TEXT_ROW) line.Int(args.row);
    if (entry->args == ARGS_TEXT_CONTEXT) line.Text(args.context);
    if (line.Match(LineKind::Message)) PassMessage(&ErrorMsg, key, args);
}

#if defined(_WIN32)
int PLATFORM_CALL ReplayMessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type)
#else
int ReplayMessageBoxA(void*, const char* text, const char* caption, unsigned int type)
#endif
{
    const RecordedCall* call = Line("box").Text(caption).Text(text).Int(type).Match(LineKind::Box);
    if (!call) return 1;  // OK
    g_boxes.push_back(std::string(caption ? caption : "") + ": " + (text ? text : ""));
    return static_cast<int>(call->result);
}

#if defined(_WIN32)
void PLATFORM_CALL ReplaySleep(DWORD milliseconds)
#else
void ReplaySleep(uint32_t milliseconds)
#endif
{
    Line("sleep").Int(milliseconds).Match(LineKind::Sleep);
}

#if defined(_WIN32)
const char kClientLibrary[] = "VNXAPIWX.dll";
const char kHostLibrary[] = "iface.dll";
const char kUser32[] = "user32.dll";
const char kKernel32[] = "kernel32.dll";
#else
// ELF imports are bound by name, from whichever library defines them.
const char* const kClientLibrary = nullptr;
const char* const kHostLibrary = nullptr;
const char* const kUser32 = nullptr;
const char* const kKernel32 = nullptr;
#endif

template <class Function>
void* Fn(Function function)
{
    return reinterpret_cast<void*>(function);
}

}  // namespace

bool StartAnswering(void* module, CallCheck& check, std::string& error)
{
#define REPLAY_ANSWERER(id, name, ...) AnswererOf<CF_##id>(static_cast<decltype(&::name)>(nullptr)),
    void* const answerers[CF_COUNT] = {CLIENT_FUNCTIONS(REPLAY_ANSWERER)};
#undef REPLAY_ANSWERER
    // clang-format off
    ImportSeam seams[CF_COUNT + 3] = {};
    seams[CF_COUNT + 0] = {kHostLibrary, "ErrorMsg",    0, Fn(&ReplayErrorMsg),    nullptr};
    seams[CF_COUNT + 1] = {kUser32,      "MessageBoxA", 0, Fn(&ReplayMessageBoxA), nullptr};
    seams[CF_COUNT + 2] = {kKernel32,    "Sleep",       0, Fn(&ReplaySleep),       nullptr};
    // clang-format on
    for (int f = 0; f < CF_COUNT; ++f) {
        seams[f] = {kClientLibrary, kClientFunctions[f].name,
                    ClientImportOrdinal(static_cast<ClientFunction>(f)), answerers[f], nullptr};
    }
    g_check = &check;
    g_boxes.clear();
    if (PatchImports(module, seams, static_cast<int>(sizeof seams / sizeof seams[0]), error) >= 0)
        return true;
    g_check = nullptr;
    return false;
}

void StopAnswering() { g_check = nullptr; }

const std::vector<std::string>& AnsweredBoxes() { return g_boxes; }
