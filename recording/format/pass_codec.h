// The two short forms of client-library calls (docs/recording.md): "* N",
// the next N calls as in the previous call of the same entry point, and
// "~ RESULT VALUES", the same function and arguments with this answer. The
// k-th call of an entry point's call is set against the k-th of its
// previous call; host lines pass through and do not count.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "module/entry_points.h"

// A reader takes no more in one call of an entry point (a pass of 2,000
// loops makes some 20,000).
constexpr size_t kMaxCallsPerPass = 1000000;
// Nor more text of calls, which it keeps for the next call of the entry point.
constexpr size_t kMaxPassBytes = 256u << 20;

// Where " = " splits a call line into FUNCTION ARGS and RESULT VALUES
// (outside quoted texts); npos when it does not.
size_t CallResultAt(std::string_view line);

class PassEncoder {
public:
    void Begin(RecordEntryId entry);
    // One call line in its full form, without its line end.
    void Call(std::string_view line, std::string& out);
    // The next call is known to be the same line as the previous call's
    // call at this place (Position()): counted, not built.
    void Same() { ++k_, ++run_; }
    // How many calls this call has had so far.
    size_t Position() const { return k_; }
    // A host line, with its line end: written as it is, after any pending run.
    void Host(std::string_view line, std::string& out);
    // The call is over: the pending run is written, its calls become the
    // previous ones of its entry point.
    void End(std::string& out);

private:
    void Flush(std::string& out);

    // The calls of each entry point's last call.
    struct Pass {
        std::vector<std::string> lines;
        size_t count = 0;  // lines in use; the rest keep their capacity
    };
    Pass passes_[REC_ENTRY_COUNT];
    size_t k_ = 0;  // calls of this call so far
    RecordEntryId entry_ = REC_LOAD;
    size_t run_ = 0;  // calls the same as the previous ones, not yet written
};

// Decodes in place: the k-th call of a call of an entry point is only set
// against the k-th of its previous call, so one list per entry point holds
// both, the calls before k already this call's. A "* N" costs no copy.
class PassDecoder {
public:
    void Begin(RecordEntryId entry);
    // One call line of the recording, in any form: the calls it stands for
    // are Call(first) to Call(first + count - 1). False with a reason.
    bool Expand(std::string_view line, size_t& first, size_t& count, std::string& error);
    // A call of this call of the entry point, in its full form.
    const std::string& Call(size_t k) const { return passes_[entry_].lines[k]; }
    void End();

private:
    bool Reaches(size_t n, const char* form, std::string& error) const;

    struct Pass {
        std::vector<std::string> lines;
        size_t count = 0;  // of the previous call; the rest keep their capacity
    };
    Pass passes_[REC_ENTRY_COUNT];
    size_t k_ = 0;      // calls of this call so far
    size_t bytes_ = 0;  // their text
    RecordEntryId entry_ = REC_LOAD;
};
