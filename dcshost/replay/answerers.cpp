#include "dcshost/replay/answerers.h"

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstring>

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

// What a failure answers after a difference: an error status, no handle, a
// bad IO status and quality, so the driver gives up soon.
const int16_t kFailedStatus = -1;

// The text of the driver's call, built only when it is not the recorded
// one: one buffer for all, as the driver makes one call at a time.
std::string g_line;
std::string g_piece;          // a text argument as a recording writes it
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

// The values a write hands over, as the recorder writes them: `count` of
// them (none below 1, at most 256), each of `conversion`.
std::string Written(int32_t count, const void* value, int32_t conversion)
{
    const int32_t kMostValues = 256;
    std::string out;
    const auto* bytes = static_cast<const unsigned char*>(value);
    for (int32_t i = 0; bytes && i < count && i < kMostValues; ++i) {
        if (i) out += ',';
        AppendClientValue(out, conversion, bytes + 4 * i);
    }
    return out;
}

int16_t Status(const RecordedCall* call)
{
    return call ? static_cast<int16_t>(call->result) : kFailedStatus;
}

VnxHandle Handle(const RecordedCall* call)
{
    return call && g_check ? g_check->HandleFor(static_cast<uint32_t>(call->result)) : nullptr;
}

int16_t VNXCALL ReplayApiStartup(void) { return Status(Line("ApiStartup").Match()); }

int16_t VNXCALL ReplayDataServicesStartup(void* slot)
{
    const RecordedCall* call = Line("DataServicesStartup").Pointer(slot).Match();
    if (call && call->has_value && slot) std::memcpy(slot, call->value, 4);
    return Status(call);
}

int32_t VNXCALL ReplayServiceEvents(void)
{
    const RecordedCall* call = Line("ServiceEvents").Match();
    return call ? static_cast<int32_t>(call->result) : 0;
}

int16_t VNXCALL ReplayDataServicesShutdown(void)
{
    return Status(Line("DataServicesShutdown").Match());
}

int16_t VNXCALL ReplayApiShutdown(void) { return Status(Line("ApiShutdown").Match()); }

int16_t VNXCALL ReplayValidateTagName(const char* name)
{
    return Status(Line("ValidateTagName").Text(name).Match());
}

VnxHandle VNXCALL ReplayOpenTag(const char* name)
{
    return Handle(Line("OpenTag").Text(name).Match());
}

int16_t VNXCALL ReplayCloseTag(VnxHandle tag)
{
    return Status(Line("CloseTag").Handle(tag).Match());
}

int16_t VNXCALL ReplayGetTagStatus(VnxHandle tag)
{
    return Status(Line("GetTagStatus").Handle(tag).Match());
}

int16_t VNXCALL ReplaySetTagValue(VnxHandle tag, int32_t count, const void* value,
                                  int32_t conversion)
{
    Line line("SetTagValue");
    line.Handle(tag).Int(count).Pointer(value).Int(conversion);
    return Status(line.Match(LineKind::Call, Written(count, value, conversion)));
}

int16_t VNXCALL ReplaySetArrayElement(VnxHandle tag, int32_t index, int32_t count,
                                      const void* value, int32_t conversion)
{
    Line line("SetArrayElement");
    line.Handle(tag).Int(index).Int(count).Pointer(value).Int(conversion);
    return Status(line.Match(LineKind::Call, Written(count, value, conversion)));
}

int16_t VNXCALL ReplaySendTag(VnxHandle tag) { return Status(Line("SendTag").Handle(tag).Match()); }

VnxHandle VNXCALL ReplayCreateTagList(void) { return Handle(Line("CreateTagList").Match()); }

VnxHandle VNXCALL ReplayAddTagToList(VnxHandle list, const char* name)
{
    return Handle(Line("AddTagToList").Handle(list).Text(name).Match());
}

int16_t VNXCALL ReplayRemoveTagFromList(VnxHandle list, VnxHandle item)
{
    return Status(Line("RemoveTagFromList").Handle(list).Handle(item).Match());
}

int16_t VNXCALL ReplayListRewind(VnxHandle list)
{
    return Status(Line("ListRewind").Handle(list).Match());
}

VnxHandle VNXCALL ReplayListFirst(VnxHandle list)
{
    return Handle(Line("ListFirst").Handle(list).Match());
}

VnxHandle VNXCALL ReplayListNext(VnxHandle list)
{
    return Handle(Line("ListNext").Handle(list).Match());
}

int16_t VNXCALL ReplayReadTagList(VnxHandle list)
{
    return Status(Line("ReadTagList").Handle(list).Match());
}

int16_t VNXCALL ReplayGetTagValue(VnxHandle item, int32_t index, void* buffer, int32_t conversion,
                                  int32_t reserved1, int32_t reserved2)
{
    Line line("GetTagValue");
    line.Handle(item).Int(index).Pointer(buffer).Int(conversion).Int(reserved1).Int(reserved2);
    const RecordedCall* call = line.Match();
    int16_t status = Status(call);
    if (status == 0 && call->has_value && buffer) std::memcpy(buffer, call->value, 4);
    return status;
}

