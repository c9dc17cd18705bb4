#include "dcshost/replay/recorded_calls.h"

#include "recording/format/value_text.h"

namespace {

bool ParseAnswer(AnswerShape answer, std::string_view text, RecordedCall& call)
{
    if (answer == AnswerShape::Handle || answer == AnswerShape::NewHandle) {
        uint32_t number = 0;
        if (!ParseHandle(text, number)) return false;
        call.result = number;
        return true;
    }
    int64_t low = answer == AnswerShape::Status ? INT16_MIN : INT32_MIN;
    int64_t high = answer == AnswerShape::Status ? INT16_MAX : INT32_MAX;
    return ParseInt(text, low, high, call.result);
}

bool ParseValues(ValueShape values, std::string_view text, RecordedCall& call)
{
    call.values = std::string(text);
    if (text.empty()) return true;
    char form = 0;
    switch (values) {
    case ValueShape::None:
        return false;
    case ValueShape::Written:
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
    case ValueShape::Read:
        return call.has_value = ParseClientValue(text, call.value, form);
    case ValueShape::Slot:
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
    const ClientFunctionRow& row = kClientFunctions[call.function];
    if (!NextField(answer, result) || !ParseAnswer(row.answer, result, call) ||
        !ParseValues(row.values, answer, call)) {
        error = "an answer of " + std::string(name) + " that cannot be read";
        return false;
    }
    return true;
}

}  // namespace

bool WritesValues(ClientFunction function)
{
    return function < CF_COUNT && kClientFunctions[function].values == ValueShape::Written;
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
