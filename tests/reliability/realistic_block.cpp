#include "tests/reliability/realistic_block.h"

#include <algorithm>

#include "standins/vnxsim/vnxsim.h"

namespace {

CtrlSpec Controller(const std::string& base, int16_t active, double sp, double op)
{
    const std::string names[5] = {base + ".SP", base + ".OP", base + ".MODE", base + ".SPINIT",
                                  base + ".OPINIT"};
    return CtrlSpec{{names[0], names[1], names[2], names[3], names[4]}, active, sp, op};
}

bool IsIntegerTag(const std::string& name)
{
    return name.size() >= 4 && name.compare(name.size() - 4, 4, "MODE") == 0;
}

void DefineScalar(const std::string& name)
{
    if (name.empty()) return;
    if (IsIntegerTag(name)) VnxSimDefineInt(name.c_str(), 1);
    else VnxSimDefineFloat(name.c_str(), 42.5f);
}

}  // namespace

void FillRealisticBlock(GuardedBlock& b)
{
    b.array_tag = "PVARR";
    b.ctrl = {Controller("FIC1", 1, 50.0, 0.3), Controller("TIC2", 0, 80.0, 0.55),
              Controller("LIC3", 1, 1.5, 0.425)};
    b.pv = {{"FI1.PV", 1, 12.5}, {"TI2.PV", 0, 75.0}, {"LI3.PV", 1, 1.25}};
    // Integer and float imports under both mappings, one of them inactive.
    b.imports = {{"FIC1.MODE", 1, 1, 0.0},
                 {"TIC2.OP", 0, 1, 10.0},
                 {"LIC3.MODE", 0, 0, 0.0},
                 {"FI9.PV", 1, 1, 3.0}};
}

void DefineTagsOf(const GuardedBlock& b)
{
    for (const CtrlSpec& c : b.ctrl) {
        for (const std::string& name : c.names) DefineScalar(name);
    }
    for (const PVSpec& p : b.pv) DefineScalar(p.name);
    for (const ImportSpec& i : b.imports) DefineScalar(i.name);
    if (!b.array_tag.empty()) {
        const int upper = std::max<int>(static_cast<int>(b.pv.size()) - 1, 0);
        VnxSimDefineArray(b.array_tag.c_str(), 0, static_cast<int16_t>(upper), 0.0f);
    }
}
