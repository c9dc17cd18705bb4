// A client library that stands between the driver and another one (the
// file-backed library, say) and takes the control system away for a while,
// to rehearse a loss of the coupling and the host's recovery in a live run.
// Every call is forwarded, except while the system is down: then every call
// is refused (a status of 254, a null handle). Down and up are decided at
// ReadTagList, once per list and step, and at ApiStartup, where a host's
// binding begins, so an outage can be scripted exactly:
//   VNXOUTAGE_LIBRARY        the client library to forward to (required)
//   VNXOUTAGE_FROM_READ=N    down from the N-th ReadTagList ...
//   VNXOUTAGE_UNTIL_STARTUP=K  ... until the K-th ApiStartup (the first binding's is 1)
//   VNXOUTAGE_FILE=PATH      down while PATH exists, by hand
// A setting it cannot use keeps the system down, and ApiStartup says why on
// stderr. Linux only.
#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>

#include "dcs/vendor/vnxapi.h"
#include "standins/vnxsim/vnxsim.h"

namespace {

enum class Gate { Other, Read, Startup };

struct Settings {
    void* target = nullptr;
    std::string error;  // empty: usable
    long from_read = 0, until_startup = 0;
    const char* file = nullptr;
};

constexpr long kMaxCount = 1000000000;

// A whole number from 1 to kMaxCount, or 0 when unset; `error` when not.
long Count(const char* name, std::string& error)
{
    const char* text = std::getenv(name);
    if (!text || !*text) return 0;
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text, &end, 10);
    if (*end != '\0' || errno != 0 || value < 1 || value > kMaxCount) {
        if (error.empty())
            error = std::string(name) + ": '" + text + "' is not a whole number from 1 to " +
                    std::to_string(kMaxCount);
        return 0;
    }
    return value;
}

Settings Read()
{
    Settings s;
    s.from_read = Count("VNXOUTAGE_FROM_READ", s.error);
    s.until_startup = Count("VNXOUTAGE_UNTIL_STARTUP", s.error);
    if (s.error.empty() && (s.from_read > 0) != (s.until_startup > 0))
        s.error = "VNXOUTAGE_FROM_READ and VNXOUTAGE_UNTIL_STARTUP go together";
    else if (s.error.empty() && s.until_startup == 1)
        s.error = "VNXOUTAGE_UNTIL_STARTUP: 1 is the first binding's, before any outage";
    const char* file = std::getenv("VNXOUTAGE_FILE");
    s.file = file && *file ? file : nullptr;
    const char* library = std::getenv("VNXOUTAGE_LIBRARY");
    if (!s.error.empty()) return s;
    if (!library || !*library) {
        s.error = "VNXOUTAGE_LIBRARY: unset; it names the client library to forward to";
        return s;
    }
    // Its own symbols first: it has this library's names. The address
    // sanitizer's runtime refuses deep binding; loaded locally, as a driver's
    // library is, the target binds to itself anyway.
#if defined(__SANITIZE_ADDRESS__)  // g++
    const int deep = 0;
#elif defined(__has_feature)
#  if __has_feature(address_sanitizer)  // clang
    const int deep = 0;
#  else
    const int deep = RTLD_DEEPBIND;
#  endif
#else
    const int deep = RTLD_DEEPBIND;
#endif
    s.target = dlopen(library, RTLD_NOW | RTLD_LOCAL | deep);
    if (!s.target)
        s.error = std::string("VNXOUTAGE_LIBRARY: ") + dlerror();
    else if (dlsym(s.target, "ApiStartup") == reinterpret_cast<void*>(&ApiStartup))
        s.error = std::string("VNXOUTAGE_LIBRARY: ") + library + " is this library itself";
    return s;
}

Settings& Config()
{
    static Settings settings = Read();
    return settings;
}

struct State {
    long reads = 0, startups = 0;
    bool counted_down = false;
    bool file_down = false;
    bool said_down = false;
};
State g_state;

bool FileExists(const char* path)
{
    struct stat st;
    return stat(path, &st) == 0;
}

// Whether this call is refused.
bool Refuse(Gate gate)
{
    Settings& config = Config();
    State& s = g_state;
    if (!config.error.empty()) {
        if (gate == Gate::Startup) std::fprintf(stderr, "VNXOUTAGE: %s\n", config.error.c_str());
        return true;
    }
    if (gate == Gate::Other) return s.counted_down || s.file_down;
    if (gate == Gate::Read && ++s.reads == config.from_read) s.counted_down = true;
    if (gate == Gate::Startup && ++s.startups >= config.until_startup) s.counted_down = false;
    if (config.file) s.file_down = FileExists(config.file);
    const bool down = s.counted_down || s.file_down;
    if (down != s.said_down)
        std::fprintf(stderr,
                     "VNXOUTAGE: the control system is %s (ReadTagList %ld, ApiStartup %ld)\n",
                     down ? "down" : "up again", s.reads, s.startups);
    s.said_down = down;
    return down;
}

