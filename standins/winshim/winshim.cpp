// MessageBoxA and Sleep for the Linux build of the driver (libwinshim.so).
// A box goes to standard error; on a terminal it waits for Enter, as the
// modal box waits for its OK button.
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <ctime>

#define WINSHIM_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int kIdOk = 1;
// Set from a signal handler too (dcshost cuts the settle short).
volatile std::sig_atomic_t g_skip_sleeps = 0;
void (*g_watch)(void*) = nullptr;
void* g_watch_user = nullptr;

void WaitForEnter()
{
    std::fputs("[OK: press Enter] ", stderr);
    std::fflush(stderr);
    char c = 0;
    for (;;) {
        ssize_t n = read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 || c == '\n') break;
    }
}

}  // namespace

WINSHIM_EXPORT int MessageBoxA(void* /*owner*/, const char* text, const char* caption,
                               unsigned int /*type*/)
{
    std::fprintf(stderr, "[%s] %s\n", caption ? caption : "", text ? text : "");
    std::fflush(stderr);
    if (isatty(STDIN_FILENO)) WaitForEnter();
    return kIdOk;
}

WINSHIM_EXPORT void WinShimSkipSleeps(int32_t on) { g_skip_sleeps = on != 0 ? 1 : 0; }

WINSHIM_EXPORT void WinShimWatchSleeps(void (*watch)(void*), void* user)
{
    g_watch = watch;
    g_watch_user = user;
}

WINSHIM_EXPORT void Sleep(uint32_t milliseconds)
{
    if (g_watch) g_watch(g_watch_user);
    if (g_skip_sleeps) return;
    timespec left{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR && !g_skip_sleeps) {
    }
}
