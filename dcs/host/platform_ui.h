// The two platform calls the driver makes besides its neighbours' libraries:
// a modal message box and a sleep. Windows: user32 and kernel32. Linux: libwinshim.so.
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
