// The client library's functions as the driver calls them: each calls the
// original with the same arguments, records the call with its answer while
// an entry point runs, and returns the answer unchanged.
#include <cstring>

#include "dcs/vendor/vnxapi.h"
#include "recording/format/value_text.h"
#include "recording/recorder/recorder_calls.h"
#include "recording/recorder/recorder_state.h"

namespace {

void* g_original[CF_COUNT];

#define ORIGINAL(name, id) reinterpret_cast<decltype(&::name)>(g_original[id])

// SetTagValue and SetArrayElement: `count` values of 4 bytes, at most
// kMaxClientValues of them written.
void Values(int32_t count, const void* value, int32_t conversion)
{
    if (!value) return;
    const unsigned char* bytes = static_cast<const unsigned char*>(value);
    int32_t shown = count > kMaxClientValues ? kMaxClientValues : count;
    for (int32_t i = 0; i < shown; ++i) Value(conversion, bytes + 4 * i, i == 0);
}

uint32_t Word32(int64_t value) { return static_cast<uint32_t>(value); }

uint32_t Number(const void* handle) { return HandleNumber(handle, false); }

uint32_t Word(const void* bytes)
{
    uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// A call of no arguments answering an int.
#define PLAIN_CALL(name, id, result_type)    \
  result_type VNXCALL Rec##name(void)        \
  {                                          \
    result_type r = ORIGINAL(name, id)();    \
    if (!RecordingCalls()) return r;         \
    if (Repeated(id, {Word32(r)})) return r; \
    BeginCall(id);                           \
    ResultInt(r);                            \
    EndCall();                               \
    return r;                                \
  }

PLAIN_CALL(ApiStartup, CF_API_STARTUP, int16_t)
PLAIN_CALL(ServiceEvents, CF_SERVICE_EVENTS, int32_t)
PLAIN_CALL(DataServicesShutdown, CF_DATA_SERVICES_SHUTDOWN, int16_t)
PLAIN_CALL(ApiShutdown, CF_API_SHUTDOWN, int16_t)

int16_t VNXCALL RecDataServicesStartup(void* slot)
{
    int16_t r = ORIGINAL(DataServicesStartup, CF_DATA_SERVICES_STARTUP)(slot);
    if (!RecordingCalls()) return r;
    Unkeyed();
    BeginCall(CF_DATA_SERVICES_STARTUP);
    ArgPointer(slot);
    ResultInt(r);
    if (slot) Value(0, slot, true);
    EndCall();
    return r;
}

int16_t VNXCALL RecValidateTagName(const char* name)
{
    int16_t r = ORIGINAL(ValidateTagName, CF_VALIDATE_TAG_NAME)(name);
    if (!RecordingCalls()) return r;
    Unkeyed();
    BeginCall(CF_VALIDATE_TAG_NAME);
    ArgText(name);
    ResultInt(r);
    EndCall();
    return r;
}

VnxHandle VNXCALL RecOpenTag(const char* name)
{
    VnxHandle r = ORIGINAL(OpenTag, CF_OPEN_TAG)(name);
    if (!RecordingCalls()) return r;
    Unkeyed();
    BeginCall(CF_OPEN_TAG);
    ArgText(name);
    ResultHandle(r, true);
    EndCall();
    return r;
}

// A call of one handle answering an int.
#define HANDLE_CALL(name, id, result_type)                   \
  result_type VNXCALL Rec##name(VnxHandle handle)            \
  {                                                          \
    result_type r = ORIGINAL(name, id)(handle);              \
    if (!RecordingCalls()) return r;                         \
    if (Repeated(id, {Number(handle), Word32(r)})) return r; \
    BeginCall(id);                                           \
    ArgHandle(handle);                                       \
    ResultInt(r);                                            \
    EndCall();                                               \
    return r;                                                \
  }

HANDLE_CALL(CloseTag, CF_CLOSE_TAG, int16_t)
HANDLE_CALL(GetTagStatus, CF_GET_TAG_STATUS, int16_t)
HANDLE_CALL(SendTag, CF_SEND_TAG, int16_t)
HANDLE_CALL(ListRewind, CF_LIST_REWIND, int16_t)
HANDLE_CALL(ReadTagList, CF_READ_TAG_LIST, int16_t)
HANDLE_CALL(GetArrayDims, CF_GET_ARRAY_DIMS, int16_t)
HANDLE_CALL(GetTagDataType, CF_GET_TAG_DATA_TYPE, int32_t)

// One value or none keyed; more are always written out.
bool RepeatedWrite(ClientFunction id, std::initializer_list<uint32_t> args, int32_t count,
                   const void* value, int32_t conversion, int16_t r)
{
    if (count > 1) {
        Unkeyed();
        return false;
    }
    uint32_t words[8];
    size_t n = 0;
    for (uint32_t word : args) words[n++] = word;
    if (count == 1 && value) {
        return Repeated(id, {words[0], words[1], words[2], words[3], words[4],
                             static_cast<uint32_t>(conversion), Word32(r), Word(value)});
    }
    return Repeated(id, {words[0], words[1], words[2], words[3], words[4],
                         static_cast<uint32_t>(conversion), Word32(r)});
}

int16_t VNXCALL RecSetTagValue(VnxHandle tag, int32_t count, const void* value, int32_t conversion)
{
    int16_t r = ORIGINAL(SetTagValue, CF_SET_TAG_VALUE)(tag, count, value, conversion);
    if (!RecordingCalls()) return r;
    if (RepeatedWrite(CF_SET_TAG_VALUE, {Number(tag), 0, Word32(count), value != nullptr, 0}, count,
                      value, conversion, r))
        return r;
    BeginCall(CF_SET_TAG_VALUE);
    ArgHandle(tag);
    ArgInt(count);
    ArgPointer(value);
    ArgInt(conversion);
    ResultInt(r);
    Values(count, value, conversion);
    EndCall();
    return r;
}

int16_t VNXCALL RecSetArrayElement(VnxHandle tag, int32_t index, int32_t count, const void* value,
                                   int32_t conversion)
{
    int16_t r =
        ORIGINAL(SetArrayElement, CF_SET_ARRAY_ELEMENT)(tag, index, count, value, conversion);
    if (!RecordingCalls()) return r;
    if (RepeatedWrite(CF_SET_ARRAY_ELEMENT,
                      {Number(tag), Word32(index), Word32(count), value != nullptr, 0}, count,
                      value, conversion, r))
        return r;
    BeginCall(CF_SET_ARRAY_ELEMENT);
    ArgHandle(tag);
    ArgInt(index);
    ArgInt(count);
    ArgPointer(value);
    ArgInt(conversion);
    ResultInt(r);
    Values(count, value, conversion);
    EndCall();
    return r;
}

VnxHandle VNXCALL RecCreateTagList(void)
{
    VnxHandle r = ORIGINAL(CreateTagList, CF_CREATE_TAG_LIST)();
    if (!RecordingCalls()) return r;
    Unkeyed();
    BeginCall(CF_CREATE_TAG_LIST);
    ResultHandle(r, true);
    EndCall();
    return r;
}

VnxHandle VNXCALL RecAddTagToList(VnxHandle list, const char* name)
{
    VnxHandle r = ORIGINAL(AddTagToList, CF_ADD_TAG_TO_LIST)(list, name);
    if (!RecordingCalls()) return r;
    Unkeyed();
    BeginCall(CF_ADD_TAG_TO_LIST);
    ArgHandle(list);
    ArgText(name);
    ResultHandle(r, true);
    EndCall();
    return r;
}

int16_t VNXCALL RecRemoveTagFromList(VnxHandle list, VnxHandle item)
{
    int16_t r = ORIGINAL(RemoveTagFromList, CF_REMOVE_TAG_FROM_LIST)(list, item);
    if (!RecordingCalls()) return r;
    if (Repeated(CF_REMOVE_TAG_FROM_LIST, {Number(list), Number(item), Word32(r)})) return r;
    BeginCall(CF_REMOVE_TAG_FROM_LIST);
    ArgHandle(list);
    ArgHandle(item);
    ResultInt(r);
    EndCall();
    return r;
}

// A call of a list answering an item (a handle seen before keeps its number).
#define LIST_CALL(name, id)                                \
  VnxHandle VNXCALL Rec##name(VnxHandle list)              \
  {                                                        \
    VnxHandle r = ORIGINAL(name, id)(list);                \
    if (!RecordingCalls()) return r;                       \
    if (Repeated(id, {Number(list), Number(r)})) return r; \
    BeginCall(id);                                         \
    ArgHandle(list);                                       \
    ResultHandle(r, false);                                \
    EndCall();                                             \
    return r;                                              \
  }

LIST_CALL(ListFirst, CF_LIST_FIRST)
LIST_CALL(ListNext, CF_LIST_NEXT)

int16_t VNXCALL RecGetTagValue(VnxHandle item, int32_t index, void* buffer, int32_t conversion,
                               int32_t reserved1, int32_t reserved2)
{
    int16_t r = ORIGINAL(GetTagValue, CF_GET_TAG_VALUE)(item, index, buffer, conversion, reserved1,
                                                        reserved2);
    if (!RecordingCalls()) return r;
    const bool read = r == 0 && buffer;
    if (Repeated(CF_GET_TAG_VALUE,
                 {Number(item), Word32(index), buffer != nullptr, Word32(conversion),
                  Word32(reserved1), Word32(reserved2), Word32(r), read ? Word(buffer) : 0}))
        return r;
    BeginCall(CF_GET_TAG_VALUE);
    ArgHandle(item);
    ArgInt(index);
    ArgPointer(buffer);
    ArgInt(conversion);
    ArgInt(reserved1);
    ArgInt(reserved2);
    ResultInt(r);
    if (read) Value(conversion, buffer, true);
    EndCall();
    return r;
}

// A call of a handle and an int answering an int.
#define HANDLE_INT_CALL(name, id, result_type)                            \
  result_type VNXCALL Rec##name(VnxHandle handle, int32_t arg)            \
  {                                                                       \
    result_type r = ORIGINAL(name, id)(handle, arg);                      \
    if (!RecordingCalls()) return r;                                      \
    if (Repeated(id, {Number(handle), Word32(arg), Word32(r)})) return r; \
    BeginCall(id);                                                        \
    ArgHandle(handle);                                                    \
    ArgInt(arg);                                                          \
    ResultInt(r);                                                         \
    EndCall();                                                            \
    return r;                                                             \
  }

HANDLE_INT_CALL(GetIOStatus, CF_GET_IO_STATUS, int32_t)
HANDLE_INT_CALL(GetDataQuality, CF_GET_DATA_QUALITY, int32_t)
HANDLE_INT_CALL(GetArrayLowerBound, CF_GET_ARRAY_LOWER_BOUND, int16_t)
HANDLE_INT_CALL(GetArrayUpperBound, CF_GET_ARRAY_UPPER_BOUND, int16_t)

// The wrapper of each client function.
struct ClientSeam {
    ClientFunction id;
    void* replacement;
};

#define SEAM(id, name)                      \
  {                                         \
    id, reinterpret_cast<void*>(&Rec##name) \
  }
// clang-format off
const ClientSeam kClientSeams[CF_COUNT] = {
    SEAM(CF_API_STARTUP,            ApiStartup),
    SEAM(CF_DATA_SERVICES_STARTUP,  DataServicesStartup),
    SEAM(CF_SERVICE_EVENTS,         ServiceEvents),
    SEAM(CF_DATA_SERVICES_SHUTDOWN, DataServicesShutdown),
    SEAM(CF_API_SHUTDOWN,           ApiShutdown),
    SEAM(CF_VALIDATE_TAG_NAME,      ValidateTagName),
    SEAM(CF_OPEN_TAG,               OpenTag),
    SEAM(CF_CLOSE_TAG,              CloseTag),
    SEAM(CF_GET_TAG_STATUS,         GetTagStatus),
    SEAM(CF_SET_TAG_VALUE,          SetTagValue),
    SEAM(CF_SET_ARRAY_ELEMENT,      SetArrayElement),
    SEAM(CF_SEND_TAG,               SendTag),
    SEAM(CF_CREATE_TAG_LIST,        CreateTagList),
    SEAM(CF_ADD_TAG_TO_LIST,        AddTagToList),
    SEAM(CF_REMOVE_TAG_FROM_LIST,   RemoveTagFromList),
    SEAM(CF_LIST_REWIND,            ListRewind),
    SEAM(CF_LIST_FIRST,             ListFirst),
    SEAM(CF_LIST_NEXT,              ListNext),
    SEAM(CF_READ_TAG_LIST,          ReadTagList),
    SEAM(CF_GET_TAG_VALUE,          GetTagValue),
    SEAM(CF_GET_TAG_DATA_TYPE,      GetTagDataType),
    SEAM(CF_GET_IO_STATUS,          GetIOStatus),
    SEAM(CF_GET_DATA_QUALITY,       GetDataQuality),
    SEAM(CF_GET_ARRAY_DIMS,         GetArrayDims),
    SEAM(CF_GET_ARRAY_LOWER_BOUND,  GetArrayLowerBound),
    SEAM(CF_GET_ARRAY_UPPER_BOUND,  GetArrayUpperBound),
};
// clang-format on

#if defined(_WIN32)
const char kClientLibrary[] = "VNXAPIWX.dll";
#else
const char kClientLibrary[] = "libVNXAPIWX.so";
#endif

}  // namespace

void AddClientSeams(std::vector<ImportSeam>& seams)
{
    for (const ClientSeam& s : kClientSeams) {
        seams.push_back({kClientLibrary, ClientFunctionNames[s.id], ClientImportOrdinal(s.id),
                         s.replacement, nullptr});
    }
}

void TakeClientOriginals(const std::vector<ImportSeam>& seams, const NeighbourCalls* through)
{
    for (const ImportSeam& seam : seams) {
        for (const ClientSeam& s : kClientSeams) {
            // A slot that already held the recorder (a second recording of
            // the same module) keeps the original taken the first time.
            if (seam.replacement == s.replacement && seam.original &&
                seam.original != s.replacement)
                g_original[s.id] =
                    through && through->client[s.id] ? through->client[s.id] : seam.original;
        }
    }
}
