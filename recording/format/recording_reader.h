// A whole recording read back: the header checked (a version above this
// reader's refused, anything that is not a recording refused), then its
// events one by one with their line numbers, the short forms of calls
// expanded. Nothing in the input can make it crash: every fault ends the
// reading with "line N: what".
//
// Wall-clock times (format 2): each `W` line is given as one EV_WALL event
// before the EV_ENTER of the DCSSimulate it precedes, with `wall_us` the
// monotonic microseconds since the recording's first W line (the first is
// 0, none is below the one before). A caller that wants the real spacing of
// the steps takes the last EV_WALL before each DCSSimulate: a recording of
// format 1, or one whose writer had no clock, has none (every DCSSimulate
// without one). Replay passes them over.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "module/entry_points.h"
#include "recording/format/block_fields.h"
#include "recording/format/line_reader.h"
#include "recording/format/pass_codec.h"

constexpr int kRecordingVersion = 2;
// The first format with W lines.
constexpr int kWallClockVersion = 2;

struct RecordingHeader {
    int version = 0;
    std::string platform;  // "linux-i686" or "win32"
    std::string driver;    // NAME=VALUE; ... or "none"
    std::string start;     // 2026-12-08T09:20:00Z
    std::string by;
};

enum RecordingEventKind : uint8_t {
    EV_TIME,       // T: time
    EV_WALL,       // W: wall_us, always followed by the EV_ENTER of a DCSSimulate
    EV_ENTER,      // >: entry
    EV_BLOCK_IN,   // i: block
    EV_CALL,       // a client-library call in full: call, position
    EV_SAME,       // with KeepRuns, a "* N" whole: position, count
    EV_MESSAGE,    // msg: key, args (unknown_key: the key outside the catalogue, "?")
    EV_BOX,        // box: caption, text (null: the pointer was), type, result (the answer)
    EV_SLEEP,      // sleep: ms
    EV_BLOCK_OUT,  // o: block
    EV_RETURN,     // <: result
    EV_END,        // end
};

struct MessageArg {
    bool is_text = false;
    std::string text;
    int32_t number = 0;
};

struct RecordingEvent {
    RecordingEventKind kind = EV_END;
    int64_t line = 0;
    std::string_view raw;            // the line as read, until the next Next
    RecordEntryId entry = REC_LOAD;  // of the call it lies in
    double time = 0;
    int64_t wall_us = 0;
    int32_t result = 0;
    size_t position = 0;  // of a call among the calls of its entry point's call, from 0
    size_t count = 0;
    BlockLine block;
    std::string call;
    std::string key;
    bool key_null = false;  // the driver passed a null key
    bool unknown_key = false;
    std::vector<MessageArg> args;
    std::string caption, text;
    bool caption_null = false, text_null = false;
    uint32_t type = 0;
    uint32_t ms = 0;
};

class RecordingReader {
public:
    // Opens and reads the header. False with a reason. Once per reader.
    bool OpenFile(const std::string& path, std::string& error);
    // `data` (gzip, or plain text) must outlive the reader.
    bool OpenMemory(const void* data, size_t size, std::string& error);
    const RecordingHeader& Header() const { return header_; }

    // "* N" given as one EV_SAME rather than N EV_CALLs: the calls at those
    // positions are those of the previous call of the entry point, for a
    // reader that keeps them.
    void KeepRuns() { keep_runs_ = true; }

    // The next event; false after EV_END was given, or on an error.
    bool Next(RecordingEvent& event);
    bool Failed() const { return failed_; }
    const std::string& Error() const { return error_; }
    // Failed because the recording was cut after a whole entry point, its
    // last line LineNumber(): the session ended without DCSDestroy.
    bool Cut() const { return cut_; }
    int64_t LineNumber() const { return lines_.LineNumber(); }
    // For a line its reader refused: what is wrong with the stream after it
    // (LineReader::DamageAfter), or empty.
    std::string DamageAfter() { return lines_.Failed() ? "" : lines_.DamageAfter(); }

private:
    // WALLED: after a W line, where only "> DCSSimulate" may follow.
    enum State { OUTSIDE, WALLED, BLOCK_IN, CALLS, BLOCK_OUT, ENDED };
    bool ReadHeader(std::string& error);
    bool Fail(const std::string& what);
    bool ReadLine(std::string_view line, RecordingEvent& event);
    bool HostLine(std::string_view line, RecordingEvent& event);
    bool WallLine(std::string_view rest, RecordingEvent& event);
    bool BetweenEntriesLine(std::string_view line, std::string_view word, std::string_view rest,
                            RecordingEvent& event);
    bool EnterLine(std::string_view rest, RecordingEvent& event);

    LineReader lines_;
    RecordingHeader header_;
    PassDecoder decoder_;
    BlockRowRun rows_;  // the row lines' run among this call's i lines, then its o lines
    State state_ = OUTSIDE;
    RecordEntryId entry_ = REC_LOAD;
    size_t next_pending_ = 0;  // calls of one "* N" not yet given
    size_t end_pending_ = 0;
    int64_t pending_line_ = 0;
    int64_t last_wall_us_ = -1;  // none yet
    bool keep_runs_ = false;
    bool failed_ = false;
    bool cut_ = false;
    std::string error_;
};
