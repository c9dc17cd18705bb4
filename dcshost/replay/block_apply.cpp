#include "dcshost/replay/block_apply.h"

#include <algorithm>
#include <cstring>

#include "dcs/data/columns.h"
#include "dcs/host/iface.h"

namespace {

const char* const kDefWords[DEF_TABLE_COUNT] = {"general", "controller", "PV", "PV import"};
int32_t (*const kAllocDefs[DEF_TABLE_COUNT])(DCSData*, int32_t) = {AllocGenDefs, AllocCtrlDefs,
                                                                   AllocPVDefs, AllocPVImportDefs};

// The block is packed: its fields are written through copies.
template <class Value>
void Put(DCSData& d, size_t offset, Value value)
{
    std::memcpy(reinterpret_cast<char*>(&d) + offset, &value, sizeof value);
}

// What the block's release would give back of definitions no longer counted.
void ReleaseDef(DCSDataDef& def)
{
    if (def.Label) IFace_free(def.Label);
    if (def.HostBuffer1) IFace_delete(def.HostBuffer1);
    if (def.HostBuffer2) IFace_delete(def.HostBuffer2);
}

// The cells the block builder gives a row laid now: one per declared column,
// at least the driver's own.
int32_t CellsLaid(const DCSData& d, DefTable table)
{
    const int32_t own[DEF_TABLE_COUNT] = {GEN_COLUMNS, CTRL_COLUMNS, PV_COLUMNS, IMPORT_COLUMNS};
    return std::max(ColumnsOf(DefCount(d, table), table), own[table]);
}

unsigned char* RowAt(DCSData& d, RowTable table, int32_t row)
{
    return const_cast<unsigned char*>(Rows(d, table)) + row * RowTables[table].row_size;
}

}  // namespace

bool Layable(const BlockLine& line, std::string& error)
{
    if (line.kind == BL_DEF_COUNT &&
        (line.number < 0 || line.number > DefTables[line.table].max_columns)) {
        error = std::string("a ") + kDefWords[line.table] + " definition count of " +
                std::to_string(line.number) + ", outside the host's bounds 0 to " +
                std::to_string(DefTables[line.table].max_columns);
        return false;
    }
    if (line.kind == BL_ROW_COUNT && line.number > kMaxRecordedRows) {
        error = "a table of " + std::to_string(line.number) + " rows; a replay lays at most " +
                std::to_string(kMaxRecordedRows);
        return false;
    }
    return true;
}

// A count that differs from the array's: the host's array has that many
// definitions, so a new one is laid with the old ones carried over.
bool BlockApplier::SetDefCount(DefTable table, int32_t count, std::string& error)
{
    DCSData& d = *block_.Data();
    DCSDataDef* old = const_cast<DCSDataDef*>(Defs(d, table));
    const int32_t old_count = ColumnsOf(DefCount(d, table), table);
    if (!old) {
        Put(d, DefTables[table].count_offset, count);  // the array comes with its first type
        return true;
    }
    Put(d, DefTables[table].defs_offset, static_cast<DCSDataDef*>(nullptr));
    if (!kAllocDefs[table](&d, count)) {
        error = "the host heap has no room for the definitions";
        return false;
    }
    DCSDataDef* defs = const_cast<DCSDataDef*>(Defs(d, table));
    for (int32_t j = 0; j < old_count; ++j) {
        if (j < count)
            defs[j] = old[j];
        else
            ReleaseDef(old[j]);
    }
    IFace_delete(old);
    return true;
}

bool BlockApplier::SetDefType(DefTable table, int32_t column, int32_t type, std::string& error)
{
    DCSData& d = *block_.Data();
    if (!Defs(d, table) && !kAllocDefs[table](&d, DefCount(d, table))) {
        error = "the host heap has no room for the definitions";
        return false;
    }
    if (column >= ColumnsOf(DefCount(d, table), table)) {
        error = "a definition past the count";
        return false;
    }
    const_cast<DCSDataDef*>(Defs(d, table))[column].Type = type;
    return true;
}

