#include "standins/hostblock/block_builder.h"

#include <algorithm>
#include <cstring>

#include "dcs/host/iface.h"
#include "standins/iface/iface_control.h"

namespace {

const size_t kGuard = 15;  // odd, so the block itself sits at an odd address
const uint8_t kGuardByte = 0xA5;
const size_t kHostTail = 32;  // what the host keeps behind the 146 bytes

// Host bytes hold something the driver would visibly destroy.
void FillHostBytes(uint8_t* bytes, size_t n, uint8_t seed)
{
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(seed + 17 * i);
}

// One cell per declared column, and at least the driver's own.
int32_t CellsPerRow(int32_t declared, int32_t driver_columns, int32_t most)
{
    return std::max(std::min(declared, most), driver_columns);
}

}  // namespace

HostText TextOrNone(const char* text) { return text ? HostText(text) : std::nullopt; }

BlockBuilder::BlockBuilder(Guards guards) : guards_(guards)
{
    const size_t tail = guards_ == Guards::kAround ? kHostTail : 0;
    uint8_t* bytes = NewRegion("block", BLOCK, sizeof(DCSData) + tail);
    std::memset(bytes, 0, sizeof(DCSData));
    if (tail) FillHostBytes(bytes + sizeof(DCSData), tail, 0x31);
    block_ = reinterpret_cast<DCSData*>(bytes);
}

BlockBuilder::~BlockBuilder() { Free(); }

uint8_t* BlockBuilder::NewRegion(const std::string& name, Kind kind, size_t size)
{
    const size_t guard = guards_ == Guards::kAround ? kGuard : 0;
    std::unique_ptr<uint8_t[]> storage(new uint8_t[size + 2 * guard]);
    std::memset(storage.get(), guard ? kGuardByte : 0, size + 2 * guard);
    Region r{name, kind, storage.get() + guard, size, guard, std::move(storage)};
    regions_.push_back(std::move(r));
    return regions_.back().payload;
}

char* BlockBuilder::NewText(const HostText& text)
{
    if (!text) return nullptr;
    char* at = reinterpret_cast<char*>(
        NewRegion("name \"" + text->substr(0, 40) + "\"", OTHER, text->size() + 1));
    std::memcpy(at, text->c_str(), text->size() + 1);
    return at;
}

char* BlockBuilder::Name(const std::string& name) { return NewText(name); }

DCSCell* BlockBuilder::NewCells(const std::string& name, int32_t count)
{
    // Zero: null text, index 0 and 0.0 at once.
    uint8_t* cells = NewRegion(name, OTHER, sizeof(DCSCell) * static_cast<size_t>(count));
    std::memset(cells, 0, sizeof(DCSCell) * static_cast<size_t>(count));
    return reinterpret_cast<DCSCell*>(cells);
}

void BlockBuilder::SetArrayTag(const char* name) { array_tag = TextOrNone(name); }

int BlockBuilder::AddController(const char* sp, const char* op, const char* mode,
                                const char* sp_init, const char* op_init, int16_t active,
                                double sp_value, double op_value)
{
    const HostText names[CTRL_COLUMNS] = {TextOrNone(sp), TextOrNone(op), TextOrNone(mode),
                                          TextOrNone(sp_init), TextOrNone(op_init)};
    ctrl.push_back(CtrlRowPlan{
        {names[0], names[1], names[2], names[3], names[4]}, active, sp_value, op_value});
    return static_cast<int>(ctrl.size()) - 1;
}

int BlockBuilder::AddController(const std::string& base, int16_t active, double sp_value,
                                double op_value)
{
    return AddController((base + ".SP").c_str(), (base + ".OP").c_str(), (base + ".MODE").c_str(),
                         (base + ".SPINIT").c_str(), (base + ".OPINIT").c_str(), active, sp_value,
                         op_value);
}

int BlockBuilder::AddPV(const char* tag, int16_t active, double value)
{
    pv.push_back(PVRowPlan{TextOrNone(tag), active, value});
    return static_cast<int>(pv.size()) - 1;
}

int BlockBuilder::AddImport(const char* tag, int32_t mapping, int16_t active, double value)
{
    imports.push_back(ImportRowPlan{TextOrNone(tag), mapping, active, value});
    return static_cast<int>(imports.size()) - 1;
}

// Lays the rows added since the last lay into a new array (the rows laid
// before copied as they stand), each with its own cells up to own_rows.
template <class Row, class Plan, class Fill>
void BlockBuilder::LayRows(const char* table, Kind kind, uint8_t pattern,
                           const std::vector<Plan>& plans, int32_t cells, Table<Row>& laid,
                           Fill fill)
{
    if (plans.size() > laid.count) {
        auto* rows = reinterpret_cast<Row*>(
            NewRegion(std::string(table) + " rows", kind, sizeof(Row) * plans.size()));
        if (guards_ == Guards::kAround) {
            FillHostBytes(reinterpret_cast<uint8_t*>(rows), sizeof(Row) * plans.size(), pattern);
        }
        if (laid.count) std::memcpy(rows, laid.rows, sizeof(Row) * laid.count);
        const size_t own = std::max<size_t>(own_rows, 1);
        for (size_t r = laid.count; r < plans.size(); ++r) {
            const bool shared = r >= own;
            rows[r].Cells =
                shared ? rows[own - 1].Cells
                       : NewCells(std::string(table) + " cells " + std::to_string(r), cells);
            fill(rows[r], plans[r], !shared);
        }
        laid.rows = rows;
    }
    laid.count = plans.size();
}

