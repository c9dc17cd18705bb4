// The client library's functions as a recording writes their calls, one row
// each: the recorder's wrappers, the replay's reading of a recorded call and
// its answerers all take a function's facts from its row. A call's line is
//   NAME ARG... = ANSWER[ VALUE[,VALUE...]]
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "recording/format/value_text.h"

// ID, NAME, ORDINAL, ARGS, ANSWER, VALUES, CAP, FAILED
//   ORDINAL: in VNXAPIWX.dll, which exports none by name
//            (platform/win32/VNXAPIWX.def); imports elsewhere match by name.
//   ARGS: a letter per parameter, in order, as the line writes it: h a handle
//         ("h3"), i an int, n the count of values and c their conversion
//         (ints too), t a text; v the values written, b the buffer read into,
//         s the context slot (each "*", or "-" when null).
//   ANSWER: Status (int16), Int (int32), Handle (a number seen before, or a
//           new one), NewHandle (always a new number).
//   VALUES after the answer: None; Written, the n values at v, checked by a
//          replay, CAP at the most; Read, the value at b when the status is 0;
//          Slot, what was put in s. Read and Slot are answered by a replay.
//   FAILED: what a replay answers once the driver's calls differ, so the
//           driver gives up soon (a handle: none).
// clang-format off
#define CLIENT_FUNCTIONS(X) \
    X(API_STARTUP,              ApiStartup,            57, "",       Status,    None,    0,  -1) \
    X(DATA_SERVICES_STARTUP,    DataServicesStartup,    2, "s",      Status,    Slot,    1,  -1) \
    X(SERVICE_EVENTS,           ServiceEvents,          5, "",       Int,       None,    0,   0) \
    X(DATA_SERVICES_SHUTDOWN,   DataServicesShutdown,   3, "",       Status,    None,    0,  -1) \
    X(API_SHUTDOWN,             ApiShutdown,           58, "",       Status,    None,    0,  -1) \
    X(VALIDATE_TAG_NAME,        ValidateTagName,       10, "t",      Status,    None,    0,  -1) \
    X(OPEN_TAG,                 OpenTag,                6, "t",      NewHandle, None,    0,   0) \
    X(CLOSE_TAG,                CloseTag,               7, "h",      Status,    None,    0,  -1) \
    X(GET_TAG_STATUS,           GetTagStatus,          38, "h",      Status,    None,    0,  -1) \
    X(SET_TAG_VALUE,            SetTagValue,           37, "hnvc",   Status,    Written, kMaxClientValues, -1) \
    X(SET_ARRAY_ELEMENT,        SetArrayElement,      120, "hinvc",  Status,    Written, kMaxClientValues, -1) \
    X(SEND_TAG,                 SendTag,               40, "h",      Status,    None,    0,  -1) \
    X(CREATE_TAG_LIST,          CreateTagList,         13, "",       NewHandle, None,    0,   0) \
    X(ADD_TAG_TO_LIST,          AddTagToList,          15, "ht",     NewHandle, None,    0,   0) \
    X(REMOVE_TAG_FROM_LIST,     RemoveTagFromList,     16, "hh",     Status,    None,    0,  -1) \
    X(LIST_REWIND,              ListRewind,            18, "h",      Status,    None,    0,  -1) \
    X(LIST_FIRST,               ListFirst,             19, "h",      Handle,    None,    0,   0) \
    X(LIST_NEXT,                ListNext,              20, "h",      Handle,    None,    0,   0) \
    X(READ_TAG_LIST,            ReadTagList,           39, "h",      Status,    None,    0,  -1) \
    X(GET_TAG_VALUE,            GetTagValue,           28, "hibcii", Status,    Read,    1,  -1) \
    X(GET_TAG_DATA_TYPE,        GetTagDataType,        31, "h",      Int,       None,    0,   0) \
    X(GET_IO_STATUS,            GetIOStatus,           32, "hi",     Int,       None,    0,   0) \
    X(GET_DATA_QUALITY,         GetDataQuality,        33, "hi",     Int,       None,    0,   1) \
    X(GET_ARRAY_DIMS,           GetArrayDims,         106, "h",      Status,    None,    0,   0) \
    X(GET_ARRAY_LOWER_BOUND,    GetArrayLowerBound,   108, "hi",     Status,    None,    0,  -1) \
    X(GET_ARRAY_UPPER_BOUND,    GetArrayUpperBound,   109, "hi",     Status,    None,    0,  -1)
