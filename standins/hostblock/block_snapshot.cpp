// Snapshots of a laid block and the bytes the driver changed since.
#include <algorithm>
#include <cstring>

#include "standins/hostblock/block_builder.h"

namespace {

// A declared table's definitions are snapshotted only when its count is one
// a block can hold; a spoiled count is the test's own doing.
bool SaneCount(int32_t count) { return count >= 0 && count <= MAXPVFIELDS; }

void AddDeclared(BlockSnapshot& s, const std::string& name, const void* at, size_t size)
{
    if (!at) return;
    const uint8_t* p = static_cast<const uint8_t*>(at);
    s.declared.push_back({name, p, std::vector<uint8_t>(p, p + size)});
}

void AddDefs(BlockSnapshot& s, const std::string& table, const DCSDataDef* defs, int32_t count,
             const DCSCell* default_cells)
{
    if (!defs || !SaneCount(count)) return;
    AddDeclared(s, table + " definitions", defs, sizeof(DCSDataDef) * count);
    for (int32_t j = 0; j < count; ++j) {
        AddDeclared(s, table + " caption " + std::to_string(j), defs[j].Label, 64);
    }
    AddDeclared(s, table + " default cells", default_cells, sizeof(DCSCell) * count);
}

std::string CtrlField(size_t o)
{
    if (o < 4) return "host bytes";
    if (o < 6) return "Active";
    if (o < 8) return "host bytes";
    if (o < 16) return "HostValue1";
    if (o < 24) return "HostValue2";
    if (o < 40) return o < 32 ? "SP" : "OP";
    if (o < 44) return "Cells";
    return o == 44 ? "SPUpdated" : "OPUpdated";
}

std::string ValueRowField(size_t o, bool pv)
{
    if (o < 2) return "host bytes";
    if (o < 4) return pv ? "HostWord" : "host bytes";
    if (o < 6) return "Active";
    if (o < 8) return "host bytes";
    if (o < 16) return "Value";
    return "Cells";
}

}  // namespace

BlockSnapshot BlockBuilder::Take() const
{
    BlockSnapshot s;
    for (const Region& r : regions_) {
        s.bytes.emplace_back(r.storage.get(), r.storage.get() + r.size + 2 * r.guard);
    }
    const DCSData* d = block_;
    AddDefs(s, "general", d->GenDefs, d->GenDefCnt, nullptr);
    AddDefs(s, "controller", d->CtrlDefs, d->CtrlDefCnt, d->CtrlDataDefault.Cells);
    AddDefs(s, "PV", d->PVDefs, d->PVDefCnt, d->PVDataDefault.Cells);
    AddDefs(s, "PV import", d->PVImportDefs, d->PVImportDefCnt, d->PVImportDataDefault.Cells);
    AddDeclared(s, "general cell", d->GenData, sizeof(DCSCell));
    return s;
}

// Only the fields the driver owns may change, and an updated flag only to 1.
std::vector<std::string> BlockBuilder::StrayWrites(const BlockSnapshot& before) const
{
    std::vector<std::string> stray;
    const size_t regions = std::min(before.bytes.size(), regions_.size());
    for (size_t i = 0; i < regions; ++i) {
        const Region& r = regions_[i];
        const uint8_t* now = r.storage.get();
        const std::vector<uint8_t>& was = before.bytes[i];
        std::string last;
        for (size_t k = 0; k < was.size(); ++k) {
            if (now[k] == was[k]) continue;
            std::string where;
            if (k < r.guard || k >= r.guard + r.size) {
                where = r.name + (k < r.guard ? ": guard before" : ": guard behind");
            } else {
                const size_t offset = k - r.guard;
                if (r.kind == CTRL_ROWS) {
                    const size_t o = offset % sizeof(DCSCtrlRow);
                    const bool owned = (o >= 24 && o < 40) || ((o == 44 || o == 45) && now[k] == 1);
                    if (owned) continue;
                    where = r.name + "[" + std::to_string(offset / sizeof(DCSCtrlRow)) + "]." +
                            CtrlField(o);
                } else if (r.kind == IMPORT_ROWS || r.kind == PV_ROWS) {
                    const size_t o = offset % sizeof(DCSPVRow);
                    if (r.kind == IMPORT_ROWS && o >= 8 && o < 16) continue;
                    where = r.name + "[" + std::to_string(offset / sizeof(DCSPVRow)) + "]." +
                            ValueRowField(o, r.kind == PV_ROWS);
                } else {
                    where = r.name + " + " + std::to_string(offset);
                }
            }
            if (where != last) stray.push_back(where);
            last = where;
        }
    }
    for (const BlockSnapshot::Declared& dcl : before.declared) {
        if (std::memcmp(dcl.at, dcl.bytes.data(), dcl.bytes.size()) != 0) {
            stray.push_back(dcl.name);
        }
    }
    return stray;
}
