#include "recording/format/line_reader.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "recording/format/value_text.h"

namespace {

const size_t kOutChunk = 256 * 1024;
const char kTextStart[] = "# vornak recording";

std::string ByteText(unsigned char b)
{
    const char* hex = "0123456789abcdef";
    return std::string("0x") + hex[b >> 4] + hex[b & 15];
}

}  // namespace

LineReader::LineReader() { std::memset(&zs_, 0, sizeof zs_); }

LineReader::~LineReader() { Close(); }

void LineReader::Close()
{
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (inflating_) inflateEnd(&zs_);
    inflating_ = false;
    std::memset(&zs_, 0, sizeof zs_);
    memory_ = nullptr;
    memory_left_ = 0;
    gzip_ = stream_ended_ = input_ended_ = out_full_ = failed_ = done_ = cut_ = false;
    damage_.clear();
    compressed_ = 0;
    text_.clear();
    pos_ = checked_ = 0;
    consumed_ = 0;
    line_number_ = 0;
    error_.clear();
}

// A file that is no gzip is refused here, before zlib calls it damaged: a
// recording left uncompressed says so.
bool LineReader::OpenFile(const std::string& path, std::string& error)
{
    Close();
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        error = "cannot read " + path + ": it is a folder";
        return false;
    }
    errno = 0;
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    char head[sizeof kTextStart - 1] = {};
    size_t n = std::fread(head, 1, sizeof head, file_);
    if (std::ferror(file_)) {
        error = "cannot read " + path + ": " + std::strerror(errno);
    } else if (n == 0) {
        error = "line 1: not a recording (an empty file)";
    } else if (n < 2 || static_cast<unsigned char>(head[0]) != 0x1f ||
               static_cast<unsigned char>(head[1]) != 0x8b) {
        error = n == sizeof head && std::memcmp(head, kTextStart, n) == 0
                    ? "not gzip: compress it (gzip -k " + path + ")"
                    : "line 1: not a recording (not gzip)";
    } else {
        std::rewind(file_);
        gzip_ = true;
        inflating_ = inflateInit2(&zs_, 16 + MAX_WBITS) == Z_OK;
        if (inflating_) return true;
        error = "cannot read " + path + ": out of memory";
    }
    Close();
    return false;
}

void LineReader::OpenMemory(const void* data, size_t size)
{
    Close();
    memory_ = static_cast<const unsigned char*>(data);
    memory_left_ = size;
    gzip_ = size >= 2 && memory_[0] == 0x1f && memory_[1] == 0x8b;
    if (gzip_) {
        inflating_ = inflateInit2(&zs_, 16 + MAX_WBITS) == Z_OK;
        if (!inflating_) Fail("out of memory", false);
    }
}

bool LineReader::Fail(const std::string& what, bool with_byte)
{
    if (failed_) return false;
    failed_ = true;
    error_ = "line " + std::to_string(line_number_ + 1);
    if (with_byte) error_ += ", byte " + std::to_string(consumed_ + text_.size());
    error_ += ": " + what;
    return false;
}

// Appends uncompressed text; false when nothing more comes (end or error).
bool LineReader::Fill()
{
    if (failed_ || input_ended_) return false;
    if (!damage_.empty()) return Fail(damage_, true);
    if (!gzip_) {
        if (memory_left_ == 0) {
            input_ended_ = true;
            return false;
        }
        size_t n = memory_left_ < kOutChunk ? memory_left_ : kOutChunk;
        text_.append(reinterpret_cast<const char*>(memory_), n);
        memory_ += n;
        memory_left_ -= n;
        return true;
    }
    size_t before = text_.size();
    while (text_.size() == before) {
        // A full output may leave text inside zlib: drained before more input.
        if (zs_.avail_in == 0 && !out_full_) {
            if (file_) {
                size_t n = std::fread(in_, 1, sizeof in_, file_);
                if (n == 0 && std::ferror(file_))
                    return Fail(std::string("read error (") + std::strerror(errno) + ")", true);
                zs_.next_in = in_;
                zs_.avail_in = static_cast<uInt>(n);
            } else {
                size_t n = memory_left_ < sizeof in_ ? memory_left_ : sizeof in_;
                zs_.next_in = const_cast<unsigned char*>(memory_);
                zs_.avail_in = static_cast<uInt>(n);
                memory_ += n;
                memory_left_ -= n;
            }
            if (zs_.avail_in == 0) return EndOfInput();
        }
        if (stream_ended_) {
            // Another gzip member follows, as gzip itself allows.
            compressed_ += zs_.total_in;
            if (inflateReset(&zs_) != Z_OK) return Fail("out of memory", true);
            stream_ended_ = false;
        }
        if (!Inflate(before)) return false;
    }
    return true;
}

