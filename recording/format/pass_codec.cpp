#include "recording/format/pass_codec.h"

#include "recording/format/value_text.h"

// clang-format off
const char* const RecordEntryNames[REC_ENTRY_COUNT] = {
    "DCSLoad", "DCSConfigure", "DCSInitialize", "DCSStart", "DCSStop",
    "DCSSimulate", "DCSTimeZero", "DCSReset", "DCSDestroy",
};
// clang-format on

size_t CallResultAt(std::string_view line)
{
    bool quoted = false;
    for (size_t i = 0; i + 2 < line.size(); ++i) {
        char c = line[i];
        if (quoted) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ' ' && line[i + 1] == '=' && line[i + 2] == ' ') {
            return i;
        }
    }
    return std::string_view::npos;
}

void PassEncoder::Begin(RecordEntryId entry)
{
    entry_ = entry;
    k_ = 0;
    run_ = 0;
}

void PassEncoder::Flush(std::string& out)
{
    if (run_ == 0) return;
    out += "* ";
    AppendInt(out, static_cast<int64_t>(run_));
    out += '\n';
    run_ = 0;
}

// The k-th line of the previous call is set against the k-th of this one
// once, so this one's takes its place there; a line the same as before
// costs no copy.
void PassEncoder::Call(std::string_view line, std::string& out)
{
    Pass& pass = passes_[entry_];
    const size_t k = k_++;
    if (k < pass.count) {
        std::string& before = pass.lines[k];
        if (before == line) {
            ++run_;
            return;
        }
        size_t at = CallResultAt(line);
        bool same_call = at != std::string_view::npos && before.size() > at &&
                         std::string_view(before).substr(0, at + 3) == line.substr(0, at + 3);
        before.assign(line.data(), line.size());
        Flush(out);
        if (same_call) {
            out += '~';
            out.append(line.data() + at + 2, line.size() - at - 2);
            out += '\n';
            return;
        }
    } else if (k < pass.lines.size()) {
        pass.lines[k].assign(line.data(), line.size());
        Flush(out);
    } else {
        pass.lines.emplace_back(line);
        Flush(out);
    }
    out.append(line.data(), line.size());
    out += '\n';
}

void PassEncoder::Host(std::string_view line, std::string& out)
{
    Flush(out);
    out.append(line.data(), line.size());
}

void PassEncoder::End(std::string& out)
{
    Flush(out);
    passes_[entry_].count = k_;
    k_ = 0;
}

void PassDecoder::Begin(RecordEntryId entry)
{
    entry_ = entry;
    current_.clear();
    bytes_ = 0;
}

bool PassDecoder::Expand(std::string_view line, std::vector<std::string>& calls, std::string& error)
{
    const std::vector<std::string>& previous = previous_[entry_];
    size_t k = current_.size();
    size_t first = calls.size();
    if (!ExpandLine(line, previous, k, calls, error)) return false;
    for (size_t i = first; i < calls.size(); ++i) bytes_ += calls[i].size();
    if (bytes_ > kMaxPassBytes) {
        error = "more than " + std::to_string(kMaxPassBytes >> 20) +
                " MiB of client-library calls in one " + RecordEntryNames[entry_];
        return false;
    }
    return true;
}

bool PassDecoder::ExpandLine(std::string_view line, const std::vector<std::string>& previous,
                             size_t k, std::vector<std::string>& calls, std::string& error)
{
    if (k >= kMaxCallsPerPass) {
        error = "more than " + std::to_string(kMaxCallsPerPass) + " client-library calls in one " +
                RecordEntryNames[entry_];
        return false;
    }
    if (line.size() >= 2 && line[0] == '*' && line[1] == ' ') {
        int64_t n;
        if (!ParseInt(line.substr(2), 1, INT32_MAX, n)) {
            error = "'*' needs a count of 1 or more";
            return false;
        }
        size_t left = k < previous.size() ? previous.size() - k : 0;
        if (static_cast<uint64_t>(n) > left) {
            error = "'* " + std::to_string(n) + "' reaches past the " +
                    std::to_string(previous.size()) + " calls of the previous " +
                    RecordEntryNames[entry_];
            return false;
        }
        for (int64_t i = 0; i < n; ++i) {
            current_.push_back(previous[k + static_cast<size_t>(i)]);
            calls.push_back(current_.back());
        }
        return true;
    }
    if (line.size() >= 2 && line[0] == '~' && line[1] == ' ') {
        if (k >= previous.size()) {
            error = "'~' has no call " + std::to_string(k + 1) + " in the previous " +
                    RecordEntryNames[entry_];
            return false;
        }
        size_t at = CallResultAt(previous[k]);
        current_.push_back(previous[k].substr(0, at + 2) + std::string(line.substr(1)));
        calls.push_back(current_.back());
        return true;
    }
    if (CallResultAt(line) == std::string_view::npos) {
        error = "a client-library call without ' = '";
        return false;
    }
    current_.emplace_back(line);
    calls.push_back(current_.back());
    return true;
}

void PassDecoder::End()
{
    previous_[entry_].swap(current_);
    current_.clear();
}
