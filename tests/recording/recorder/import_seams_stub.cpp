// Until the seams are built: every seam the test's fake library names is
// "found", its original the fake, its replacement kept for the test to call
// as the driver would.
#include "tests/recording/recorder/import_seams_stub.h"

#include <map>

namespace {
std::map<std::string, void*> g_fakes, g_replacements;
}

void SetFakeImport(const std::string& name, void* fake) { g_fakes[name] = fake; }

void* PatchedImport(const std::string& name) { return g_replacements[name]; }

int PatchImports(void*, ImportSeam* seams, int count, std::string&)
{
    int found = 0;
    for (int i = 0; i < count; ++i) {
        auto fake = g_fakes.find(seams[i].name);
        seams[i].original = fake == g_fakes.end() ? nullptr : fake->second;
        if (!seams[i].original) continue;
        g_replacements[seams[i].name] = seams[i].replacement;
        ++found;
    }
    return found;
}
