#include "recording/format/line_writer.h"

#include <fcntl.h>
#include <zlib.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(_WIN32)
#  include <io.h>
#  include <sys/stat.h>
#else
#  include <unistd.h>
#endif

#include "recording/format/value_text.h"

namespace {

const size_t kChunk = 256 * 1024;
const unsigned kOutBytes = 64 * 1024;

// zlib's memory from the allocator of the module it is linked into: the
// recorder module's is its own, never the host's.
voidpf Allocate(voidpf, uInt count, uInt size) { return std::calloc(count, size); }
void Release(voidpf, voidpf block) { std::free(block); }

z_stream* Stream(void* stream) { return static_cast<z_stream*>(stream); }

#if defined(_WIN32)
int OpenForWriting(const std::string& path)
{
    return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
}
int WriteSome(int fd, const unsigned char* bytes, size_t n)
{
    return _write(fd, bytes, static_cast<unsigned>(n));
}
int CloseFile(int fd) { return _close(fd); }
#else
int OpenForWriting(const std::string& path)
{
    return open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
}
int WriteSome(int fd, const unsigned char* bytes, size_t n)
{
    return static_cast<int>(write(fd, bytes, n));
}
int CloseFile(int fd) { return close(fd); }
#endif

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
    int fd = OpenForWriting(path);
    if (fd < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    auto* zs = new (std::nothrow) z_stream();
    if (zs) {
        zs->zalloc = &Allocate;
        zs->zfree = &Release;
    }
    // The gzip wrapper (15 + 16) at level 6, as zlib's gz functions write it.
    if (!zs || deflateInit2(zs, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        delete zs;
        CloseFile(fd);
        error = "cannot write " + path + ": out of memory";
        return false;
    }
    fd_ = fd;
    stream_ = zs;
    out_.resize(kOutBytes);
    file_bytes_ = 0;
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
    if (fd_ < 0 || failed_) return;
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

// Compresses `size` bytes with `flush` and writes out what comes of them.
bool LineWriter::Deflate(const char* bytes, size_t size, int flush)
{
    z_stream* zs = Stream(stream_);
    zs->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes));
    zs->avail_in = static_cast<uInt>(size);
    auto* out = reinterpret_cast<unsigned char*>(&out_[0]);
    do {
        zs->next_out = out;
        zs->avail_out = kOutBytes;
        if (deflate(zs, flush) == Z_STREAM_ERROR) {
            Fail("the compression failed");
            return false;
        }
        for (size_t done = 0, have = kOutBytes - zs->avail_out; done < have;) {
            int n = WriteSome(fd_, out + done, have - done);
            if (n <= 0) {
                Fail(n < 0 ? std::strerror(errno) : "nothing could be written");
                return false;
            }
            done += static_cast<size_t>(n);
            file_bytes_ += static_cast<unsigned long long>(n);
        }
    } while (zs->avail_out == 0);
    return true;
}

void LineWriter::Drain()
{
    if (fd_ < 0 || failed_ || line_start_ == 0) return;
    if (!Deflate(pending_.data(), line_start_, Z_NO_FLUSH)) return;
    written_ += line_start_;
    pending_.erase(0, line_start_);
    line_start_ = 0;
}

void LineWriter::Sync()
{
    Drain();
    if (fd_ < 0 || failed_ || !Deflate(nullptr, 0, Z_SYNC_FLUSH)) return;
    synced_bytes_ = file_bytes_;
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
    if (fd_ < 0) {
        if (failed_) error = reason_;
        return !failed_;
    }
    Drain();
    if (!failed_ && line_start_ != pending_.size()) Fail("a line without its line end");
    if (!failed_) Deflate(nullptr, 0, Z_FINISH);
    deflateEnd(Stream(stream_));
    delete Stream(stream_);
    stream_ = nullptr;
    if (CloseFile(fd_) != 0 && !failed_) Fail(std::strerror(errno));
    fd_ = -1;
    if (failed_) {
        CutBack();
        error = reason_;
    }
    return !failed_;
}
