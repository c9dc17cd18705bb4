// The two platform calls the driver makes besides its neighbours' libraries: a
// modal message box and a sleep, in one table that every call goes through, so
// that a test in the same process puts its own calls in their place.
#pragma once

#include <cstdint>

struct PlatformCalls {
    int (*MessageBoxA)(void* owner, const char* text, const char* caption, unsigned int type);
    void (*Sleep)(uint32_t milliseconds);
};

// The system's: user32 and kernel32 on Windows, libwinshim.so on Linux.
extern const PlatformCalls SystemPlatformCalls;
// What the driver calls; starts as the system's.
extern PlatformCalls Platform;
