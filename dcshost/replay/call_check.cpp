#include "dcshost/replay/call_check.h"

namespace {

const size_t kLinesBefore = 5;
const uintptr_t kFirstFake = 0x10000;
const uintptr_t kFakeStep = 16;

void* HandleOf(uintptr_t value) { return reinterpret_cast<void*>(value); }

}  // namespace

void CallCheck::Begin(const std::vector<RecordedAt>& calls, int64_t returned_line)
{
    calls_ = &calls;
    next_ = run_ = in_run_ = 0;
    returned_line_ = returned_line;
}

const RecordedCall& CallCheck::CallAt(size_t k) const
{
    size_t run = 0;
    for (; k >= (*calls_)[run].count; ++run) k -= (*calls_)[run].count;
    return (*calls_)[run].call[k];
}

const RecordedCall* CallCheck::Match(LineKind kind, const std::string& fields,
                                     const std::string& values)
{
    return Check(kind, &fields, values);
}

const RecordedCall* CallCheck::Check(LineKind kind, const std::string* fields,
                                     const std::string& values)
{
    if (difference_.found || !calls_) return nullptr;
    // A write's values follow its arguments as in the recording; its answer is not known.
    auto now = [&](const std::string& text) {
        return values.empty() ? text : text + " = ? " + values;
    };
    if (run_ >= calls_->size()) {
        difference_.call = static_cast<int64_t>(next_) + 1;
        Differ(returned_line_, "(the entry point returned)", now(fields ? *fields : ""));
        return nullptr;
    }
    const RecordedAt& at = (*calls_)[run_];
    const RecordedCall& recorded = at.call[in_run_];
    // A read value is the answer, not the driver's: only what it writes is checked.
    bool checked_values = kind == LineKind::Call && WritesValues(recorded.function);
    if (recorded.kind != kind || (fields && recorded.fields != *fields) ||
        (checked_values && recorded.values != values)) {
        difference_.call = static_cast<int64_t>(next_) + 1;
        Differ(at.line, recorded.text, now(fields ? *fields : recorded.fields));
        return nullptr;
    }
    ++next_;
    if (++in_run_ == at.count) ++run_, in_run_ = 0;
    if (kind == LineKind::Call) ++matched_;
    return &recorded;
}

void CallCheck::End()
{
    if (difference_.found || !calls_ || run_ >= calls_->size()) return;
    const RecordedAt& at = (*calls_)[run_];
    difference_.call = static_cast<int64_t>(next_) + 1;
    Differ(at.line, at.call[in_run_].text, "(the entry point returned)");
}

void CallCheck::Differ(int64_t line, const std::string& recorded, const std::string& now)
{
    if (difference_.found) return;
    difference_.found = true;
    difference_.line = line;
    difference_.recorded = recorded;
    difference_.now = now;
    // The lines matched last in this call of the entry point.
    for (size_t k = next_ > kLinesBefore ? next_ - kLinesBefore : 0; calls_ && k < next_; ++k)
        difference_.before.push_back(CallAt(k).text);
}

uint32_t CallCheck::NumberOf(const void* handle)
{
    if (!handle) return 0;
    // A fake it was given: found by its place, as the driver passes one on
    // nearly every call.
    const uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    const uintptr_t place = (value - kFirstFake) / kFakeStep;
    if (value >= kFirstFake && value % kFakeStep == 0 && place < number_of_fake_.size())
        return number_of_fake_[place];
    auto known = number_of_.find(value);
    if (known != number_of_.end()) return known->second;
    // Not one it was given: the recorder would have numbered it as new.
    uint32_t number = ++highest_;
    number_of_.emplace(value, number);
    return number;
}

void* CallCheck::HandleFor(uint32_t number)
{
    if (number == 0) return nullptr;
    if (number > highest_) highest_ = number;
    auto known = fake_of_.find(number);
    if (known != fake_of_.end()) return HandleOf(known->second);
    // Aligned, never null, never a number's twin; nothing reads through them.
    uintptr_t fake = kFirstFake + kFakeStep * number_of_fake_.size();
    number_of_fake_.push_back(number);
    fake_of_.emplace(number, fake);
    return HandleOf(fake);
}