bool BlockApplier::Lay(std::string& error)
{
    BlockBuilder& builder = block_.Builder();
    DCSData& d = *block_.Data();
    if (!laid_) gen_cells_ = CellsLaid(d, DEF_GEN);
    laid_ = true;
    if (!builder.Lay()) {
        error = "the host heap has no room for GenData";
        return false;
    }
    cells_[ROW_CTRL].resize(builder.ctrl.size(), CellsLaid(d, DEF_CTRL));
    cells_[ROW_PV].resize(builder.pv.size(), CellsLaid(d, DEF_PV));
    cells_[ROW_IMPORT].resize(builder.imports.size(), CellsLaid(d, DEF_IMPORT));
    // The builder counts every row it laid; the recording's counts stand.
    for (int t = 0; t < ROW_TABLE_COUNT; ++t)
        std::memcpy(reinterpret_cast<char*>(&d) + RowTables[t].count_offset, &counts_[t],
                    sizeof counts_[t]);
    return true;
}

bool BlockApplier::SetRowCount(RowTable table, int32_t count, std::string& error)
{
    BlockBuilder& builder = block_.Builder();
    const size_t rows = static_cast<size_t>(std::max(count, 0));
    // Rows laid once stay; a table that grows again gets every field of
    // its rows from the recording.
    if (table == ROW_CTRL && rows > builder.ctrl.size()) builder.ctrl.resize(rows, CtrlRowPlan{});
    if (table == ROW_PV && rows > builder.pv.size()) builder.pv.resize(rows, PVRowPlan{});
    if (table == ROW_IMPORT && rows > builder.imports.size())
        builder.imports.resize(rows, ImportRowPlan{});
    counts_[table] = count;
    return Lay(error);
}

DCSCell* BlockApplier::CellOf(const BlockLine& line, std::string& error)
{
    if (!laid_ && !Lay(error)) return nullptr;
    DCSData& d = *block_.Data();
    if (line.kind == BL_GEN_CELL) {
        if (d.GenData && line.column < gen_cells_) return d.GenData + line.column;
    } else {
        const std::vector<int32_t>& cells = cells_[line.table];
        RowTable table = static_cast<RowTable>(line.table);
        if (line.row < static_cast<int32_t>(cells.size()) && line.column < cells[line.row]) {
            DCSCell* row_cells = nullptr;
            std::memcpy(&row_cells, RowAt(d, table, line.row) + RowTables[table].cells_offset,
                        sizeof row_cells);
            return row_cells + line.column;
        }
    }
    error = "a cell the block has no room for (column " + std::to_string(line.column) + ")";
    return nullptr;
}

bool BlockApplier::Apply(const BlockLine& line, std::string& error)
{
    if (!Layable(line, error)) return false;
    DCSData& d = *block_.Data();
    switch (line.kind) {
    case BL_DEF_COUNT:
        return SetDefCount(static_cast<DefTable>(line.table), static_cast<int32_t>(line.number),
                           error);
    case BL_DEF_TYPE:
        return SetDefType(static_cast<DefTable>(line.table), line.column,
                          static_cast<int32_t>(line.number), error);
    case BL_ROW_COUNT:
        return SetRowCount(static_cast<RowTable>(line.table), static_cast<int32_t>(line.number),
                           error);
    case BL_GEN_CELL:
    case BL_ROW_CELL: {
        DCSCell* cell = CellOf(line, error);
        if (!cell) return false;
        switch (line.cell.form) {
        case CELL_TEXT:
            cell->Text = block_.Builder().Name(line.cell.text);
            break;
        case CELL_NULL_TEXT:
            cell->Text = nullptr;
            break;
        case CELL_CHOICE:
            cell->Int = line.cell.choice;
            break;
        case CELL_BYTES:
            std::memcpy(cell, line.cell.bytes, sizeof *cell);
            break;
        case CELL_NONE:
            break;
        }
        return true;
    }
    case BL_ROW_FIELD: {
        RowTable table = static_cast<RowTable>(line.table);
        if (line.row >= RowsOf(RowCount(d, table)) || !Rows(d, table)) {
            error = "a row past the table's count";
            return false;
        }
        const BlockField& field = RowTables[table].fields[line.field];
        unsigned char* at = RowAt(d, table, line.row) + field.offset;
        if (field.kind == FIELD_DOUBLE) {
            std::memcpy(at, &line.value, sizeof line.value);
        } else if (field.kind == FIELD_I16) {
            int16_t value = static_cast<int16_t>(line.number);
            std::memcpy(at, &value, sizeof value);
        } else {
            *at = static_cast<unsigned char>(line.number);
        }
        return true;
    }
    }
    error = "not a block line";
    return false;
}
