#include "dcshost/host/settle_wait.h"

#if defined(_WIN32)
#  include <windows.h>

#  include "module/import_seams.h"

namespace {

// Set: the settle is skipped or cut.
HANDLE g_cut = CreateEventA(nullptr, TRUE, FALSE, nullptr);
void (*g_watch)(void*) = nullptr;
void* g_watch_user = nullptr;

void WINAPI SettleSleep(DWORD milliseconds)
{
    if (g_watch) g_watch(g_watch_user);
    WaitForSingleObject(g_cut, milliseconds);
}

// Points the module's imports of Sleep at SettleSleep; how many were found.
int PatchSleepImports(void* module, std::string& error)
{
    ImportSeam sleep = {nullptr, "Sleep", 0, reinterpret_cast<void*>(&SettleSleep), nullptr};
    return PatchImports(module, &sleep, 1, error);
}

}  // namespace

bool SkipSettleWait(void* module, std::string& error)
{
    int found = PatchSleepImports(module, error);
    if (found > 0) {
        SetEvent(g_cut);
        return true;
    }
    if (found == 0) error = "the driver module imports no Sleep that could be skipped";
    return false;
}

void MakeSettleCuttable(void* module)
{
    std::string error;
    if (module) PatchSleepImports(module, error);
}

void CutSettleWait() { SetEvent(g_cut); }

void RestoreSettleWait() { ResetEvent(g_cut); }

void WatchSettleSleeps(void (*watch)(void*), void* user)
{
    g_watch = watch;
    g_watch_user = user;
}

#else
#  include "standins/winshim/winshim_control.h"

bool SkipSettleWait(void* /*module*/, std::string& /*error*/)
{
    WinShimSkipSleeps(1);
    return true;
}

void MakeSettleCuttable(void* /*module*/) {}

// The shim's sleep gives up when a signal wakes it and the skip is set.
void CutSettleWait() { WinShimSkipSleeps(1); }

void RestoreSettleWait() { WinShimSkipSleeps(0); }

void WatchSettleSleeps(void (*watch)(void*), void* user) { WinShimWatchSleeps(watch, user); }
#endif
