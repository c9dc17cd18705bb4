// The client library's functions as the driver calls them: each calls the
// original with the same arguments, records the call with its answer while
// an entry point runs, and returns the answer unchanged.
#include <cstring>

#include "dcs/vendor/vnxapi.h"
#include "recording/recorder/recorder_calls.h"
#include "recording/recorder/recorder_state.h"

namespace {

void* g_original[CF_COUNT];

#define ORIGINAL(name, id) reinterpret_cast<decltype(&::name)>(g_original[id])

// SetTagValue and SetArrayElement: `count` values of 4 bytes, at most 256.
const int32_t kMaxValues = 256;

void Values(int32_t count, const void* value, int32_t conversion)
{
    if (!value) return;
    const unsigned char* bytes = static_cast<const unsigned char*>(value);
    int32_t shown = count > kMaxValues ? kMaxValues : count;
    for (int32_t i = 0; i < shown; ++i) Value(conversion, bytes + 4 * i, i == 0);
}

int16_t VNXCALL RecApiStartup(void)
{
    int16_t r = ORIGINAL(ApiStartup, CF_API_STARTUP)();
    if (!RecordingCalls()) return r;
    BeginCall(CF_API_STARTUP);
    ResultInt(r);
    EndCall();
    return r;
}

int16_t VNXCALL RecDataServicesStartup(void* slot)
{
    int16_t r = ORIGINAL(DataServicesStartup, CF_DATA_SERVICES_STARTUP)(slot);
    if (!RecordingCalls()) return r;
    BeginCall(CF_DATA_SERVICES_STARTUP);
    ArgPointer(slot);
    ResultInt(r);
    if (slot) Value(0, slot, true);
    EndCall();
    return r;
}

int32_t VNXCALL RecServiceEvents(void)
{
    int32_t r = ORIGINAL(ServiceEvents, CF_SERVICE_EVENTS)();
    if (!RecordingCalls()) return r;
    BeginCall(CF_SERVICE_EVENTS);
    ResultInt(r);
    EndCall();
    return r;
}

int16_t VNXCALL RecDataServicesShutdown(void)
{
    int16_t r = ORIGINAL(DataServicesShutdown, CF_DATA_SERVICES_SHUTDOWN)();
    if (!RecordingCalls()) return r;
    BeginCall(CF_DATA_SERVICES_SHUTDOWN);
    ResultInt(r);
    EndCall();
    return r;
}

int16_t VNXCALL RecApiShutdown(void)
{
    int16_t r = ORIGINAL(ApiShutdown, CF_API_SHUTDOWN)();
    if (!RecordingCalls()) return r;
    BeginCall(CF_API_SHUTDOWN);
    ResultInt(r);
    EndCall();
    return r;
}

int16_t VNXCALL RecValidateTagName(const char* name)
{
    int16_t r = ORIGINAL(ValidateTagName, CF_VALIDATE_TAG_NAME)(name);
    if (!RecordingCalls()) return r;
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
    BeginCall(CF_OPEN_TAG);
    ArgText(name);
    ResultHandle(r, true);
    EndCall();
    return r;
}

// A call of one handle answering a status.
#define HANDLE_CALL(name, id)                 \
  int16_t VNXCALL Rec##name(VnxHandle handle) \
  {                                           \
    int16_t r = ORIGINAL(name, id)(handle);   \
    if (!RecordingCalls()) return r;          \
    BeginCall(id);                            \
    ArgHandle(handle);                        \
    ResultInt(r);                             \
    EndCall();                                \
    return r;                                 \
  }

HANDLE_CALL(CloseTag, CF_CLOSE_TAG)
HANDLE_CALL(GetTagStatus, CF_GET_TAG_STATUS)
HANDLE_CALL(SendTag, CF_SEND_TAG)
HANDLE_CALL(ListRewind, CF_LIST_REWIND)
HANDLE_CALL(ReadTagList, CF_READ_TAG_LIST)
HANDLE_CALL(GetArrayDims, CF_GET_ARRAY_DIMS)

int16_t VNXCALL RecSetTagValue(VnxHandle tag, int32_t count, const void* value, int32_t conversion)
{
    int16_t r = ORIGINAL(SetTagValue, CF_SET_TAG_VALUE)(tag, count, value, conversion);
    if (!RecordingCalls()) return r;
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
    BeginCall(CF_CREATE_TAG_LIST);
    ResultHandle(r, true);
    EndCall();
    return r;
}

VnxHandle VNXCALL RecAddTagToList(VnxHandle list, const char* name)
{
    VnxHandle r = ORIGINAL(AddTagToList, CF_ADD_TAG_TO_LIST)(list, name);
    if (!RecordingCalls()) return r;
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
    BeginCall(CF_REMOVE_TAG_FROM_LIST);
    ArgHandle(list);
    ArgHandle(item);
    ResultInt(r);
    EndCall();
    return r;
}

VnxHandle VNXCALL RecListFirst(VnxHandle list)
{
    VnxHandle r = ORIGINAL(ListFirst, CF_LIST_FIRST)(list);
    if (!RecordingCalls()) return r;
    BeginCall(CF_LIST_FIRST);
    ArgHandle(list);
    ResultHandle(r, false);
    EndCall();
    return r;
}

VnxHandle VNXCALL RecListNext(VnxHandle list)
{
    VnxHandle r = ORIGINAL(ListNext, CF_LIST_NEXT)(list);
    if (!RecordingCalls()) return r;
    BeginCall(CF_LIST_NEXT);
    ArgHandle(list);
    ResultHandle(r, false);
    EndCall();
    return r;
}

int16_t VNXCALL RecGetTagValue(VnxHandle item, int32_t index, void* buffer, int32_t conversion,
                               int32_t reserved1, int32_t reserved2)
{
    int16_t r = ORIGINAL(GetTagValue, CF_GET_TAG_VALUE)(item, index, buffer, conversion, reserved1,
                                                        reserved2);
    if (!RecordingCalls()) return r;
    BeginCall(CF_GET_TAG_VALUE);
    ArgHandle(item);
    ArgInt(index);
    ArgPointer(buffer);
    ArgInt(conversion);
    ArgInt(reserved1);
    ArgInt(reserved2);
    ResultInt(r);
    if (r == 0 && buffer) Value(conversion, buffer, true);
    EndCall();
    return r;
}

int32_t VNXCALL RecGetTagDataType(VnxHandle item)
{
    int32_t r = ORIGINAL(GetTagDataType, CF_GET_TAG_DATA_TYPE)(item);
    if (!RecordingCalls()) return r;
    BeginCall(CF_GET_TAG_DATA_TYPE);
    ArgHandle(item);
    ResultInt(r);
    EndCall();
    return r;
}

// A call of a handle and an int.
#define HANDLE_INT_CALL(name, id, result_type)                 \
  result_type VNXCALL Rec##name(VnxHandle handle, int32_t arg) \
  {                                                            \
    result_type r = ORIGINAL(name, id)(handle, arg);           \
    if (!RecordingCalls()) return r;                           \
    BeginCall(id);                                             \
    ArgHandle(handle);                                         \
    ArgInt(arg);                                               \
    ResultInt(r);                                              \
    EndCall();                                                 \
    return r;                                                  \
  }

HANDLE_INT_CALL(GetIOStatus, CF_GET_IO_STATUS, int32_t)
HANDLE_INT_CALL(GetDataQuality, CF_GET_DATA_QUALITY, int32_t)
HANDLE_INT_CALL(GetArrayLowerBound, CF_GET_ARRAY_LOWER_BOUND, int16_t)
HANDLE_INT_CALL(GetArrayUpperBound, CF_GET_ARRAY_UPPER_BOUND, int16_t)

struct ClientSeam {
    ClientFunction id;
    int ordinal;  // in VNXAPIWX.dll
    void* replacement;
};

#define SEAM(id, ordinal, name)                      \
  {                                                  \
    id, ordinal, reinterpret_cast<void*>(&Rec##name) \
  }
// clang-format off
const ClientSeam kClientSeams[CF_COUNT] = {
    SEAM(CF_API_STARTUP,            57,  ApiStartup),
    SEAM(CF_DATA_SERVICES_STARTUP,  2,   DataServicesStartup),
    SEAM(CF_SERVICE_EVENTS,         5,   ServiceEvents),
    SEAM(CF_DATA_SERVICES_SHUTDOWN, 3,   DataServicesShutdown),
    SEAM(CF_API_SHUTDOWN,           58,  ApiShutdown),
    SEAM(CF_VALIDATE_TAG_NAME,      10,  ValidateTagName),
    SEAM(CF_OPEN_TAG,               6,   OpenTag),
    SEAM(CF_CLOSE_TAG,              7,   CloseTag),
    SEAM(CF_GET_TAG_STATUS,         38,  GetTagStatus),
    SEAM(CF_SET_TAG_VALUE,          37,  SetTagValue),
    SEAM(CF_SET_ARRAY_ELEMENT,      120, SetArrayElement),
    SEAM(CF_SEND_TAG,               40,  SendTag),
    SEAM(CF_CREATE_TAG_LIST,        13,  CreateTagList),
    SEAM(CF_ADD_TAG_TO_LIST,        15,  AddTagToList),
    SEAM(CF_REMOVE_TAG_FROM_LIST,   16,  RemoveTagFromList),
    SEAM(CF_LIST_REWIND,            18,  ListRewind),
    SEAM(CF_LIST_FIRST,             19,  ListFirst),
    SEAM(CF_LIST_NEXT,              20,  ListNext),
    SEAM(CF_READ_TAG_LIST,          39,  ReadTagList),
    SEAM(CF_GET_TAG_VALUE,          28,  GetTagValue),
    SEAM(CF_GET_TAG_DATA_TYPE,      31,  GetTagDataType),
    SEAM(CF_GET_IO_STATUS,          32,  GetIOStatus),
    SEAM(CF_GET_DATA_QUALITY,       33,  GetDataQuality),
    SEAM(CF_GET_ARRAY_DIMS,         106, GetArrayDims),
    SEAM(CF_GET_ARRAY_LOWER_BOUND,  108, GetArrayLowerBound),
    SEAM(CF_GET_ARRAY_UPPER_BOUND,  109, GetArrayUpperBound),
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
#if defined(_WIN32)
        int ordinal = s.ordinal;
#else
        int ordinal = 0;
#endif
        seams.push_back(
            {kClientLibrary, ClientFunctionNames[s.id], ordinal, s.replacement, nullptr});
    }
}

void TakeClientOriginals(const std::vector<ImportSeam>& seams)
{
    for (const ImportSeam& seam : seams) {
        for (const ClientSeam& s : kClientSeams) {
            // A slot that already held the recorder (a second recording of
            // the same module) keeps the original taken the first time.
            if (seam.replacement == s.replacement && seam.original &&
                seam.original != s.replacement)
                g_original[s.id] = seam.original;
        }
    }
}