void BlockBuilder::LayTables()
{
    DCSData* d = block_;
    const double host_value2 = guards_ == Guards::kAround ? 0.25 : 0.0;
    LayRows("ctrl", CTRL_ROWS, 0x40, ctrl, CellsPerRow(d->CtrlDefCnt, CTRL_COLUMNS, MAXCTRLFIELDS),
            ctrl_, [&](DCSCtrlRow& row, const CtrlRowPlan& plan, bool own_cells) {
                for (int c = 0; own_cells && c < CTRL_COLUMNS; ++c) {
                    row.Cells[c].Text = NewText(plan.names[c]);
                }
                row.Active = plan.active;
                row.HostValue1 = 1.0;
                row.HostValue2 = host_value2;
                row.SP = plan.sp;
                row.OP = plan.op;
                row.SPUpdated = 0;
                row.OPUpdated = 0;
            });
    LayRows("pv", PV_ROWS, 0x50, pv, CellsPerRow(d->PVDefCnt, PV_COLUMNS, MAXPVFIELDS), pv_,
            [&](DCSPVRow& row, const PVRowPlan& plan, bool own_cells) {
                if (own_cells) row.Cells[PV_COL_TAG].Text = NewText(plan.name);
                row.Active = plan.active;
                row.Value = plan.value;
            });
    LayRows("import", IMPORT_ROWS, 0x60, imports,
            CellsPerRow(d->PVImportDefCnt, IMPORT_COLUMNS, MAXPVIMPORTFIELDS), imports_,
            [&](DCSPVImportRow& row, const ImportRowPlan& plan, bool own_cells) {
                if (own_cells) {
                    row.Cells[IMPORT_COL_TAG].Text = NewText(plan.name);
                    row.Cells[IMPORT_COL_MAPPING].Int = plan.mapping;
                }
                row.Active = plan.active;
                row.Value = plan.value;
            });
    d->CtrlCount = static_cast<int32_t>(ctrl_.count);
    d->CtrlRows = ctrl_.count ? ctrl_.rows : nullptr;
    d->PVCount = static_cast<int32_t>(pv_.count);
    d->PVRows = pv_.count ? pv_.rows : nullptr;
    d->PVImportCount = static_cast<int32_t>(imports_.count);
    d->PVImportRows = imports_.count ? imports_.rows : nullptr;
}

bool BlockBuilder::Lay()
{
    DCSData* d = block_;
    if (!gen_laid_) {
        // GenData is the host's and FreeDCSData releases it, so it comes from the host heap.
        const int32_t cells = CellsPerRow(d->GenDefCnt, GEN_COLUMNS, MAXGENFIELDS);
        const size_t bytes = sizeof(DCSCell) * static_cast<size_t>(cells);
        void* gen = IFace_new(bytes);
        if (!gen) return false;
        std::memset(gen, 0, bytes);
        d->GenData = static_cast<DCSCell*>(gen);
        d->GenData[GEN_COL_ARRAY_TAG].Text = NewText(array_tag);
        laid_array_tag_ = array_tag;
        gen_laid_ = true;
    }
    if (array_tag != laid_array_tag_ && d->GenData) {
        d->GenData[GEN_COL_ARRAY_TAG].Text = NewText(array_tag);
        laid_array_tag_ = array_tag;
    }
    LayTables();
    return true;
}

bool BlockBuilder::Pending() const
{
    return ctrl.size() != ctrl_.count || pv.size() != pv_.count ||
           imports.size() != imports_.count || array_tag != laid_array_tag_;
}

DCSData* BlockBuilder::get()
{
    if (Pending()) Lay();
    return block_;
}

DCSCtrlRow& BlockBuilder::Ctrl(int row) { return ctrl_.rows[row]; }
DCSPVRow& BlockBuilder::PV(int row) { return pv_.rows[row]; }
DCSPVImportRow& BlockBuilder::Import(int row) { return imports_.rows[row]; }

void BlockBuilder::SetCtrlName(int row, int col, const char* name)
{
    ctrl_.rows[row].Cells[col].Text = NewText(TextOrNone(name));
}

void BlockBuilder::SetPVName(int row, const char* name)
{
    pv_.rows[row].Cells[PV_COL_TAG].Text = NewText(TextOrNone(name));
}

void BlockBuilder::SetImportName(int row, const char* name)
{
    imports_.rows[row].Cells[IMPORT_COL_TAG].Text = NewText(TextOrNone(name));
}

int32_t BlockBuilder::Free()
{
    if (freed_) return 0;
    freed_ = true;
    return FreeDCSData(block_);
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
