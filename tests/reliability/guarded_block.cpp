#include "tests/reliability/guarded_block.h"

#include <algorithm>
#include <cstring>

#include "standins/iface/iface_control.h"

namespace {

const size_t kGuard = 15;  // odd, so the block itself sits at an odd address
const uint8_t kGuardByte = 0xA5;
const size_t kHostTail = 32;  // what the host keeps behind the 146 bytes
const int32_t kCtrlColumns = 5;
const int32_t kPVColumns = 1;
const int32_t kImportColumns = 2;

// Host bytes hold something the driver would visibly destroy.
void FillHostBytes(uint8_t* bytes, size_t n, uint8_t seed)
{
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(seed + 17 * i);
}

int32_t CellsPerRow(int32_t declared, int32_t driver_columns)
{
    return std::max(declared, driver_columns);
}

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

GuardedBlock::GuardedBlock()
{
    uint8_t* bytes = NewRegion("block", BLOCK, sizeof(DCSData) + kHostTail);
    std::memset(bytes, 0, sizeof(DCSData));
    FillHostBytes(bytes + sizeof(DCSData), kHostTail, 0x31);
    block_ = reinterpret_cast<DCSData*>(bytes);
}

GuardedBlock::~GuardedBlock()
{
    Free();
}

uint8_t* GuardedBlock::NewRegion(const std::string& name, Kind kind, size_t size)
{
    std::unique_ptr<uint8_t[]> storage(new uint8_t[size + 2 * kGuard]);
    Region r{name, kind, nullptr, size, kGuard, std::move(storage)};
    std::memset(r.storage.get(), kGuardByte, size + 2 * kGuard);
    r.payload = r.storage.get() + kGuard;
    regions_.push_back(std::move(r));
    return regions_.back().payload;
}

char* GuardedBlock::NewName(const std::string& name)
{
    char* text = reinterpret_cast<char*>(NewRegion("name \"" + name.substr(0, 40) + "\"", OTHER,
                                                   name.size() + 1));
    std::memcpy(text, name.c_str(), name.size() + 1);
    return text;
}

char* GuardedBlock::Name(const std::string& name)
{
    return NewName(name);
}

void GuardedBlock::Lay()
{
    DCSData* d = block_;
    d->GenData = static_cast<DCSCell*>(IFace_new(sizeof(DCSCell)));
    std::memset(d->GenData, 0, sizeof(DCSCell));
    if (!array_tag.empty()) d->GenData[0].Text = NewName(array_tag);

    const int32_t ctrl_cells = CellsPerRow(d->CtrlDefCnt, kCtrlColumns);
    d->CtrlCount = static_cast<int32_t>(ctrl.size());
    d->CtrlRows = nullptr;
    if (!ctrl.empty()) {
        uint8_t* rows = NewRegion("ctrl rows", CTRL_ROWS, sizeof(DCSCtrlRow) * ctrl.size());
        FillHostBytes(rows, sizeof(DCSCtrlRow) * ctrl.size(), 0x40);
        d->CtrlRows = reinterpret_cast<DCSCtrlRow*>(rows);
        for (size_t r = 0; r < ctrl.size(); ++r) {
            DCSCtrlRow& row = d->CtrlRows[r];
            DCSCell* cells = r >= own_rows ? d->CtrlRows[own_rows - 1].Cells : nullptr;
            if (!cells) {
                cells = reinterpret_cast<DCSCell*>(NewRegion("ctrl cells " + std::to_string(r),
                                                             OTHER, sizeof(DCSCell) * ctrl_cells));
                std::memset(cells, 0, sizeof(DCSCell) * ctrl_cells);
                for (int c = 0; c < kCtrlColumns; ++c) cells[c].Text = NewName(ctrl[r].names[c]);
            }
            row.Active = ctrl[r].active;
            row.HostValue1 = 1.0;
            row.HostValue2 = 0.25;
            row.SP = ctrl[r].sp;
            row.OP = ctrl[r].op;
            row.Cells = cells;
            row.SPUpdated = 0;
            row.OPUpdated = 0;
        }
    }

    const int32_t pv_cells = CellsPerRow(d->PVDefCnt, kPVColumns);
    d->PVCount = static_cast<int32_t>(pv.size());
    d->PVRows = nullptr;
    if (!pv.empty()) {
        uint8_t* rows = NewRegion("pv rows", PV_ROWS, sizeof(DCSPVRow) * pv.size());
        FillHostBytes(rows, sizeof(DCSPVRow) * pv.size(), 0x50);
        d->PVRows = reinterpret_cast<DCSPVRow*>(rows);
        for (size_t r = 0; r < pv.size(); ++r) {
            DCSCell* cells = r >= own_rows ? d->PVRows[own_rows - 1].Cells : nullptr;
            if (!cells) {
                cells = reinterpret_cast<DCSCell*>(
                    NewRegion("pv cells " + std::to_string(r), OTHER, sizeof(DCSCell) * pv_cells));
                std::memset(cells, 0, sizeof(DCSCell) * pv_cells);
                cells[0].Text = NewName(pv[r].name);
            }
            d->PVRows[r].Active = pv[r].active;
            d->PVRows[r].Value = pv[r].value;
            d->PVRows[r].Cells = cells;
        }
    }

    const int32_t import_cells = CellsPerRow(d->PVImportDefCnt, kImportColumns);
    d->PVImportCount = static_cast<int32_t>(imports.size());
    d->PVImportRows = nullptr;
    if (!imports.empty()) {
        uint8_t* rows =
            NewRegion("import rows", IMPORT_ROWS, sizeof(DCSPVImportRow) * imports.size());
        FillHostBytes(rows, sizeof(DCSPVImportRow) * imports.size(), 0x60);
        d->PVImportRows = reinterpret_cast<DCSPVImportRow*>(rows);
        for (size_t r = 0; r < imports.size(); ++r) {
            DCSCell* cells = r >= own_rows ? d->PVImportRows[own_rows - 1].Cells : nullptr;
            if (!cells) {
                cells = reinterpret_cast<DCSCell*>(NewRegion(
                    "import cells " + std::to_string(r), OTHER, sizeof(DCSCell) * import_cells));
                std::memset(cells, 0, sizeof(DCSCell) * import_cells);
                cells[0].Text = NewName(imports[r].name);
                cells[1].Int = imports[r].mapping;
            }
            d->PVImportRows[r].Active = imports[r].active;
            d->PVImportRows[r].Value = imports[r].value;
            d->PVImportRows[r].Cells = cells;
        }
    }
}

DCSCtrlRow* GuardedBlock::CtrlRow(int row) { return &block_->CtrlRows[row]; }
DCSPVRow* GuardedBlock::PVRow(int row) { return &block_->PVRows[row]; }
DCSPVImportRow* GuardedBlock::ImportRow(int row) { return &block_->PVImportRows[row]; }

BlockSnapshot GuardedBlock::Take() const
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
std::vector<std::string> GuardedBlock::StrayWrites(const BlockSnapshot& before) const
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

void GuardedBlock::Free()
{
    if (freed_) return;
    freed_ = true;
    FreeDCSData(block_);
}

int32_t HostLiveBlocks()
{
    IFaceHeapStats malloc_family, new_family;
    IFaceHeapGetStats(IFACE_FAMILY_MALLOC, &malloc_family);
    IFaceHeapGetStats(IFACE_FAMILY_NEW, &new_family);
    return malloc_family.live_blocks + new_family.live_blocks;
}

int32_t HostBadReleases()
{
    IFaceHeapStats malloc_family, new_family;
    IFaceHeapGetStats(IFACE_FAMILY_MALLOC, &malloc_family);
    IFaceHeapGetStats(IFACE_FAMILY_NEW, &new_family);
    return malloc_family.bad_releases + new_family.bad_releases;
}
