#include "recording/format/pass_codec.h"

#include "recording/format/value_text.h"

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
    k_ = 0;
    bytes_ = 0;
}

// False when `n` more calls would take this call past a reader's bounds.
bool PassDecoder::Reaches(size_t n, const char* form, std::string& error) const
{
    const Pass& pass = passes_[entry_];
    if (*form && k_ + n > pass.count) {
        error = std::string(form) + " reaches past the " + std::to_string(pass.count) +
                " calls of the previous " + RecordEntryNames[entry_];
        return false;
    }
    if (k_ + n > kMaxCallsPerPass) {
        error = "more than " + std::to_string(kMaxCallsPerPass) + " client-library calls in one " +
                RecordEntryNames[entry_];
        return false;
    }
    return true;
}

bool PassDecoder::Expand(std::string_view line, size_t& first, size_t& count, std::string& error)
{
    Pass& pass = passes_[entry_];
    first = k_;
    count = 1;
    if (line.size() >= 2 && line[0] == '*' && line[1] == ' ') {
        int64_t n;
        if (!ParseInt(line.substr(2), 1, INT32_MAX, n)) {
            error = "'*' needs a count of 1 or more";
            return false;
        }
        std::string form = "'* " + std::to_string(n) + "'";
        if (!Reaches(static_cast<size_t>(n), form.c_str(), error)) return false;
        count = static_cast<size_t>(n);
        for (size_t k = k_; k < k_ + count; ++k) bytes_ += pass.lines[k].size();
    } else if (line.size() >= 2 && line[0] == '~' && line[1] == ' ') {
        if (k_ >= pass.count) {
            error = "'~' has no call " + std::to_string(k_ + 1) + " in the previous " +
                    RecordEntryNames[entry_];
            return false;
        }
        if (!Reaches(1, "", error)) return false;
        std::string& call = pass.lines[k_];
        call.resize(CallResultAt(call) + 2);
        call.append(line.data() + 1, line.size() - 1);
        bytes_ += call.size();
    } else {
        if (CallResultAt(line) == std::string_view::npos) {
            error = "a client-library call without ' = '";
            return false;
        }
        if (!Reaches(1, "", error)) return false;
        if (k_ < pass.lines.size())
            pass.lines[k_].assign(line.data(), line.size());
        else
            pass.lines.emplace_back(line);
        bytes_ += line.size();
    }
    k_ += count;
    if (bytes_ > kMaxPassBytes) {
        error = "more than " + std::to_string(kMaxPassBytes >> 20) +
                " MiB of client-library calls in one " + RecordEntryNames[entry_];
        return false;
    }
    return true;
}

void PassDecoder::End()
{
    passes_[entry_].count = k_;
    k_ = 0;
}
