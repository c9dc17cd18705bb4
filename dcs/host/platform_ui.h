// The system's message box and sleep: user32 and kernel32 on Windows,
// libwinshim.so on Linux. The driver reaches them through its table of
// platform calls (dcs/diag/platform_calls.h).
#pragma once

#include <cstdint>

#if defined(_WIN32)
#  include <windows.h>
#else
extern "C" {
int MessageBoxA(void* owner, const char* text, const char* caption, unsigned int type);
void Sleep(uint32_t milliseconds);
}
#  ifndef MB_OK
#    define MB_OK 0u
#  endif
#endif
