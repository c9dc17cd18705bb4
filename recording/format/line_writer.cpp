#include "recording/format/line_writer.h"

#include <fcntl.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>

#if defined(_WIN32)
#  include <io.h>
#else
#  include <unistd.h>
#endif

#include "recording/format/value_text.h"

namespace {

const size_t kChunk = 256 * 1024;

gzFile File(void* file) { return static_cast<gzFile>(file); }

std::string GzReason(void* file)
{
    int code = Z_OK;
    const char* text = gzerror(File(file), &code);
    if (code == Z_ERRNO) return std::strerror(errno);
    return text && *text ? text : "write failed";
}

}  // namespace

LineWriter::~LineWriter()
{
    std::string ignored;
    Close(ignored);
}

bool LineWriter::Open(const std::string& path, std::string& error)
{
    Close(error);
    error.clear();
    errno = 0;
    gzFile file = gzopen(path.c_str(), "wb6");
    if (!file) {
        error = "cannot write " + path + ": " + (errno ? std::strerror(errno) : "out of memory");
        return false;
    }
    gzbuffer(file, 128 * 1024);
    file_ = file;
    path_ = path;
    synced_bytes_ = 0;
    syncs_ = 0;
    pending_.clear();
    line_start_ = 0;
    failed_ = false;
    reason_.clear();
    written_ = 0;
    return true;
}

void LineWriter::Fail(const std::string& what)
{
    if (failed_) return;
    failed_ = true;
    reason_ = what;
    pending_.clear();
}

void LineWriter::Write(std::string_view lines)
{
    if (!file_ || failed_) return;
    for (size_t from = 0; from < lines.size();) {
        size_t end = lines.find('\n', from);
        size_t stop = end == std::string_view::npos ? lines.size() : end + 1;
        pending_.append(lines.data() + from, stop - from);
        if (pending_.size() - line_start_ > kMaxLineBytes) {
            Fail("a line longer than " + std::to_string(kMaxLineBytes) + " bytes");
            return;
        }
        if (end != std::string_view::npos) line_start_ = pending_.size();
        from = stop;
    }
    if (line_start_ >= kChunk) Drain();
}

void LineWriter::Drain()
{
    if (!file_ || failed_ || line_start_ == 0) return;
    int n = gzwrite(File(file_), pending_.data(), static_cast<unsigned>(line_start_));
    if (n != static_cast<int>(line_start_)) {
        Fail(GzReason(file_));
        return;
    }
    written_ += line_start_;
    pending_.erase(0, line_start_);
    line_start_ = 0;
}

void LineWriter::Sync()
{
    Drain();
    if (!file_ || failed_) return;
    if (gzflush(File(file_), Z_SYNC_FLUSH) != Z_OK) {
        Fail(GzReason(file_));
        return;
    }
    // Everything up to here is in the file: a write mode's offset is its size.
    synced_bytes_ = static_cast<unsigned long long>(gzoffset(File(file_)));
    ++syncs_;
}

// A write that failed may have left part of a compressed block behind the
// last sync point, which a reader would take for damage.
void LineWriter::CutBack()
{
#if defined(_WIN32)
    int fd = _open(path_.c_str(), _O_WRONLY | _O_BINARY);
    bool cut = fd >= 0 && _chsize_s(fd, static_cast<__int64>(synced_bytes_)) == 0;
    if (fd >= 0) _close(fd);
#else
    bool cut = truncate(path_.c_str(), static_cast<off_t>(synced_bytes_)) == 0;
#endif
    if (!cut) reason_ += "; and it could not be cut back to its last whole lines";
}

bool LineWriter::Close(std::string& error)
{
    if (!file_) {
        if (failed_) error = reason_;
        return !failed_;
    }
    Drain();
    if (!failed_ && line_start_ != pending_.size()) Fail("a line without its line end");
    int closed = gzclose(File(file_));
    file_ = nullptr;
    if (closed != Z_OK && !failed_) Fail(closed == Z_ERRNO ? std::strerror(errno) : "close failed");
    if (failed_) {
        CutBack();
        error = reason_;
    }
    return !failed_;
}
