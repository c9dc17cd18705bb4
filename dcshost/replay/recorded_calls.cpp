#include "dcshost/replay/recorded_calls.h"

#include "recording/format/value_text.h"

namespace {

enum class Answer { Status, Int, Handle };
enum class Values { None, Written, Read, ContextSlot };

struct Shape {
    Answer answer;
    Values values;
};

// By ClientFunction.
// clang-format off
const Shape kShapes[CF_COUNT] = {
    /* ApiStartup           */ {Answer::Status, Values::None},
    /* DataServicesStartup  */ {Answer::Status, Values::ContextSlot},
    /* ServiceEvents        */ {Answer::Int,    Values::None},
    /* DataServicesShutdown */ {Answer::Status, Values::None},
    /* ApiShutdown          */ {Answer::Status, Values::None},
    /* ValidateTagName      */ {Answer::Status, Values::None},
    /* OpenTag              */ {Answer::Handle, Values::None},
    /* CloseTag             */ {Answer::Status, Values::None},
    /* GetTagStatus         */ {Answer::Status, Values::None},
    /* SetTagValue          */ {Answer::Status, Values::Written},
    /* SetArrayElement      */ {Answer::Status, Values::Written},
    /* SendTag              */ {Answer::Status, Values::None},
    /* CreateTagList        */ {Answer::Handle, Values::None},
    /* AddTagToList         */ {Answer::Handle, Values::None},
    /* RemoveTagFromList    */ {Answer::Status, Values::None},
    /* ListRewind           */ {Answer::Status, Values::None},
    /* ListFirst            */ {Answer::Handle, Values::None},
    /* ListNext             */ {Answer::Handle, Values::None},
    /* ReadTagList          */ {Answer::Status, Values::None},
    /* GetTagValue          */ {Answer::Status, Values::Read},
    /* GetTagDataType       */ {Answer::Int,    Values::None},
    /* GetIOStatus          */ {Answer::Int,    Values::None},
    /* GetDataQuality       */ {Answer::Int,    Values::None},
    /* GetArrayDims         */ {Answer::Status, Values::None},
    /* GetArrayLowerBound   */ {Answer::Status, Values::None},
    /* GetArrayUpperBound   */ {Answer::Status, Values::None},
};
// clang-format on

bool ParseAnswer(Answer answer, std::string_view text, RecordedCall& call)
{
    if (answer == Answer::Handle) {
        uint32_t number = 0;
        if (!ParseHandle(text, number)) return false;
        call.result = number;
        return true;
    }
    int64_t low = answer == Answer::Status ? INT16_MIN : INT32_MIN;
    int64_t high = answer == Answer::Status ? INT16_MAX : INT32_MAX;
    return ParseInt(text, low, high, call.result);
}

bool ParseValues(Values values, std::string_view text, RecordedCall& call)
{
    call.values = std::string(text);
    if (text.empty()) return true;
    char form = 0;
    switch (values) {
    case Values::None:
        return false;
    case Values::Written:
        // Checked as text against what the driver writes now; each read
        // here only to refuse what no recorder writes.
        for (size_t start = 0; start <= text.size();) {
            size_t comma = text.find(',', start);
            if (comma == std::string_view::npos) comma = text.size();
            if (!ParseClientValue(text.substr(start, comma - start), call.value, form))
                return false;
            start = comma + 1;
        }
        return true;
    case Values::Read:
        return call.has_value = ParseClientValue(text, call.value, form);
    case Values::ContextSlot:
        return call.has_value = ParseClientValue(text, call.value, form) && form == 'x';
    }
    return false;
}

bool TakeCall(const RecordingEvent& event, RecordedCall& call, std::string& error)
{
    std::string_view line = event.call, rest = line, name;
    size_t at = CallResultAt(line);
    NextField(rest, name);
    call.function = FindClientFunction(name);
    if (call.function == CF_COUNT || at == std::string_view::npos) {
        error = "a call that cannot be read";
        return false;
    }
    call.text = event.call;
    call.fields = std::string(line.substr(0, at));
    // " = RESULT VALUES"
    std::string_view answer = line.substr(at + 3), result;
    const Shape& shape = kShapes[call.function];
    if (!NextField(answer, result) || !ParseAnswer(shape.answer, result, call) ||
        !ParseValues(shape.values, answer, call)) {
        error = "an answer of " + std::string(name) + " that cannot be read";
        return false;
    }
    return true;
}

}  // namespace

bool WritesValues(ClientFunction function)
{
    return function < CF_COUNT && kShapes[function].values == Values::Written;
}

bool TakeRecordedLine(const RecordingEvent& event, RecordedCall& call, std::string& error)
{
    call = RecordedCall{};
    call.line = event.line;
    switch (event.kind) {
    case EV_CALL:
        call.kind = LineKind::Call;
        return TakeCall(event, call, error);
    case EV_MESSAGE:
        call.kind = LineKind::Message;
        call.fields = "msg ";
        AppendText(call.fields, event.key);
        if (event.unknown_key) call.fields += " ?";
        for (const MessageArg& arg : event.args) {
            call.fields += ' ';
            if (arg.is_text)
                AppendText(call.fields, arg.text);
            else
                AppendInt(call.fields, arg.number);
        }
        call.text = call.fields;
        return true;
    case EV_BOX:
        call.kind = LineKind::Box;
        call.fields = "box ";
        AppendText(call.fields, event.caption_null ? nullptr : event.caption.c_str());
        call.fields += ' ';
        AppendText(call.fields, event.text_null ? nullptr : event.text.c_str());
        call.fields += ' ';
        AppendInt(call.fields, event.type);
        call.result = event.result;
        call.text = call.fields + " = " + std::to_string(event.result);
        return true;
    case EV_SLEEP:
        call.kind = LineKind::Sleep;
        call.fields = "sleep ";
        AppendInt(call.fields, event.ms);
        call.text = call.fields;
        return true;
    default:
        error = "not a call or host line";
        return false;
    }
}
