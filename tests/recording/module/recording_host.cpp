// A host program of the tests, not dcshost: it loads a driver module by path
// as a host does and runs one short session through the nine entry points,
// with one loop's block (its five tags, a PV, an import and the PV array tag),
// against the client library beside the module. Each entry point is printed
// with its result; exit 0 when DCSConfigure bound, 1 when not, 2 on bad use.
//   recording_host MODULE [STEPS] [WORD...]
// A session as hosts at a site run them: fresh (the default); fresh-on-pattern,
// DCSLoad on a block whose every byte is 0x5A, as a fresh allocation holds
// leftovers; restored, a saved model laid by the host, DCSConfigure first and
// no DCSLoad; killed, the process ends before DCSStop as a killed one does
// (_exit; on Windows TerminateProcess, since _exit there still detaches the
// modules, which close what they hold). And:
//   heap        each entry point also prints what it took from and gave back
//               to the host heap, then FreeDCSData's
//   unattended  the module's MessageBoxA and Sleep imports point at the
//               host's, which count them (printed last) and return at once
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <unistd.h>
#endif

#include "dcs/data/declare_fields.h"
#include "dcs/host/platform_ui.h"
#include "module/driver_loader.h"
#include "module/import_seams.h"
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
bool g_heap = false;
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
    std::printf("%s %d", name, static_cast<int>(result));
    if (g_heap)
        std::printf(" heap +%d -%d", static_cast<int>(HeapCount(&IFaceHeapStats::allocations)),
                    static_cast<int>(HeapCount(&IFaceHeapStats::releases)));
    std::printf("\n");
    return result;
}

struct Words {
    long steps = 3;
    std::string session = "fresh";
    bool unattended = false;
};

bool ReadWords(int argc, char** argv, Words& words)
{
    for (int i = 2; i < argc; ++i) {
        const std::string word = argv[i];
        char* end = nullptr;
        if (word == "fresh-on-pattern" || word == "restored" || word == "killed")
            words.session = word;
        else if (word == "unattended" || word == "heap")
            (word == "heap" ? g_heap : words.unattended) = true;
        else if (i != 2 || (words.steps = std::strtol(argv[i], &end, 10)) < 0 ||
                 words.steps > 100000 || *end != '\0')
            return false;
    }
    return argc >= 2;
}

}  // namespace

int main(int argc, char** argv)
{
    Words words;
    if (!ReadWords(argc, argv, words)) {
        std::fprintf(stderr,
                     "usage: recording_host MODULE [STEPS: 0 to 100000] "
                     "[fresh|fresh-on-pattern|restored|killed] [heap] [unattended]\n");
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
    if (words.unattended && PatchImports(driver.Handle(), hooks, 2, error) < 0) {
        std::fprintf(stderr, "recording_host: %s\n", error.c_str());
        return 2;
    }
    const DriverEntryPoints& api = driver.Api();
    const std::string& session = words.session;
    BlockBuilder block;
    if (session == "fresh-on-pattern") std::memset(block.get(), 0x5A, sizeof(DCSData));
    if (session == "restored")
        DeclareDriverFields(block.get());
    else
        Call("DCSLoad", api.Load, block.get());
    block.SetArrayTag("ARR");
    block.AddController("L", 1, 50.0, 0.5);
    block.AddPV("L.PV", 1, 42.5);
    block.AddImport("L.IN");
    bool bound = Call("DCSConfigure", api.Configure, block.get()) == 1;
    if (bound) {
        Call("DCSInitialize", api.Initialize, block.get());
        Call("DCSStart", api.Start, block.get());
        for (long step = 0; step < words.steps; ++step) {
            block.PV(0).Value += 1.0;
            Call("DCSSimulate", api.Simulate, block.get());
        }
        if (session == "killed") {
            std::fflush(stdout);
#if defined(_WIN32)
            TerminateProcess(GetCurrentProcess(), 0);
#endif
            _exit(0);
        }
        Call("DCSStop", api.Stop, block.get());
        Call("DCSReset", api.Reset, block.get());
    }
    Call("DCSDestroy", api.Destroy, block.get());
    IFaceHeapResetCounters();
    block.Free();
    if (g_heap)
        std::printf("FreeDCSData heap +%d -%d live %d\n",
                    static_cast<int>(HeapCount(&IFaceHeapStats::allocations)),
                    static_cast<int>(HeapCount(&IFaceHeapStats::releases)),
                    static_cast<int>(HeapCount(&IFaceHeapStats::live_blocks)));
    if (words.unattended) std::printf("boxes %d sleeps %lu ms\n", g_boxes, g_slept);
    return bound ? 0 : 1;
}
