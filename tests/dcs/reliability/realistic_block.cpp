#include "tests/dcs/reliability/realistic_block.h"

#include <algorithm>

#include "standins/vnxsim/vnxsim.h"

namespace {

bool IsIntegerTag(const std::string& name)
{
    return name.size() >= 4 && name.compare(name.size() - 4, 4, "MODE") == 0;
}

void DefineScalar(const HostText& name)
{
    if (!name || name->empty()) return;
    if (IsIntegerTag(*name))
        VnxSimDefineInt(name->c_str(), 1);
    else
        VnxSimDefineFloat(name->c_str(), 42.5f);
}

}  // namespace

void FillRealisticBlock(BlockBuilder& b)
{
    b.array_tag = "PVARR";
    b.ctrl.clear();
    b.AddController("FIC1", 1, 50.0, 0.3);
    b.AddController("TIC2", 0, 80.0, 0.55);
    b.AddController("LIC3", 1, 1.5, 0.425);
    b.pv = {{"FI1.PV", 1, 12.5}, {"TI2.PV", 0, 75.0}, {"LI3.PV", 1, 1.25}};
    // Integer and float imports under both mappings, one of them inactive.
    b.imports = {{"FIC1.MODE", 1, 1, 0.0},
                 {"TIC2.OP", 0, 1, 10.0},
                 {"LIC3.MODE", 0, 0, 0.0},
                 {"FI9.PV", 1, 1, 3.0}};
}

void DefineTagsOf(const BlockBuilder& b)
{
    for (const CtrlRowPlan& c : b.ctrl) {
        for (const HostText& name : c.names) DefineScalar(name);
    }
    for (const PVRowPlan& p : b.pv) DefineScalar(p.name);
    for (const ImportRowPlan& i : b.imports) DefineScalar(i.name);
    if (b.array_tag && !b.array_tag->empty()) {
        const int upper = std::max<int>(static_cast<int>(b.pv.size()) - 1, 0);
        VnxSimDefineArray(b.array_tag->c_str(), 0, static_cast<int16_t>(upper), 0.0f);
    }
}
