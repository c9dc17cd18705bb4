// A host program of the tests, not dcshost: it loads a driver module by path
// as a host does and runs one short session through the nine entry points,
// with one loop's block (its five tags, a PV, an import and the PV array tag),
// against the client library beside the module. Each entry point is printed
// with its result and what it took from and gave back to the host heap, then
// FreeDCSData's; exit 0 when DCSConfigure bound, 1 when not, 2 on bad use.
//   recording_host MODULE [STEPS] [OPTION...]
//   pattern     the block handed to DCSLoad holds 0x5A in every byte
//   unattended  the module's MessageBoxA and Sleep imports point at the
//               host's, which count them (printed last) and return at once
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dcs/host/platform_ui.h"
#include "dcshost/host/driver_loader.h"
#include "recording/seams/import_seams.h"
#include "standins/hostblock/block_builder.h"
#include "standins/iface/iface_control.h"
#if !defined(_WIN32)
#  include "standins/winshim/winshim_control.h"
#endif

namespace {

#if !defined(_WIN32)
#  define WINAPI
#endif
int g_boxes = 0;
unsigned long g_slept = 0;
int WINAPI HostBox(void*, const char*, const char*, unsigned int) { return ++g_boxes, 1; }
void WINAPI HostSleep(uint32_t milliseconds) { g_slept += milliseconds; }

int32_t HeapCount(int32_t IFaceHeapStats::*counter)
{
    int32_t n = 0;
    for (int32_t family : {IFACE_FAMILY_MALLOC, IFACE_FAMILY_NEW}) {
        IFaceHeapStats stats;
        IFaceHeapGetStats(family, &stats);
        n += stats.*counter;
    }
    return n;
}

int32_t Call(const char* name, DCSEntryPoint entry, DCSData* block)
{
    IFaceHeapResetCounters();
    int32_t result = entry(block);
    std::printf("%s %d heap +%d -%d\n", name, static_cast<int>(result),
                static_cast<int>(HeapCount(&IFaceHeapStats::allocations)),
                static_cast<int>(HeapCount(&IFaceHeapStats::releases)));
    return result;
}

void FillPattern(DCSData* block) { std::memset(block, 0x5A, sizeof *block); }

}  // namespace

int main(int argc, char** argv)
{
    long steps = 3;
    bool pattern = false, unattended = false, usable = argc >= 2;
    for (int i = 2; i < argc && usable; ++i) {
        const std::string word = argv[i];
        char* end = nullptr;
        if (word == "pattern" || word == "unattended")
            (word == "pattern" ? pattern : unattended) = true;
        else
            usable = i == 2 && (steps = std::strtol(argv[i], &end, 10)) >= 0 && steps <= 100000 &&
                     *end == '\0';
    }
    if (!usable) {
        std::fprintf(stderr,
                     "usage: recording_host MODULE [STEPS: 0 to 100000] [pattern] [unattended]\n");
        return 2;
    }
#if !defined(_WIN32)
    WinShimSkipSleeps(1);  // the settle's sleeps are made, and return at once
#endif
    DriverModule driver;
    std::string error;
    if (!driver.Open(argv[1], error)) {
        std::fprintf(stderr, "recording_host: %s\n", error.c_str());
        return 2;
    }
    ImportSeam hooks[] = {{nullptr, "MessageBoxA", 0, reinterpret_cast<void*>(&HostBox), nullptr},
                          {nullptr, "Sleep", 0, reinterpret_cast<void*>(&HostSleep), nullptr}};
    if (unattended && PatchImports(driver.Handle(), hooks, 2, error) < 0) {
        std::fprintf(stderr, "recording_host: %s\n", error.c_str());
        return 2;
    }
    const DriverEntryPoints& api = driver.Api();
    BlockBuilder block;
    if (pattern) FillPattern(block.get());
    Call("DCSLoad", api.Load, block.get());
    block.SetArrayTag("ARR");
    block.AddController("L", 1, 50.0, 0.5);
    block.AddPV("L.PV", 1, 42.5);
    block.AddImport("L.IN");
    bool bound = Call("DCSConfigure", api.Configure, block.get()) == 1;
    if (bound) {
        Call("DCSInitialize", api.Initialize, block.get());
        Call("DCSStart", api.Start, block.get());
        for (long step = 0; step < steps; ++step) {
            block.PV(0).Value += 1.0;
            Call("DCSSimulate", api.Simulate, block.get());
        }
        Call("DCSStop", api.Stop, block.get());
        Call("DCSReset", api.Reset, block.get());
    }
    Call("DCSDestroy", api.Destroy, block.get());
    IFaceHeapResetCounters();
    block.Free();
    std::printf("FreeDCSData heap +%d -%d live %d\n",
                static_cast<int>(HeapCount(&IFaceHeapStats::allocations)),
                static_cast<int>(HeapCount(&IFaceHeapStats::releases)),
                static_cast<int>(HeapCount(&IFaceHeapStats::live_blocks)));
    if (unattended) std::printf("boxes %d sleeps %lu ms\n", g_boxes, g_slept);
    return bound ? 0 : 1;
}
