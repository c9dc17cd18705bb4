// The message-box/sleep doubles: every box and sleep is recorded and returns
// at once. Two ways in: the library with libwinshim.so's soname, which a test
// of the real module links to have the module bound to it (Linux), and the
// driver's platform calls replaced in a test process (tests/support).
#pragma once

#include <cstdint>

#if defined(_WIN32)
#  define WINSHIM_API extern "C"
#else
#  define WINSHIM_API extern "C" __attribute__((visibility("default")))
#endif

// The recording calls, with the signatures of MessageBoxA and Sleep.
WINSHIM_API int WinShimRecordBox(void* owner, const char* text, const char* caption,
                                 unsigned int type);
WINSHIM_API void WinShimRecordSleep(uint32_t milliseconds);

WINSHIM_API int32_t WinShimBoxCount(void);
// Text and caption of box i (0-based), valid until the next reset.
WINSHIM_API const char* WinShimBoxText(int32_t i);
WINSHIM_API const char* WinShimBoxCaption(int32_t i);
WINSHIM_API uint32_t WinShimBoxType(int32_t i);
WINSHIM_API int32_t WinShimSleepCount(void);
WINSHIM_API uint32_t WinShimSleepTotal(void);  // milliseconds
WINSHIM_API void WinShimReset(void);
