// The test double of libwinshim.so (same soname): records message boxes and
// sleeps and returns at once. A test links it to have the driver bound to it.
#pragma once

#include <cstdint>

#define WINSHIM_API extern "C" __attribute__((visibility("default")))

WINSHIM_API int32_t WinShimBoxCount(void);
// Text and caption of box i (0-based), valid until the next reset.
WINSHIM_API const char* WinShimBoxText(int32_t i);
WINSHIM_API const char* WinShimBoxCaption(int32_t i);
WINSHIM_API uint32_t WinShimBoxType(int32_t i);
WINSHIM_API int32_t WinShimSleepCount(void);
WINSHIM_API uint32_t WinShimSleepTotal(void);  // milliseconds
WINSHIM_API void WinShimReset(void);
