// The module the test drives (support/module_path.h), loaded by path as a
// host loads it, its nine exports forwarded as the program's own.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dcs/driver/entry_points.h"
#include "module/driver_loader.h"
#include "tests/support/module_path.h"

namespace {

const DriverEntryPoints& Module()
{
    static DriverModule module;
    if (module.Handle()) return module.Api();
    const std::string path = TestModulePath();
    std::string error;
    if (!module.Open(path, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::abort();
    }
    return module.Api();
}

// Loaded as the program starts, as a module the program was linked with: its
// own start-up is done before the test counts the host heap.
const bool g_loaded = (Module(), true);

}  // namespace

#define FORWARD(name, entry) \
  DCS_EXPORT int32_t name(DCSData* data) { return Module().entry(data); }
FORWARD(DCSLoad, Load)
FORWARD(DCSConfigure, Configure)
FORWARD(DCSInitialize, Initialize)
FORWARD(DCSStart, Start)
FORWARD(DCSStop, Stop)
FORWARD(DCSSimulate, Simulate)
FORWARD(DCSTimeZero, TimeZero)
FORWARD(DCSReset, Reset)
FORWARD(DCSDestroy, Destroy)