// clang-format on

enum ClientFunction {
#define CLIENT_FUNCTION_ID(id, ...) CF_##id,
    CLIENT_FUNCTIONS(CLIENT_FUNCTION_ID)
#undef CLIENT_FUNCTION_ID
        CF_COUNT
};

enum class AnswerShape : uint8_t { Status, Int, Handle, NewHandle };
enum class ValueShape : uint8_t { None, Written, Read, Slot };

struct ClientFunctionRow {
    const char* name;
    int ordinal;
    const char* args;
    AnswerShape answer;
    ValueShape values;
    int32_t cap;
    int32_t failed;
};

inline constexpr ClientFunctionRow kClientFunctions[CF_COUNT] = {
#define CLIENT_FUNCTION_ROW(id, name, ordinal, args, answer, values, cap, failed) \
  {#name, ordinal, args, AnswerShape::answer, ValueShape::values, cap, failed},
    CLIENT_FUNCTIONS(CLIENT_FUNCTION_ROW)
#undef CLIENT_FUNCTION_ROW
};

constexpr size_t CallArgCount(ClientFunction function)
{
    size_t n = 0;
    while (kClientFunctions[function].args[n]) ++n;
    return n;
}

// Whether a declaration of `arg_count` parameters, answering a pointer or
// not, is the row's: the wrappers and answerers made from the declarations
// check it.
constexpr bool FitsRow(ClientFunction function, size_t arg_count, bool answers_pointer)
{
    const AnswerShape answer = kClientFunctions[function].answer;
    return arg_count == CallArgCount(function) &&
           answers_pointer == (answer == AnswerShape::Handle || answer == AnswerShape::NewHandle);
}

// A call's key holds its arguments, its answer and one value (CallKey).
constexpr bool ArgsFitAKey()
{
    for (int f = 0; f < CF_COUNT; ++f) {
        if (CallArgCount(static_cast<ClientFunction>(f)) + 2 > 8) return false;
    }
    return true;
}
static_assert(ArgsFitAKey(), "a call's arguments, answer and value fit the 8 words of its key");

// The ordinal an import of `function` is matched by: its row's on Windows,
// 0 elsewhere.
int ClientImportOrdinal(ClientFunction function);

// CF_COUNT when `name` is none of them.
ClientFunction FindClientFunction(std::string_view name);

// An argument as the driver hands it over: an int, or a handle, a text or a
// buffer. Its row's letter says which.
struct CallArg {
    CallArg(int32_t value) : number(value) {}
    CallArg(const void* value) : pointer(value) {}
    int32_t number = 0;
    const void* pointer = nullptr;
};

// The values written after a call's answer, taken from its arguments by its
// row: null bytes for none.
struct CallValues {
    const void* bytes = nullptr;
    int32_t count = 0;
    int32_t conversion = 0;
};
CallValues ValuesOfCall(ClientFunction function, const CallArg* args, int64_t answer);
// "V,V,...": the values as the line writes them, at most the row's cap.
void AppendCallValues(std::string& out, ClientFunction function, const CallValues& values);

// Each argument to `line` as the row writes it: line.Int, .Text, .Handle or
// .Pointer, in order.
template <class Line>
void PutCallArgs(ClientFunction function, const CallArg* args, size_t count, Line& line)
{
    const char* shape = kClientFunctions[function].args;
    for (size_t i = 0; i < count && shape[i]; ++i) {
        switch (shape[i]) {
        case 'h':
            line.Handle(args[i].pointer);
            break;
        case 't':
            line.Text(static_cast<const char*>(args[i].pointer));
            break;
        case 'v':
        case 'b':
        case 's':
            line.Pointer(args[i].pointer);
            break;
        default:  // i, n, c
            line.Int(args[i].number);
            break;
        }
    }
}
