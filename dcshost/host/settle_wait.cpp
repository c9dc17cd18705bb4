#include "dcshost/host/settle_wait.h"

#if defined(_WIN32)
#  include <windows.h>

#  include <cstring>

namespace {

// Set: the settle is skipped or cut.
HANDLE g_cut = CreateEventA(nullptr, TRUE, FALSE, nullptr);

void WINAPI SettleSleep(DWORD milliseconds) { WaitForSingleObject(g_cut, milliseconds); }

// Points every import named Sleep in the module's import table at
// SettleSleep; how many were found.
int PatchSleepImports(HMODULE module)
{
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return 0;
    int patched = 0;
    auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
    for (; desc->Name != 0; ++desc) {
        DWORD lookup = desc->OriginalFirstThunk ? desc->OriginalFirstThunk : desc->FirstThunk;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + lookup);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), "Sleep") != 0) continue;
            DWORD old = 0;
            if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                                &old))
                continue;
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(&SettleSleep);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            ++patched;
        }
    }
    return patched;
}

}  // namespace

bool SkipSettleWait(void* module, std::string& error)
{
    if (module && PatchSleepImports(static_cast<HMODULE>(module)) > 0) {
        SetEvent(g_cut);
        return true;
    }
    error = "the driver module imports no Sleep that could be skipped";
    return false;
}

void MakeSettleCuttable(void* module)
{
    if (module) PatchSleepImports(static_cast<HMODULE>(module));
}

void CutSettleWait() { SetEvent(g_cut); }

void RestoreSettleWait() { ResetEvent(g_cut); }

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
#endif
