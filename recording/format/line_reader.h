// The lines of a recording, from a gzip file or from memory (gzip, or plain
// text for a fuzz target). Every line is checked as it is read: printable
// ASCII only, at most kMaxLineBytes, ended by '\n'. A damaged or cut stream,
// a bad byte or an over-long line ends the reading with an error and its
// place: the line number and the offset in the uncompressed text, after
// every whole line before it was given. A stream that stops at one of the
// writer's sync points, after a whole line, is not an error but a cut (Cut()).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include <zlib.h>

#include "module/no_copy.h"

class LineReader : NoCopy {
public:
    LineReader();
    ~LineReader();

    // False with a reason when the file cannot be opened, is a folder, or is
    // not gzip.
    bool OpenFile(const std::string& path, std::string& error);
    // `data` stays the caller's and must outlive the reader. Gzip when it
    // starts with gzip's magic bytes, else plain text.
    void OpenMemory(const void* data, size_t size);

    // The next line, without its '\n'; valid until the next call. False at
    // the end of the text or on an error (Failed()).
    bool Next(std::string_view& line);
    // The number of the line Next gave last (from 1).
    int64_t LineNumber() const { return line_number_; }
    bool Failed() const { return failed_; }
    // The text ended with the stream cut at a sync point: what came before is
    // whole, what came after was never written.
    bool Cut() const { return cut_; }
    // "line N: what" or "line N, byte B: what".
    const std::string& Error() const { return error_; }
    // After a line was refused: the rest of the stream read through, its text
    // dropped, so that a refusal that damage caused can say so. What is
    // wrong with the stream, or empty when the rest is whole.
    std::string DamageAfter();

private:
    bool Fill();
    bool Inflate(size_t before);
    bool EndOfInput();
    bool Fail(const std::string& what, bool with_byte);
    void Close();

    std::FILE* file_ = nullptr;
    const unsigned char* memory_ = nullptr;
    size_t memory_left_ = 0;
    bool gzip_ = false;
    bool inflating_ = false;
    bool out_full_ = false;  // the last inflate filled its output
    bool stream_ended_ = false;
    bool input_ended_ = false;
    z_stream zs_;
    unsigned char in_[64 * 1024];
    std::string text_;
    size_t pos_ = 0;         // next unread byte of text_
    size_t checked_ = 0;     // bytes of text_ from pos_ already checked
    uint64_t consumed_ = 0;  // uncompressed bytes before text_[0]
    int64_t line_number_ = 0;
    bool failed_ = false;
    bool done_ = false;
    bool cut_ = false;
    std::string damage_;       // found after text that is still given first
    uint64_t compressed_ = 0;  // compressed bytes of the gzip members before this one
    std::string error_;
};
