#include "dcshost/replay/call_check.h"

namespace {

const size_t kLinesBefore = 5;

void* HandleOf(uintptr_t value) { return reinterpret_cast<void*>(value); }

}  // namespace

void CallCheck::Begin(const std::vector<const RecordedCall*>& calls, int64_t returned_line)
{
    calls_ = &calls;
    next_ = 0;
    returned_line_ = returned_line;
}

const RecordedCall* CallCheck::Match(LineKind kind, const std::string& fields,
                                     const std::string& values)
{
    if (difference_.found || !calls_) return nullptr;
    // A write's values follow its arguments as in the recording; its answer is not known.
    auto now = [&] { return values.empty() ? fields : fields + " = ? " + values; };
    if (next_ >= calls_->size()) {
        difference_.call = static_cast<int64_t>(next_) + 1;
        Differ(returned_line_, "(the entry point returned)", now());
        return nullptr;
    }
    const RecordedCall& recorded = *(*calls_)[next_];
    // A read value is the answer, not the driver's: only what it writes is checked.
    bool checked_values = kind == LineKind::Call && WritesValues(recorded.function);
    if (recorded.kind != kind || recorded.fields != fields ||
        (checked_values && recorded.values != values)) {
        difference_.call = static_cast<int64_t>(next_) + 1;
        Differ(recorded.line, recorded.text, now());
        return nullptr;
    }
    ++next_;
    if (kind == LineKind::Call) ++matched_;
    return &recorded;
}

void CallCheck::End()
{
    if (difference_.found || !calls_ || next_ >= calls_->size()) return;
    const RecordedCall& recorded = *(*calls_)[next_];
    difference_.call = static_cast<int64_t>(next_) + 1;
    Differ(recorded.line, recorded.text, "(the entry point returned)");
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
        difference_.before.push_back((*calls_)[k]->text);
}

uint32_t CallCheck::NumberOf(const void* handle)
{
    if (!handle) return 0;
    auto known = number_of_.find(reinterpret_cast<uintptr_t>(handle));
    if (known != number_of_.end()) return known->second;
    // Not one it was given: the recorder would have numbered it as new.
    uint32_t number = ++highest_;
    number_of_.emplace(reinterpret_cast<uintptr_t>(handle), number);
    return number;
}

void* CallCheck::HandleFor(uint32_t number)
{
    if (number == 0) return nullptr;
    if (number > highest_) highest_ = number;
    auto known = fake_of_.find(number);
    if (known != fake_of_.end()) return HandleOf(known->second);
    // Aligned, never null, never a number's twin; nothing reads through them.
    uintptr_t fake = next_fake_;
    next_fake_ += 16;
    fake_of_.emplace(number, fake);
    number_of_[fake] = number;
    return HandleOf(fake);
}