int32_t VNXCALL ReplayGetTagDataType(VnxHandle item)
{
    const RecordedCall* call = Line("GetTagDataType").Handle(item).Match();
    return call ? static_cast<int32_t>(call->result) : 0;
}

int32_t VNXCALL ReplayGetIOStatus(VnxHandle item, int32_t index)
{
    const RecordedCall* call = Line("GetIOStatus").Handle(item).Int(index).Match();
    return call ? static_cast<int32_t>(call->result) : 0;  // 1 is good
}

int32_t VNXCALL ReplayGetDataQuality(VnxHandle item, int32_t index)
{
    const RecordedCall* call = Line("GetDataQuality").Handle(item).Int(index).Match();
    return call ? static_cast<int32_t>(call->result) : 1;  // 0 is good
}

int16_t VNXCALL ReplayGetArrayDims(VnxHandle tag)
{
    const RecordedCall* call = Line("GetArrayDims").Handle(tag).Match();
    return call ? static_cast<int16_t>(call->result) : 0;
}

int16_t VNXCALL ReplayGetArrayLowerBound(VnxHandle tag, int32_t dimension)
{
    return Status(Line("GetArrayLowerBound").Handle(tag).Int(dimension).Match());
}

int16_t VNXCALL ReplayGetArrayUpperBound(VnxHandle tag, int32_t dimension)
{
    return Status(Line("GetArrayUpperBound").Handle(tag).Int(dimension).Match());
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
    // clang-format off
    const struct { ClientFunction id; void* answerer; } answerers[CF_COUNT] = {
        {CF_API_STARTUP,            Fn(&ReplayApiStartup)},
        {CF_DATA_SERVICES_STARTUP,  Fn(&ReplayDataServicesStartup)},
        {CF_SERVICE_EVENTS,         Fn(&ReplayServiceEvents)},
        {CF_DATA_SERVICES_SHUTDOWN, Fn(&ReplayDataServicesShutdown)},
        {CF_API_SHUTDOWN,           Fn(&ReplayApiShutdown)},
        {CF_VALIDATE_TAG_NAME,      Fn(&ReplayValidateTagName)},
        {CF_OPEN_TAG,               Fn(&ReplayOpenTag)},
        {CF_CLOSE_TAG,              Fn(&ReplayCloseTag)},
        {CF_GET_TAG_STATUS,         Fn(&ReplayGetTagStatus)},
        {CF_SET_TAG_VALUE,          Fn(&ReplaySetTagValue)},
        {CF_SET_ARRAY_ELEMENT,      Fn(&ReplaySetArrayElement)},
        {CF_SEND_TAG,               Fn(&ReplaySendTag)},
        {CF_CREATE_TAG_LIST,        Fn(&ReplayCreateTagList)},
        {CF_ADD_TAG_TO_LIST,        Fn(&ReplayAddTagToList)},
        {CF_REMOVE_TAG_FROM_LIST,   Fn(&ReplayRemoveTagFromList)},
        {CF_LIST_REWIND,            Fn(&ReplayListRewind)},
        {CF_LIST_FIRST,             Fn(&ReplayListFirst)},
        {CF_LIST_NEXT,              Fn(&ReplayListNext)},
        {CF_READ_TAG_LIST,          Fn(&ReplayReadTagList)},
        {CF_GET_TAG_VALUE,          Fn(&ReplayGetTagValue)},
        {CF_GET_TAG_DATA_TYPE,      Fn(&ReplayGetTagDataType)},
        {CF_GET_IO_STATUS,          Fn(&ReplayGetIOStatus)},
        {CF_GET_DATA_QUALITY,       Fn(&ReplayGetDataQuality)},
        {CF_GET_ARRAY_DIMS,         Fn(&ReplayGetArrayDims)},
        {CF_GET_ARRAY_LOWER_BOUND,  Fn(&ReplayGetArrayLowerBound)},
        {CF_GET_ARRAY_UPPER_BOUND,  Fn(&ReplayGetArrayUpperBound)},
    };
    ImportSeam seams[CF_COUNT + 3] = {};
    seams[CF_COUNT + 0] = {kHostLibrary, "ErrorMsg",    0, Fn(&ReplayErrorMsg),    nullptr};
    seams[CF_COUNT + 1] = {kUser32,      "MessageBoxA", 0, Fn(&ReplayMessageBoxA), nullptr};
    seams[CF_COUNT + 2] = {kKernel32,    "Sleep",       0, Fn(&ReplaySleep),       nullptr};
    // clang-format on
    for (const auto& a : answerers) {
        seams[a.id] = {kClientLibrary, ClientFunctionNames[a.id], ClientImportOrdinal(a.id),
                       a.answerer, nullptr};
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
