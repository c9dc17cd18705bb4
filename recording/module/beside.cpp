#include "recording/module/beside.h"

#include <fcntl.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#  include <io.h>
#  include <sys/stat.h>
#  include <windows.h>

#  include "module/system_error.h"

const char kRecordedDriverFile[] = "vornak.recorded.dll";

bool ModuleFolder(std::string& folder, std::string& error)
{
    HMODULE self = nullptr;
    char path[MAX_PATH];
    DWORD n = 0;
    if (GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&ModuleFolder), &self))
        n = GetModuleFileNameA(self, path, sizeof path);
    if (n == 0 || n >= sizeof path) {
        error = "cannot find the recorder module's own folder: " + WindowsErrorText(GetLastError());
        return false;
    }
    folder.assign(path, n);
    folder.erase(folder.find_last_of("\\/") + 1);
    return true;
}

void* PinThisModule()
{
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCSTR>(&PinThisModule), &self);
    return self;
}

namespace {
int CreateNew(const std::string& path)
{
    return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
bool Exists(const std::string& path) { return _access(path.c_str(), 0) == 0; }
}  // namespace
#else
#  include <dlfcn.h>
#  include <unistd.h>

const char kRecordedDriverFile[] = "libvornak.recorded.so";

bool ModuleFolder(std::string& folder, std::string& error)
{
    Dl_info info;
    char path[PATH_MAX];
    if (!dladdr(reinterpret_cast<void*>(&ModuleFolder), &info) || !info.dli_fname ||
        !realpath(info.dli_fname, path)) {
        error = "cannot find the recorder module's own folder";
        return false;
    }
    folder = path;
    folder.erase(folder.rfind('/') + 1);
    return true;
}

void* PinThisModule()
{
    Dl_info info;
    if (!dladdr(reinterpret_cast<void*>(&PinThisModule), &info) || !info.dli_fname) return nullptr;
    return dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
}

namespace {
int CreateNew(const std::string& path)
{
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
}
int _close(int fd) { return close(fd); }
bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }
}  // namespace
#endif

namespace {

// Past this many sessions in one second the names are said to be taken.
const unsigned long kMaxSessionNumber = 999999999;

std::string NameFor(const std::string& base, unsigned long n)
{
    return base + (n > 1 ? "-" + std::to_string(n) : "") + ".rec.gz";
}

bool Taken(const std::string& base, unsigned long n) { return Exists(NameFor(base, n)); }

// The first free number from `n` on, as far as the folder shows now: by
// doubling the step past the taken ones, then halving back, so that the
// thousandth session of a second looks at some twenty names, not a thousand.
unsigned long FirstFreeFrom(const std::string& base, unsigned long n)
{
    if (!Taken(base, n)) return n;
    unsigned long taken = n, free = n, step = 1;
    for (;;) {
        if (kMaxSessionNumber - taken < step) {
            free = kMaxSessionNumber + 1;
            break;
        }
        free = taken + step;
        if (!Taken(base, free)) break;
        taken = free;
        step *= 2;
    }
    while (free - taken > 1) {
        unsigned long middle = taken + (free - taken) / 2;
        (Taken(base, middle) ? taken : free) = middle;
    }
    return free;
}

}  // namespace

bool ReserveRecordingPath(const std::string& folder, std::time_t start, std::string& path,
                          std::string& error)
{
    char stamp[32];
    const std::tm* utc = std::gmtime(&start);
    if (!utc || std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", utc) == 0) {
        error = "the clock gives no date";
        return false;
    }
    const std::string base = folder + "vornak-" + stamp;
    // This process's last name of the same second: the next session looks on
    // from there, not from the first.
    static std::string last_base;
    static unsigned long last_n = 0;
    // A name found free may be taken before it is made (another session of
    // the same second): the exclusive create decides, and the search goes on.
    for (unsigned long n = FirstFreeFrom(base, base == last_base ? last_n + 1 : 1);
         n <= kMaxSessionNumber; n = FirstFreeFrom(base, n + 1)) {
        path = NameFor(base, n);
        int fd = CreateNew(path);
        if (fd >= 0) {
            _close(fd);
            last_base = base;
            last_n = n;
            return true;
        }
        if (errno != EEXIST) {
            error = "cannot create " + path + ": " + std::strerror(errno);
            return false;
        }
    }
    error =
        "every name for a recording started at " + std::string(stamp) + " is taken in " + folder;
    return false;
}
