#include "recording/format/recording_reader.h"

#include <cmath>
#include <cstring>

#include "recording/format/client_functions.h"
#include "recording/format/value_text.h"

namespace {

const char kMagic[] = "# vornak recording ";

bool IsStartTime(const std::string& t)
{
    const char* shape = "dddd-dd-ddTdd:dd:ddZ";
    if (t.size() != std::strlen(shape)) return false;
    for (size_t i = 0; i < t.size(); ++i) {
        if (shape[i] == 'd' ? (t[i] < '0' || t[i] > '9') : t[i] != shape[i]) return false;
    }
    return true;
}

bool ParseWord(std::string_view field, int64_t low, int64_t high, uint32_t& value)
{
    int64_t v;
    if (!ParseInt(field, low, high, v)) return false;
    value = static_cast<uint32_t>(v);
    return true;
}

}  // namespace

bool RecordingReader::OpenFile(const std::string& path, std::string& error)
{
    if (!lines_.OpenFile(path, error)) return false;
    return ReadHeader(error);
}

bool RecordingReader::OpenMemory(const void* data, size_t size, std::string& error)
{
    lines_.OpenMemory(data, size);
    return ReadHeader(error);
}

bool RecordingReader::Fail(const std::string& what)
{
    if (!failed_) {
        failed_ = true;
        error_ = lines_.Failed() ? lines_.Error()
                                 : "line " + std::to_string(lines_.LineNumber()) + ": " + what;
        // A damaged stream can read as lines of the wrong text before zlib notices.
        std::string damage = DamageAfter();
        if (!damage.empty()) error_ += " (" + damage + ")";
    }
    return false;
}

bool RecordingReader::ReadHeader(std::string& error)
{
    std::string_view line;
    if (!lines_.Next(line)) {
        failed_ = true;
        error_ = "line 1: not a recording";
        if (lines_.Failed()) error_ += " (" + lines_.Error() + ")";
        error = error_;
        return false;
    }
    const size_t magic = sizeof kMagic - 1;
    int64_t version = 0;
    if (line.substr(0, magic) != kMagic || !ParseInt(line.substr(magic), 1, INT32_MAX, version)) {
        Fail("not a recording");
    } else if (version > kRecordingVersion) {
        Fail("a recording of format " + std::to_string(version) + ", newer than this reader's " +
             std::to_string(kRecordingVersion));
    }
    header_.version = static_cast<int>(version);
    struct Item {
        const char* name;
        std::string* value;
    } items[] = {{"@platform", &header_.platform},
                 {"@driver", &header_.driver},
                 {"@start", &header_.start},
                 {"@by", &header_.by}};
    for (const Item& item : items) {
        if (failed_) break;
        size_t n = std::strlen(item.name);
        if (!lines_.Next(line)) {
            Fail("the header ends before " + std::string(item.name));
            break;
        }
        if (line.substr(0, n) != item.name || line.size() < n + 2 || line[n] != ' ') {
            Fail("expected " + std::string(item.name) + " and its value");
            break;
        }
        item.value->assign(line.substr(n + 1));
    }
    if (!failed_ && header_.platform != "linux-i686" && header_.platform != "win32")
        Fail("unknown @platform '" + header_.platform + "'");
    if (!failed_ && !IsStartTime(header_.start))
        Fail("@start is not a UTC time such as 2026-12-08T09:20:00Z");
    if (failed_) error = error_;
    return !failed_;
}

bool RecordingReader::Next(RecordingEvent& event)
{
    if (failed_ || state_ == ENDED) return false;
    if (next_pending_ < end_pending_) {
        event.kind = EV_CALL;
        event.line = pending_line_;
        event.entry = entry_;
        event.raw = std::string_view();
        event.position = next_pending_;
        event.call = decoder_.Call(next_pending_++);
        return true;
    }
    std::string_view line;
    if (!lines_.Next(line)) {
        if (lines_.Failed()) return Fail("");
        if (state_ == WALLED) return Fail("the recording ends after a W line");
        if (state_ != OUTSIDE)
            return Fail(std::string("the recording ends inside ") + RecordEntryNames[entry_]);
        cut_ = lines_.Cut();
        return Fail(cut_ ? "cut after a whole entry point: the session ended without DCSDestroy"
                         : "the recording ends without its 'end' line (cut short?)");
    }
    event = RecordingEvent();
    event.line = lines_.LineNumber();
    event.raw = line;
    event.entry = entry_;
    return ReadLine(line, event);
}

