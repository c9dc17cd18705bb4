// A host program of the tests, not dcshost: it loads a driver module by path
// as a host does and runs one short session through the nine entry points,
// with one loop's block (its five tags, a PV, an import and the PV array tag),
// against the client library beside the module. Each entry point is printed
// with its result; exit 0 when DCSConfigure bound, 1 when not, 2 on bad use.
//   recording_host MODULE [STEPS [SESSION]]
// SESSION, as hosts at a site run them: fresh (the default); fresh-on-pattern,
// DCSLoad on a block whose every byte is 0x5A, as a fresh allocation holds
// leftovers; restored, a saved model laid by the host, DCSConfigure first and
// no DCSLoad; killed, the process ends before DCSStop as a killed one does
// (_exit; on Windows TerminateProcess, since _exit there still detaches the
// modules, which close what they hold).
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
#include "dcshost/host/driver_loader.h"
#include "standins/hostblock/block_builder.h"
#if !defined(_WIN32)
#  include "standins/winshim/winshim_control.h"
#endif

namespace {

int32_t Call(const char* name, DCSEntryPoint entry, DCSData* block)
{
    int32_t result = entry(block);
    std::printf("%s %d\n", name, static_cast<int>(result));
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    char* end = nullptr;
    long steps = argc > 2 ? std::strtol(argv[2], &end, 10) : 3;
    const std::string session = argc > 3 ? argv[3] : "fresh";
    bool known = false;
    for (const char* name : {"fresh", "fresh-on-pattern", "restored", "killed"})
        known |= session == name;
    if (argc < 2 || argc > 4 || (argc >= 3 && (*end != '\0' || steps < 0 || steps > 100000)) ||
        !known) {
        std::fprintf(stderr,
                     "usage: recording_host MODULE [STEPS: 0 to 100000 "
                     "[fresh|fresh-on-pattern|restored|killed]]\n");
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
    const DriverEntryPoints& api = driver.Api();
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
        for (long step = 0; step < steps; ++step) {
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
    block.Free();
    return bound ? 0 : 1;
}