template <typename T>
T Refused()
{
    if constexpr (std::is_pointer_v<T>)
        return nullptr;
    else
        return static_cast<T>(VNX_ST_FAILURE);
}

void* Resolve(const char* name)
{
    void* target = Config().target;
    return target ? dlsym(target, name) : nullptr;
}

}  // namespace

#define VNXOUTAGE_FORWARD(type, name, gate, params, args)                          \
  type VNXCALL name params                                                         \
  {                                                                                \
    static const auto forward = reinterpret_cast<decltype(&name)>(Resolve(#name)); \
    if (Refuse(gate) || !forward) return Refused<type>();                          \
    return forward args;                                                           \
  }

// clang-format off
VNXOUTAGE_FORWARD(int16_t, ApiStartup, Gate::Startup, (void), ())
VNXOUTAGE_FORWARD(int16_t, DataServicesStartup, Gate::Other, (void* slot), (slot))
VNXOUTAGE_FORWARD(int32_t, ServiceEvents, Gate::Other, (void), ())
VNXOUTAGE_FORWARD(int16_t, DataServicesShutdown, Gate::Other, (void), ())
VNXOUTAGE_FORWARD(int16_t, ApiShutdown, Gate::Other, (void), ())
VNXOUTAGE_FORWARD(int16_t, ValidateTagName, Gate::Other, (const char* n), (n))
VNXOUTAGE_FORWARD(VnxHandle, OpenTag, Gate::Other, (const char* n), (n))
VNXOUTAGE_FORWARD(int16_t, CloseTag, Gate::Other, (VnxHandle h), (h))
VNXOUTAGE_FORWARD(int16_t, GetTagStatus, Gate::Other, (VnxHandle h), (h))
VNXOUTAGE_FORWARD(int16_t, SetTagValue, Gate::Other, (VnxHandle h, int32_t n, const void* v, int32_t c), (h, n, v, c))
VNXOUTAGE_FORWARD(int16_t, SetArrayElement, Gate::Other, (VnxHandle h, int32_t i, int32_t n, const void* v, int32_t c), (h, i, n, v, c))
VNXOUTAGE_FORWARD(int16_t, SendTag, Gate::Other, (VnxHandle h), (h))
VNXOUTAGE_FORWARD(VnxHandle, CreateTagList, Gate::Other, (void), ())
VNXOUTAGE_FORWARD(VnxHandle, AddTagToList, Gate::Other, (VnxHandle l, const char* n), (l, n))
VNXOUTAGE_FORWARD(int16_t, RemoveTagFromList, Gate::Other, (VnxHandle l, VnxHandle i), (l, i))
VNXOUTAGE_FORWARD(int16_t, ListRewind, Gate::Other, (VnxHandle l), (l))
VNXOUTAGE_FORWARD(VnxHandle, ListFirst, Gate::Other, (VnxHandle l), (l))
VNXOUTAGE_FORWARD(VnxHandle, ListNext, Gate::Other, (VnxHandle l), (l))
VNXOUTAGE_FORWARD(int16_t, ReadTagList, Gate::Read, (VnxHandle l), (l))
VNXOUTAGE_FORWARD(int16_t, GetTagValue, Gate::Other, (VnxHandle h, int32_t i, void* b, int32_t c, int32_t r1, int32_t r2), (h, i, b, c, r1, r2))
VNXOUTAGE_FORWARD(int32_t, GetTagDataType, Gate::Other, (VnxHandle h), (h))
VNXOUTAGE_FORWARD(int32_t, GetIOStatus, Gate::Other, (VnxHandle h, int32_t i), (h, i))
VNXOUTAGE_FORWARD(int32_t, GetDataQuality, Gate::Other, (VnxHandle h, int32_t i), (h, i))
VNXOUTAGE_FORWARD(int16_t, GetArrayDims, Gate::Other, (VnxHandle h), (h))
VNXOUTAGE_FORWARD(int16_t, GetArrayLowerBound, Gate::Other, (VnxHandle h, int32_t d), (h, d))
VNXOUTAGE_FORWARD(int16_t, GetArrayUpperBound, Gate::Other, (VnxHandle h, int32_t d), (h, d))
// clang-format on