bool RecordingReader::ReadLine(std::string_view line, RecordingEvent& event)
{
    std::string error;
    std::string_view rest = line, word;
    if (!NextField(rest, word)) return Fail("an empty or badly spaced line");

    if (state_ == WALLED && !(word == ">" && rest == RecordEntryNames[REC_SIMULATE]))
        return Fail("a W line must come right before '> DCSSimulate'");
    if (state_ == OUTSIDE || state_ == WALLED) return BetweenEntriesLine(line, word, rest, event);
    if (word == "i") {
        if (state_ != BLOCK_IN) return Fail("an 'i' line after the call's first call or host line");
        event.kind = EV_BLOCK_IN;
        if (!ParseBlockLine(rest, event.block, error, &rows_)) return Fail(error);
        return true;
    }
    if (word == "o") {
        if (state_ != BLOCK_OUT) rows_ = BlockRowRun();
        state_ = BLOCK_OUT;
        event.kind = EV_BLOCK_OUT;
        if (!ParseBlockLine(rest, event.block, error, &rows_)) return Fail(error);
        return true;
    }
    if (word == "<") {
        int64_t result;
        if (!ParseInt(rest, INT32_MIN, INT32_MAX, result)) return Fail("'<' needs an int result");
        event.kind = EV_RETURN;
        event.result = static_cast<int32_t>(result);
        decoder_.End();
        state_ = OUTSIDE;
        return true;
    }
    if (state_ == BLOCK_OUT) return Fail("only 'o' lines and '<' after the first 'o' line");
    state_ = CALLS;
    if (word == "msg" || word == "box" || word == "sleep") return HostLine(line, event);
    bool short_form = word == "*" || word == "~";
    if (!short_form && FindClientFunction(word) == CF_COUNT)
        return Fail("'" + std::string(word) + "' is not a line of a recording");
    size_t first = 0, count = 0;
    if (!decoder_.Expand(line, first, count, error)) return Fail(error);
    event.position = first;
    if (keep_runs_ && word == "*") {
        event.kind = EV_SAME;
        event.count = count;
        return true;
    }
    next_pending_ = first + 1;
    end_pending_ = first + count;
    pending_line_ = event.line;
    event.kind = EV_CALL;
    event.call = decoder_.Call(first);
    return true;
}

// A line between two entry points: the time, the wall clock, the next entry point, or the end.
bool RecordingReader::BetweenEntriesLine(std::string_view line, std::string_view word,
                                         std::string_view rest, RecordingEvent& event)
{
    if (word == "W") return WallLine(rest, event);
    if (word == "T") {
        event.kind = EV_TIME;
        if (!ParseDouble(rest, event.time) || !std::isfinite(event.time))
            return Fail("T needs a finite time");
        return true;
    }
    if (word == ">") return EnterLine(rest, event);
    if (word == "end" && rest.empty()) {
        event.kind = EV_END;
        state_ = ENDED;
        // Nothing may follow.
        if (lines_.Next(line) || lines_.Failed()) return Fail("a line after 'end'");
        if (lines_.Cut()) return Fail("the compressed stream is cut short after 'end'");
        return true;
    }
    return Fail(header_.version >= kWallClockVersion
                    ? "expected T, W, '>' or end between entry points"
                    : "expected T, '>' or end between entry points");
}

bool RecordingReader::EnterLine(std::string_view rest, RecordingEvent& event)
{
    int e = 0;
    while (e < REC_ENTRY_COUNT && rest != RecordEntryNames[e]) ++e;
    if (e == REC_ENTRY_COUNT) return Fail("'>' needs an entry point's name");
    entry_ = static_cast<RecordEntryId>(e);
    event.kind = EV_ENTER;
    event.entry = entry_;
    decoder_.Begin(entry_);
    rows_ = BlockRowRun();
    state_ = BLOCK_IN;
    return true;
}

bool RecordingReader::WallLine(std::string_view rest, RecordingEvent& event)
{
    if (header_.version < kWallClockVersion)
        return Fail("a W line in a recording of format " + std::to_string(header_.version) +
                    "; W lines came with format " + std::to_string(kWallClockVersion));
    if (!ParseInt(rest, 0, INT64_MAX, event.wall_us))
        return Fail("W needs whole microseconds, 0 or more");
    if (last_wall_us_ < 0 && event.wall_us != 0)
        return Fail("the first W line is 'W 0': its times count from it");
    if (event.wall_us < last_wall_us_)
        return Fail("W " + std::to_string(event.wall_us) + " goes back from W " +
                    std::to_string(last_wall_us_) + ": the clock is monotonic");
    last_wall_us_ = event.wall_us;
    event.kind = EV_WALL;
    state_ = WALLED;
    return true;
}

bool RecordingReader::HostLine(std::string_view line, RecordingEvent& event)
{
    std::string_view rest = line, word, field;
    NextField(rest, word);
    if (word == "sleep") {
        event.kind = EV_SLEEP;
        if (!ParseWord(rest, 0, UINT32_MAX, event.ms)) return Fail("sleep needs milliseconds");
        return true;
    }
    if (word == "box") {
        event.kind = EV_BOX;
        std::string_view caption, text, type, eq, answer;
        int64_t result;
        if (!NextField(rest, caption) || !NextField(rest, text) || !NextField(rest, type) ||
            !NextField(rest, eq) || eq != "=" || !NextField(rest, answer) || !rest.empty() ||
            !ParseText(caption, event.caption, event.caption_null) ||
            !ParseText(text, event.text, event.text_null) ||
            !ParseWord(type, 0, UINT32_MAX, event.type) ||
            !ParseInt(answer, INT32_MIN, INT32_MAX, result))
            return Fail("box needs \"CAPTION\" \"TEXT\" TYPE = ANSWER");
        event.result = static_cast<int32_t>(result);
        return true;
    }
    event.kind = EV_MESSAGE;
    if (!NextField(rest, field) || !ParseText(field, event.key, event.key_null))
        return Fail("msg needs its key as a text");
    if (rest == "?") {
        event.unknown_key = true;
        return true;
    }
    while (NextField(rest, field)) {
        MessageArg arg;
        bool is_null = false;
        int64_t number;
        if (field[0] == '"' || field == "-") {
            arg.is_text = true;
            if (!ParseText(field, arg.text, is_null)) return Fail("a bad text in msg");
        } else if (ParseInt(field, INT32_MIN, INT32_MAX, number)) {
            arg.number = static_cast<int32_t>(number);
        } else {
            return Fail("msg's arguments are texts and ints");
        }
        event.args.push_back(std::move(arg));
    }
    if (!rest.empty()) return Fail("msg's arguments are texts and ints");
    return true;
}