bool LineReader::Inflate(size_t before)
{
    text_.resize(before + kOutChunk);
    zs_.next_out = reinterpret_cast<Bytef*>(&text_[before]);
    zs_.avail_out = static_cast<uInt>(kOutChunk);
    int rc = inflate(&zs_, Z_NO_FLUSH);
    text_.resize(before + kOutChunk - zs_.avail_out);
    out_full_ = zs_.avail_out == 0 && rc != Z_STREAM_END;
    if (rc == Z_STREAM_END) stream_ended_ = true;
    if (rc == Z_STREAM_END || rc == Z_OK || rc == Z_BUF_ERROR) return true;
    out_full_ = false;
    damage_ = rc == Z_MEM_ERROR ? std::string("out of memory") : "the compressed stream is damaged";
    if (rc != Z_MEM_ERROR && zs_.msg) damage_ += std::string(" (") + zs_.msg + ")";
    damage_ += " at its byte " + std::to_string(compressed_ + zs_.total_in);
    // The lines before the damage are given first, so its place is where it lies.
    return text_.size() > before || Fail(damage_, true);
}

// The input is over. At one of the writer's sync points zlib waits for the
// next block at a byte boundary (data_type 128: no bits left, not the last
// block): the stream was cut there, after whole lines.
bool LineReader::EndOfInput()
{
    input_ended_ = true;
    if (stream_ended_) return false;
    if (zs_.data_type == 128 && text_.empty() && line_number_ > 0) {
        cut_ = true;
        return false;
    }
    return Fail("the compressed stream is cut short", true);
}

bool LineReader::Next(std::string_view& line)
{
    if (failed_ || done_) return false;
    for (;;) {
        // Check each byte once, up to the line end.
        size_t end = std::string::npos;
        for (size_t i = pos_ + checked_; i < text_.size(); ++i) {
            unsigned char b = static_cast<unsigned char>(text_[i]);
            if (b == '\n') {
                end = i;
                break;
            }
            if (b < 0x20 || b > 0x7e) {
                return Fail("byte " + ByteText(b) + " at column " + std::to_string(i - pos_ + 1) +
                                " is not printable ASCII",
                            false);
            }
        }
        // A line over the cap falls through to the check below.
        if (end != std::string::npos && end - pos_ <= kMaxLineBytes) {
            line = std::string_view(text_).substr(pos_, end - pos_);
            pos_ = end + 1;
            checked_ = 0;
            ++line_number_;
            return true;
        }
        checked_ = text_.size() - pos_;
        if (checked_ > kMaxLineBytes)
            return Fail("a line longer than " + std::to_string(kMaxLineBytes) + " bytes", false);
        // Drop what was given; keep the part of a line not yet ended.
        if (pos_ > 0) {
            consumed_ += pos_;
            text_.erase(0, pos_);
            pos_ = 0;
        }
        if (!Fill()) {
            if (failed_) return false;
            if (!text_.empty()) return Fail("the last line has no line end", true);
            done_ = true;
            return false;
        }
    }
}

std::string LineReader::DamageAfter()
{
    if (!gzip_ || failed_ || done_) return "";
    while (Fill()) {
        consumed_ += text_.size();
        text_.clear();
        pos_ = checked_ = 0;
    }
    return failed_ ? error_.substr(error_.find(": ") + 2) : "";
}
