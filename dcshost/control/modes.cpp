#include "dcshost/control/modes.h"

namespace {

struct ModeEntry {
    int value;
    const char* name;
};

// clang-format off
constexpr ModeEntry kModes[] = {
    {0, "manual"},
    {1, "automatic"},
};
// clang-format on

}  // namespace

const char* ModeName(int mode)
{
    for (const ModeEntry& entry : kModes)
        if (entry.value == mode) return entry.name;
    return "manual: not 1";
}

std::string ModeText(int mode) { return std::to_string(mode) + " (" + ModeName(mode) + ")"; }
