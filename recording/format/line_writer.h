// Lines into a gzip file. A write that fails is remembered with its reason
// and every later one does nothing: the caller asks Failed() when it suits it,
// nothing is thrown. A file whose writing failed is cut back at Close to its
// last sync point, so it reads as far as that and then as cut, never as
// damaged.
#pragma once

#include <string>
#include <string_view>

#include "module/no_copy.h"

class LineWriter : NoCopy {
public:
    LineWriter() = default;
    ~LineWriter();

    // Creates (or replaces) `path`. False with a reason.
    bool Open(const std::string& path, std::string& error);
    // Whole lines, each ending in '\n'. A line over kMaxLineBytes fails the
    // writer: a reader would refuse it.
    void Write(std::string_view lines);
    // What is written so far becomes readable (a sync point of the stream),
    // so a process that ends without Close leaves a readable start.
    void Sync();
    // Flushes and closes; false with the reason of the first failure.
    bool Close(std::string& error);
    // Sync points passed: the last one is where a failed file ends.
    unsigned long long Syncs() const { return syncs_; }

    bool IsOpen() const { return fd_ >= 0; }
    bool Failed() const { return failed_; }
    const std::string& Reason() const { return reason_; }
    // Uncompressed bytes taken so far.
    unsigned long long Written() const { return written_; }

private:
    void Fail(const std::string& what);
    void Drain();

    void CutBack();
    bool Deflate(const char* bytes, size_t size, int flush);

    int fd_ = -1;
    void* stream_ = nullptr;  // z_stream
    std::string out_;         // the compressed bytes on their way to the file
    unsigned long long file_bytes_ = 0;
    std::string path_;
    unsigned long long synced_bytes_ = 0;  // of the file, at the last sync point
    unsigned long long syncs_ = 0;
    std::string pending_;
    size_t line_start_ = 0;  // where the pending line not yet ended starts
    bool failed_ = false;
    std::string reason_;
    unsigned long long written_ = 0;
};
