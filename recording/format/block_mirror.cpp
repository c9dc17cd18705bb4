#include "recording/format/block_mirror.h"

#include <cstring>

#include "recording/format/value_text.h"

namespace {

size_t FieldSize(FieldKind kind) { return kind == FIELD_DOUBLE ? 8 : kind == FIELD_I16 ? 2 : 1; }

void AppendField(std::string& out, const BlockField& field, const unsigned char* row)
{
    switch (field.kind) {
    case FIELD_I16: {
        int16_t v;
        std::memcpy(&v, row + field.offset, sizeof v);
        AppendInt(out, v);
        break;
    }
    case FIELD_U8:
        AppendInt(out, row[field.offset]);
        break;
    case FIELD_DOUBLE: {
        double v;
        std::memcpy(&v, row + field.offset, sizeof v);
        AppendDouble(out, v);
        break;
    }
    }
}

void StoreField(const BlockField& field, const BlockLine& line, unsigned char* row)
{
    if (field.kind == FIELD_DOUBLE) {
        std::memcpy(row + field.offset, &line.value, 8);
    } else if (field.kind == FIELD_I16) {
        int16_t v = static_cast<int16_t>(line.number);
        std::memcpy(row + field.offset, &v, sizeof v);
    } else {
        row[field.offset] = static_cast<unsigned char>(line.number);
    }
}

// "PREFIX L ROW " for a row's field, "PREFIX g " for a general cell (row < 0).
// With a run, the row is "=" or "+" after a row line of the same table: a
// step that moves every row then repeats the same heads, which zlib packs
// far tighter than a new number on each line.
void AppendHead(std::string& out, const char* prefix, char letter, int32_t row,
                BlockRowRun* run = nullptr)
{
    out += prefix;
    out += ' ';
    out += letter;
    out += ' ';
    if (row < 0) return;
    if (run && run->letter == letter && (row == run->row || row == run->row + 1))
        out += row == run->row ? '=' : '+';
    else
        AppendInt(out, row);
    if (run) *run = BlockRowRun{letter, row};
    out += ' ';
}

}  // namespace

void BlockMirror::Clear() { *this = BlockMirror(); }

int32_t BlockMirror::TypeOf(DefTable table, int32_t column) const
{
    const std::vector<int32_t>& types = def_type[table];
    return column < static_cast<int32_t>(types.size()) ? types[column] : 0;
}

void BlockMirror::DiffCells(const DCSCell* cells, DefTable table, bool& present,
                            std::vector<CellValue>& copy, const char* prefix, char letter,
                            int32_t row, BlockRowRun* run, std::string& out)
{
    if (!cells) {
        present = false;
        copy.clear();
        return;
    }
    if (!present) copy.clear();
    present = true;
    size_t columns = static_cast<size_t>(ColumnsOf(def_count[table], table));
    if (copy.size() > columns) copy.resize(columns);
    for (size_t j = 0; j < columns; ++j) {
        int32_t type = TypeOf(table, static_cast<int32_t>(j));
        if (j < copy.size() && SameCell(copy[j], cells[j], type)) continue;
        if (j >= copy.size()) copy.resize(j + 1);
        ReadCell(cells[j], type, copy[j]);
        AppendHead(out, prefix, letter, row, run);
        if (row >= 0) out += 'k';
        AppendInt(out, static_cast<int64_t>(j));
        out += ' ';
        AppendCell(out, copy[j]);
        out += '\n';
    }
}

namespace {

// "PREFIX n NAME COUNT": a table's count as it changed.
void AppendCountLine(std::string& out, const char* prefix, std::string_view name, int32_t count)
{
    out += prefix;
    out += " n ";
    out += name;
    out += ' ';
    AppendInt(out, count);
    out += '\n';
}

}  // namespace

