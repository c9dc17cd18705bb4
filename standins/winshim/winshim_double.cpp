// The double with libwinshim.so's soname: the shim's two calls, recorded.
#include "standins/winshim/winshim_double.h"

WINSHIM_API int MessageBoxA(void* owner, const char* text, const char* caption, unsigned int type)
{
    return WinShimRecordBox(owner, text, caption, type);
}

WINSHIM_API void Sleep(uint32_t milliseconds) { WinShimRecordSleep(milliseconds); }

// The double never waits: nothing to skip.
WINSHIM_API void WinShimSkipSleeps(int32_t /*on*/) {}
