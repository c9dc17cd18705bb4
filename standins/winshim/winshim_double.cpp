// The double with libwinshim.so's soname: the shim's two calls, recorded.
#include "standins/winshim/winshim_double.h"

WINSHIM_API int MessageBoxA(void* owner, const char* text, const char* caption, unsigned int type)
{
    return WinShimRecordBox(owner, text, caption, type);
}

namespace {
void (*g_watch)(void*) = nullptr;
void* g_watch_user = nullptr;
}  // namespace

WINSHIM_API void Sleep(uint32_t milliseconds)
{
    if (g_watch) g_watch(g_watch_user);
    WinShimRecordSleep(milliseconds);
}

// The double never waits: nothing to skip.
WINSHIM_API void WinShimSkipSleeps(int32_t /*on*/) {}

WINSHIM_API void WinShimWatchSleeps(void (*watch)(void*), void* user)
{
    g_watch = watch;
    g_watch_user = user;
}
