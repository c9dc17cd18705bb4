#include "dcshost/whole_file.h"

#include <cctype>
#include <cerrno>
#include <filesystem>

#include "module/system_error.h"

#if defined(_WIN32)
#  include <io.h>
#else
#  include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

long long g_room = -1;  // LimitWholeFileBytes

// Written data on the disk, not in the system's cache: a full disk or a
// quota may only say so here.
bool SyncToDisk(std::FILE* file)
{
#if defined(_WIN32)
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0 || errno == EINVAL;  // EINVAL: a file that cannot sync
#endif
}

}  // namespace

bool InPlace(const std::string& path, const std::filesystem::file_status& status)
{
    // /dev/stdout may name a regular file the shell opened: renamed over,
    // what the process wrote to it before would be lost.
    for (const char* system : {"/dev/", "/proc/"})
        if (path.rfind(system, 0) == 0) return true;
#if defined(_WIN32)
    // NUL, CON, COM1 and their kin are devices in every folder, with any extension.
    std::string name = fs::path(path).stem().string();
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* device : {"NUL", "CON", "PRN", "AUX"})
        if (name == device) return true;
    if (name.size() == 4 && (name.rfind("COM", 0) == 0 || name.rfind("LPT", 0) == 0) &&
        name[3] >= '1' && name[3] <= '9')
        return true;
#endif
    return fs::exists(status) && !fs::is_regular_file(status);
}

void LimitWholeFileBytes(long long bytes) { g_room = bytes; }

bool WholeFile::Open(const std::string& path, std::string& error)
{
    Abandon();
    path_ = path;
    failure_ = 0;
    taken_ = 0;
    std::error_code ec;
    // Through a link to the file it names, which stays a link; a device or
    // a pipe (/dev/stdout) is written as it is, having no folder to rename in.
    fs::file_status status = fs::status(path, ec);
    std::string target = fs::exists(status) ? fs::canonical(path, ec).string() : path;
    if (ec) target = path;
    direct_ = InPlace(path, status);
    part_ = direct_ ? std::string() : target + ".part";
    target_ = target;
    fs::path parent = fs::path(target).parent_path();
    if (!parent.empty() && !fs::is_directory(parent, ec)) fs::create_directories(parent, ec);
    errno = 0;
    // In place appended, after what the process's own streams hold: a
    // shell's file behind /dev/stdout keeps what came before.
    if (direct_) std::fflush(nullptr);
    file_ = direct_ ? std::fopen(target.c_str(), "ab") : std::fopen(part_.c_str(), "wb");
    if (!file_) {
        error = "cannot write " + path + ": " + ErrnoText(errno ? errno : EACCES);
        return false;
    }
    std::setvbuf(file_, nullptr, _IONBF, 0);
    return true;
}

bool WholeFile::Write(const char* data, size_t size)
{
    if (!file_ || failure_) return false;
    size_t room = size;
    if (g_room >= 0 && static_cast<long long>(size) > g_room) room = static_cast<size_t>(g_room);
    errno = 0;
    size_t written = std::fwrite(data, 1, room, file_);
    if (g_room >= 0) g_room -= static_cast<long long>(written);
    taken_ += static_cast<long long>(written);
    if (written == size) return true;
    failure_ = written < room && errno ? errno : ENOSPC;
    return false;
}

bool WholeFile::Commit(std::string& error)
{
    if (!file_) {
        error = "cannot write " + path_ + ": " + ErrnoText(failure_ ? failure_ : EBADF);
        return false;
    }
    errno = 0;
    if (!failure_ && (std::fflush(file_) != 0 || (!direct_ && !SyncToDisk(file_))))
        failure_ = errno ? errno : EIO;
    errno = 0;
    if (std::fclose(file_) != 0 && !failure_) failure_ = errno ? errno : EIO;
    file_ = nullptr;
    std::error_code ec;
    if (!failure_ && direct_) return true;
    if (!failure_) {
        fs::rename(part_, target_, ec);
        if (!ec) return true;
    }
    error = "cannot write " + path_ + ": " + (failure_ ? ErrnoText(failure_) : ec.message());
    Remove();
    return false;
}

void WholeFile::Abandon()
{
    if (!file_) return;
    std::fclose(file_);
    file_ = nullptr;
    Remove();
}

void WholeFile::Remove()
{
    if (direct_) return;
    std::error_code ignored;
    fs::remove(part_, ignored);
    if (g_room >= 0) g_room += taken_;  // as a disk takes the room back
    taken_ = 0;
}
