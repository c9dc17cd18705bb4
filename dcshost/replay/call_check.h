// What the driver does now against what the recording holds, line by line
// within one entry point: every client-library call and host line the driver
// makes is matched with the next recorded one as text (the same function and
// arguments, the same values written, bit for bit). Handles are matched by
// first appearance: the driver is handed distinct fake handles, one per
// recorded number, and a handle it passes is printed by the number it stands
// for. The first line that does not match is the difference; from then on
// nothing more is answered from the recording.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "dcshost/replay/recorded_calls.h"

// Recorded lines where the replay meets them: `count` calls from `call` on,
// all given on `line` (a "* N" gives N calls recorded before).
struct RecordedAt {
    const RecordedCall* call;
    size_t count;
    int64_t line;
};

struct Difference {
    bool found = false;
    int64_t line = 0;  // the recorded line's number; 0 when the recording had none left
    int64_t call = 0;  // the call or host line within the entry point, from 1; 0: not one
    std::string recorded;
    std::string now;
    std::vector<std::string> before;  // the lines matched just before it, at most five
};

class CallCheck {
public:
    // The recorded lines of the entry point about to be called (kept by the caller).
    void Begin(const std::vector<RecordedAt>& calls, int64_t returned_line);
    // The recorded line when the driver's line (`fields`, and for writes
    // `values`) is the next one recorded; null (a difference) when not, or
    // after a difference.
    const RecordedCall* Match(LineKind kind, const std::string& fields, const std::string& values);
    // The same, for a line whose `fields` were found alike with Next()'s.
    const RecordedCall* MatchNext(LineKind kind, const std::string& values)
    {
        return Check(kind, nullptr, values);
    }
    // The recorded line the driver's next one is set against; null after a
    // difference or past the last.
    const RecordedCall* Next() const
    {
        if (difference_.found || !calls_ || run_ >= calls_->size()) return nullptr;
        return &(*calls_)[run_].call[in_run_];
    }
    // After the entry point returned: a recorded line it did not make is the difference.
    void End();
    // A difference found outside the calls (the result, a block line).
    void Differ(int64_t line, const std::string& recorded, const std::string& now);

    bool Differs() const { return difference_.found; }
    const Difference& First() const { return difference_; }
    // Client-library calls matched so far, host lines aside.
    int64_t Matched() const { return matched_; }

    // The number a handle the driver passes stands for: 0 for null, the
    // recorded number of a handle it was given, else a new number, as a
    // recorder numbers a value it has not seen.
    uint32_t NumberOf(const void* handle);
    // The fake handle standing for a recorded number (null for 0).
    void* HandleFor(uint32_t number);

private:
    const RecordedCall& CallAt(size_t k) const;
    const RecordedCall* Check(LineKind kind, const std::string* fields, const std::string& values);

    const std::vector<RecordedAt>* calls_ = nullptr;
    size_t next_ = 0;    // calls matched in this call of the entry point
    size_t run_ = 0;     // where the next one is: in (*calls_)[run_],
    size_t in_run_ = 0;  // at this place
    int64_t returned_line_ = 0;
    int64_t matched_ = 0;
    Difference difference_;
    std::unordered_map<uint32_t, uintptr_t> fake_of_;
    std::unordered_map<uintptr_t, uint32_t> number_of_;  // of handles it was not given
    std::vector<uint32_t> number_of_fake_;               // by the fake's place
    uint32_t highest_ = 0;                               // the highest number seen so far
};