void BlockMirror::Diff(const DCSData& block, const char* prefix, std::string& out, bool run_rows,
                       BlockScope scope)
{
    if (scope == SCOPE_NOTHING) return;
    for (int t = 0; t < DEF_TABLE_COUNT; ++t) {
        int32_t count = DefCount(block, static_cast<DefTable>(t));
        if (count == def_count[t]) continue;
        def_count[t] = count;
        AppendCountLine(out, prefix, DefTables[t].count_name, count);
    }
    for (int t = 0; t < DEF_TABLE_COUNT; ++t) {
        const DCSDataDef* defs = Defs(block, static_cast<DefTable>(t));
        std::vector<int32_t>& types = def_type[t];
        if (!defs) {
            defs_present[t] = false;
            types.clear();
            continue;
        }
        if (!defs_present[t]) types.clear();
        defs_present[t] = true;
        size_t columns = static_cast<size_t>(ColumnsOf(def_count[t], static_cast<DefTable>(t)));
        if (types.size() > columns) types.resize(columns);
        for (size_t j = 0; j < columns; ++j) {
            if (j < types.size() && types[j] == defs[j].Type) continue;
            if (j >= types.size()) types.resize(j + 1);
            types[j] = defs[j].Type;
            out += prefix;
            out += " d ";
            out += DefTables[t].letter;
            out += ' ';
            AppendInt(out, static_cast<int64_t>(j));
            out += ' ';
            AppendInt(out, types[j]);
            out += '\n';
        }
    }
    if (scope == SCOPE_DEFINITIONS) return;
    for (int t = 0; t < ROW_TABLE_COUNT; ++t) {
        int32_t count = RowCount(block, static_cast<RowTable>(t));
        if (count == row_count[t]) continue;
        row_count[t] = count;
        AppendCountLine(out, prefix, std::string_view(&RowTables[t].letter, 1), count);
    }
    DiffCells(block.GenData, DEF_GEN, gen_present, gen, prefix, 'g', -1, nullptr, out);

    BlockRowRun rows_run;
    BlockRowRun* run = run_rows ? &rows_run : nullptr;
    for (int t = 0; t < ROW_TABLE_COUNT; ++t) {
        const RowTableInfo& info = RowTables[t];
        const unsigned char* block_rows = Rows(block, static_cast<RowTable>(t));
        std::vector<MirrorRow>& copy = rows[t];
        if (!block_rows) {
            copy.clear();
            continue;
        }
        size_t count = static_cast<size_t>(RowsOf(row_count[t]));
        size_t known = copy.size() < count ? copy.size() : count;
        copy.resize(count);
        for (size_t r = 0; r < count; ++r) {
            const unsigned char* row = block_rows + r * info.row_size;
            MirrorRow& mine = copy[r];
            bool fresh = r >= known;
            const int32_t row_number = static_cast<int32_t>(r);
            for (uint8_t f = 0; f < info.field_count; ++f) {
                const BlockField& field = info.fields[f];
                size_t size = FieldSize(field.kind);
                if (!fresh && std::memcmp(mine.raw + field.offset, row + field.offset, size) == 0)
                    continue;
                std::memcpy(mine.raw + field.offset, row + field.offset, size);
                AppendHead(out, prefix, info.letter, row_number, run);
                out += field.name;
                out += ' ';
                AppendField(out, field, row);
                out += '\n';
            }
            DiffCells(RowCells(row, static_cast<RowTable>(t)), info.defs, mine.cells_present,
                      mine.cells, prefix, info.letter, row_number, run, out);
        }
    }
}

bool BlockMirror::Apply(const BlockLine& line, std::string& error)
{
    switch (line.kind) {
    case BL_DEF_COUNT: {
        def_count[line.table] = static_cast<int32_t>(line.number);
        size_t columns = static_cast<size_t>(
            ColumnsOf(def_count[line.table], static_cast<DefTable>(line.table)));
        if (def_type[line.table].size() > columns) def_type[line.table].resize(columns);
        return true;
    }
    case BL_DEF_TYPE: {
        if (line.column >= ColumnsOf(def_count[line.table], static_cast<DefTable>(line.table))) {
            error = "a definition past the count";
            return false;
        }
        std::vector<int32_t>& types = def_type[line.table];
        if (types.size() <= static_cast<size_t>(line.column)) types.resize(line.column + 1);
        types[line.column] = static_cast<int32_t>(line.number);
        defs_present[line.table] = true;
        return true;
    }
    case BL_ROW_COUNT: {
        row_count[line.table] = static_cast<int32_t>(line.number);
        rows[line.table].resize(static_cast<size_t>(RowsOf(row_count[line.table])));
        return true;
    }
    case BL_GEN_CELL:
    case BL_ROW_CELL: {
        DefTable defs = line.kind == BL_GEN_CELL ? DEF_GEN : RowTables[line.table].defs;
        if (line.column >= ColumnsOf(def_count[defs], defs)) {
            error = "a cell past its definitions";
            return false;
        }
        std::vector<CellValue>* cells = &gen;
        if (line.kind == BL_GEN_CELL) {
            gen_present = true;
        } else {
            if (line.row >= static_cast<int32_t>(rows[line.table].size())) {
                error = "a row past the count";
                return false;
            }
            rows[line.table][line.row].cells_present = true;
            cells = &rows[line.table][line.row].cells;
        }
        if (cells->size() <= static_cast<size_t>(line.column)) cells->resize(line.column + 1);
        (*cells)[line.column] = line.cell;
        return true;
    }
    case BL_ROW_FIELD: {
        if (line.row >= static_cast<int32_t>(rows[line.table].size())) {
            error = "a row past the count";
            return false;
        }
        StoreField(RowTables[line.table].fields[line.field], line, rows[line.table][line.row].raw);
        return true;
    }
    }
    error = "not a block line";
    return false;
}
