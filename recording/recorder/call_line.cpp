#include "recording/recorder/call_line.h"

#include <cstring>

#include "recording/format/value_text.h"
#include "recording/recorder/recorder_state.h"

namespace {

// A handle's number; `fresh`: an answer that always takes a new one.
uint32_t HandleNumber(const void* handle, bool fresh)
{
    if (!handle) return 0;
    RecorderState& r = Rec();
    uint32_t& number = r.handles[reinterpret_cast<uintptr_t>(handle)];
    if (number == 0 || fresh) number = r.next_handle++;
    return number;
}

// The arguments as the line writes them (PutCallArgs).
struct ArgsText {
    std::string& line;
    void Int(int64_t value)
    {
        line += ' ';
        AppendInt(line, value);
    }
    void Text(const char* text)
    {
        line += ' ';
        AppendText(line, text);
    }
    void Handle(const void* handle)
    {
        line += ' ';
        AppendHandle(line, HandleNumber(handle, false));
    }
    void Pointer(const void* pointer) { line += pointer ? " *" : " -"; }
};

// The call as numbers, handles as theirs: two calls of the same key have the
// same line. False for what a key cannot hold: a text, a new handle, a
// context slot, more than one value.
bool KeyOf(ClientFunction function, std::initializer_list<CallArg> args, CallArg answer,
           const CallValues& values, CallKey& key)
{
    const ClientFunctionRow& row = kClientFunctions[function];
    if (std::strchr(row.args, 't') || row.answer == AnswerShape::NewHandle ||
        row.values == ValueShape::Slot || values.count > 1)
        return false;
    key.function = function;
    const char* shape = row.args;
    for (const CallArg& arg : args) {
        switch (*shape++) {
        case 'h':
            key.words[key.count++] = HandleNumber(arg.pointer, false);
            break;
        case 'v':
        case 'b':
            key.words[key.count++] = arg.pointer != nullptr;
            break;
        default:
            key.words[key.count++] = static_cast<uint32_t>(arg.number);
            break;
        }
    }
    key.words[key.count++] = row.answer == AnswerShape::Handle
                                 ? HandleNumber(answer.pointer, false)
                                 : static_cast<uint32_t>(answer.number);
    if (values.bytes && values.count == 1) std::memcpy(&key.words[key.count++], values.bytes, 4);
    return true;
}

void StoreKey(const CallKey& key)
{
    RecorderState& r = Rec();
    std::vector<CallKey>& keys = r.keys[r.entry];
    size_t k = r.encoder.Position();
    if (keys.size() <= k) keys.resize(k + 1);
    keys[k] = key;
}

// True when the call is the same as the previous pass's at its place: it is
// counted and needs no line.
bool Repeated(const CallKey& key)
{
    RecorderState& r = Rec();
    const std::vector<CallKey>& keys = r.keys[r.entry];
    size_t k = r.encoder.Position();
    // Keys past the previous call's end are stale: compared only below it.
    if (k < keys.size() && k < r.previous_calls && keys[k].function == key.function &&
        keys[k].count == key.count &&
        std::memcmp(keys[k].words, key.words, key.count * sizeof(uint32_t)) == 0) {
        r.encoder.Same();
        return true;
    }
    StoreKey(key);
    return false;
}

}  // namespace

void RecordCall(ClientFunction function, std::initializer_list<CallArg> args, CallArg answer)
{
    const ClientFunctionRow& row = kClientFunctions[function];
    const CallValues values = ValuesOfCall(function, args.begin(), answer.number);
    CallKey key;
    if (!KeyOf(function, args, answer, values, key)) {
        StoreKey(CallKey());
    } else if (Repeated(key)) {
        return;
    }
    RecorderState& r = Rec();
    std::string& line = r.line;
    line.assign(row.name);
    ArgsText text{line};
    PutCallArgs(function, args.begin(), args.size(), text);
    line += " = ";
    if (row.answer == AnswerShape::Handle || row.answer == AnswerShape::NewHandle)
        AppendHandle(line, HandleNumber(answer.pointer, row.answer == AnswerShape::NewHandle));
    else
        AppendInt(line, answer.number);
    if (values.bytes && values.count >= 1) {
        line += ' ';
        AppendCallValues(line, function, values);
    }
    r.encoder.Call(r.line, r.out);
}

void HostLine(const std::string& line)
{
    RecorderState& r = Rec();
    r.encoder.Host(line, r.out);
}
