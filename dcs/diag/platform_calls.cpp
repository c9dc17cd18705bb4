#include "dcs/diag/platform_calls.h"

#include "dcs/host/platform_ui.h"

namespace {

#if defined(_WIN32)
// The table's calls are in the driver's own convention; the system's are stdcall.
int MessageBoxFromUser32(void* owner, const char* text, const char* caption, unsigned int type)
{
    return ::MessageBoxA(static_cast<HWND>(owner), text, caption, type);
}

void SleepFromKernel32(uint32_t milliseconds) { ::Sleep(milliseconds); }

constexpr PlatformCalls kSystem = {&MessageBoxFromUser32, &SleepFromKernel32};
#else
constexpr PlatformCalls kSystem = {&::MessageBoxA, &::Sleep};
#endif

}  // namespace

const PlatformCalls SystemPlatformCalls = kSystem;
// Constant-initialised, so a test's replacement made while statics start up stays.
PlatformCalls Platform = kSystem;
