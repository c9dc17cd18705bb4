// The two short forms of client-library calls (docs/recording.md): "* N",
// the next N calls as in the previous call of the same entry point, and
// "~ RESULT VALUES", the same function and arguments with this answer. The
// k-th call of an entry point's call is set against the k-th of its
// previous call; host lines pass through and do not count.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "recording/format/entries.h"

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

class PassDecoder {
public:
    void Begin(RecordEntryId entry);
    // One call line of the recording, in any form; appends the full lines it
    // stands for to `calls`. False with a reason.
    bool Expand(std::string_view line, std::vector<std::string>& calls, std::string& error);
    void End();

private:
    bool ExpandLine(std::string_view line, const std::vector<std::string>& previous, size_t k,
                    std::vector<std::string>& calls, std::string& error);

    std::vector<std::string> previous_[REC_ENTRY_COUNT];
    std::vector<std::string> current_;
    size_t bytes_ = 0;  // of current_
    RecordEntryId entry_ = REC_LOAD;
};
