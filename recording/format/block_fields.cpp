#include "recording/format/block_fields.h"

#include <cstring>

#include "recording/format/value_text.h"

namespace {

// clang-format off
const BlockField kCtrlFields[] = {
    {"a",  offsetof(DCSCtrlRow, Active),     FIELD_I16},
    {"v1", offsetof(DCSCtrlRow, HostValue1), FIELD_DOUBLE},
    {"v2", offsetof(DCSCtrlRow, HostValue2), FIELD_DOUBLE},
    {"sp", offsetof(DCSCtrlRow, SP),         FIELD_DOUBLE},
    {"op", offsetof(DCSCtrlRow, OP),         FIELD_DOUBLE},
    {"su", offsetof(DCSCtrlRow, SPUpdated),  FIELD_U8},
    {"ou", offsetof(DCSCtrlRow, OPUpdated),  FIELD_U8},
};
const BlockField kPVFields[] = {
    {"a", offsetof(DCSPVRow, Active),   FIELD_I16},
    {"w", offsetof(DCSPVRow, HostWord), FIELD_I16},
    {"v", offsetof(DCSPVRow, Value),    FIELD_DOUBLE},
};
const BlockField kImportFields[] = {
    {"a", offsetof(DCSPVImportRow, Active), FIELD_I16},
    {"v", offsetof(DCSPVImportRow, Value),  FIELD_DOUBLE},
};
// clang-format on

template <size_t N>
constexpr uint8_t CountOf(const BlockField (&)[N])
{
    return static_cast<uint8_t>(N);
}

bool ParseLetter(char letter, int& table, bool rows)
{
    const int count = rows ? static_cast<int>(ROW_TABLE_COUNT) : static_cast<int>(DEF_TABLE_COUNT);
    for (int t = 0; t < count; ++t) {
        if ((rows ? RowTables[t].letter : DefTables[t].letter) == letter) {
            table = t;
            return true;
        }
    }
    return false;
}

bool ParseIndex(std::string_view field, int32_t limit, int32_t& index)
{
    int64_t v;
    if (!ParseInt(field, 0, limit - 1, v)) return false;
    index = static_cast<int32_t>(v);
    return true;
}

}  // namespace

// clang-format off
const DefTableInfo DefTables[DEF_TABLE_COUNT] = {
    {'g', "gd", MAXGENFIELDS,      offsetof(DCSData, GenDefCnt),      offsetof(DCSData, GenDefs)},
    {'c', "cd", MAXCTRLFIELDS,     offsetof(DCSData, CtrlDefCnt),     offsetof(DCSData, CtrlDefs)},
    {'p', "pd", MAXPVFIELDS,       offsetof(DCSData, PVDefCnt),       offsetof(DCSData, PVDefs)},
    {'m', "md", MAXPVIMPORTFIELDS, offsetof(DCSData, PVImportDefCnt), offsetof(DCSData, PVImportDefs)},
};
const RowTableInfo RowTables[ROW_TABLE_COUNT] = {
    {'c', kCtrlFields,   CountOf(kCtrlFields),   sizeof(DCSCtrlRow),     offsetof(DCSCtrlRow, Cells),
     DEF_CTRL,   offsetof(DCSData, CtrlCount),     offsetof(DCSData, CtrlRows)},
    {'p', kPVFields,     CountOf(kPVFields),     sizeof(DCSPVRow),       offsetof(DCSPVRow, Cells),
     DEF_PV,     offsetof(DCSData, PVCount),       offsetof(DCSData, PVRows)},
    {'m', kImportFields, CountOf(kImportFields), sizeof(DCSPVImportRow), offsetof(DCSPVImportRow, Cells),
     DEF_IMPORT, offsetof(DCSData, PVImportCount), offsetof(DCSData, PVImportRows)},
};
// clang-format on

int32_t DefCount(const DCSData& block, DefTable table)
{
    int32_t count;
    std::memcpy(&count, reinterpret_cast<const char*>(&block) + DefTables[table].count_offset,
                sizeof count);
    return count;
}

const DCSDataDef* Defs(const DCSData& block, DefTable table)
{
    const DCSDataDef* defs;
    std::memcpy(&defs, reinterpret_cast<const char*>(&block) + DefTables[table].defs_offset,
                sizeof defs);
    return defs;
}

int32_t ColumnsOf(int32_t count, DefTable table)
{
    if (count < 0) return 0;
    return count > DefTables[table].max_columns ? DefTables[table].max_columns : count;
}

int32_t RowCount(const DCSData& block, RowTable table)
{
    int32_t count;
    std::memcpy(&count, reinterpret_cast<const char*>(&block) + RowTables[table].count_offset,
                sizeof count);
    return count;
}

const unsigned char* Rows(const DCSData& block, RowTable table)
{
    const unsigned char* rows;
    std::memcpy(&rows, reinterpret_cast<const char*>(&block) + RowTables[table].rows_offset,
                sizeof rows);
    return rows;
}

int32_t RowsOf(int32_t count)
{
    if (count < 0) return 0;
    return count > kMaxRecordedRows ? kMaxRecordedRows : count;
}

const DCSCell* RowCells(const unsigned char* row, RowTable table)
{
    const DCSCell* cells;
    std::memcpy(&cells, row + RowTables[table].cells_offset, sizeof cells);
    return cells;
}

bool SameCell(const CellValue& value, const DCSCell& cell, int32_t type)
{
    switch (type) {
    case DCS_TYPE_TEXT:
        if (!cell.Text) return value.form == CELL_NULL_TEXT;
        return value.form == CELL_TEXT && std::strcmp(value.text.c_str(), cell.Text) == 0;
    case DCS_TYPE_CHOICE:
        return value.form == CELL_CHOICE && value.choice == cell.Int;
    default:
        return value.form == CELL_BYTES && std::memcmp(value.bytes, &cell, 8) == 0;
    }
}

void ReadCell(const DCSCell& cell, int32_t type, CellValue& value)
{
    value.text.clear();
    switch (type) {
    case DCS_TYPE_TEXT:
        value.form = cell.Text ? CELL_TEXT : CELL_NULL_TEXT;
        if (cell.Text) value.text = cell.Text;
        break;
    case DCS_TYPE_CHOICE:
        value.form = CELL_CHOICE;
        value.choice = cell.Int;
        break;
    default:
        value.form = CELL_BYTES;
        std::memcpy(value.bytes, &cell, 8);
        break;
    }
}

void AppendCell(std::string& out, const CellValue& value)
{
    switch (value.form) {
    case CELL_TEXT:
        AppendText(out, std::string_view(value.text));
        break;
    case CELL_CHOICE:
        AppendInt(out, value.choice);
        break;
    case CELL_BYTES:
        out += 'x';
        AppendHexBytes(out, value.bytes, 8);
        break;
    default:
        out += '-';
        break;
    }
}

bool ParseCell(std::string_view field, CellValue& value)
{
    if (field.empty()) return false;
    if (field[0] == '"' || field == "-") {
        bool is_null;
        if (!ParseText(field, value.text, is_null)) return false;
        value.form = is_null ? CELL_NULL_TEXT : CELL_TEXT;
        return true;
    }
    value.text.clear();
    if (field[0] == 'x') {
        value.form = CELL_BYTES;
        return ParseHexBytes(field.substr(1), value.bytes, 8);
    }
    int64_t v;
    if (!ParseInt(field, INT32_MIN, INT32_MAX, v)) return false;
    value.form = CELL_CHOICE;
    value.choice = static_cast<int32_t>(v);
    return true;
}

// One step per letter of a block line; each returns false when the fields do not fit.
static bool ParseCountLine(std::string_view a, std::string_view b, bool has_c, BlockLine& line)
{
    if (has_c) return false;
    for (int t = 0; t < DEF_TABLE_COUNT; ++t) {
        if (a == DefTables[t].count_name) {
            line.kind = BL_DEF_COUNT;
            line.table = static_cast<uint8_t>(t);
            return ParseInt(b, INT32_MIN, INT32_MAX, line.number);
        }
    }
    int table = 0;
    if (a.size() != 1 || !ParseLetter(a[0], table, true)) return false;
    line.kind = BL_ROW_COUNT;
    line.table = static_cast<uint8_t>(table);
    return ParseInt(b, INT32_MIN, INT32_MAX, line.number);
}

static bool ParseDefTypeLine(std::string_view a, std::string_view b, std::string_view c, bool has_c,
                             BlockLine& line)
{
    int table = 0;
    if (!has_c || a.size() != 1 || !ParseLetter(a[0], table, false)) return false;
    line.kind = BL_DEF_TYPE;
    line.table = static_cast<uint8_t>(table);
    if (!ParseIndex(b, DefTables[table].max_columns, line.column)) return false;
    return ParseInt(c, INT32_MIN, INT32_MAX, line.number);
}

static bool ParseGenLine(std::string_view a, std::string_view b, bool has_c, BlockLine& line)
{
    if (has_c) return false;
    line.kind = BL_GEN_CELL;
    line.table = DEF_GEN;
    return ParseIndex(a, MAXGENFIELDS, line.column) && ParseCell(b, line.cell);
}

// A named row field's value, read by the field's kind.
static bool ParseRowFieldValue(const RowTableInfo& info, std::string_view b, std::string_view c,
                               BlockLine& line)
{
    line.kind = BL_ROW_FIELD;
    int f = 0;
    while (f < info.field_count && b != info.fields[f].name) ++f;
    if (f == info.field_count) return false;
    line.field = static_cast<uint8_t>(f);
    int64_t v = 0;
    switch (info.fields[f].kind) {
    case FIELD_I16:
        if (!ParseInt(c, INT16_MIN, INT16_MAX, v)) return false;
        line.number = v;
        return true;
    case FIELD_U8:
        if (!ParseInt(c, 0, UINT8_MAX, v)) return false;
        line.number = v;
        return true;
    case FIELD_DOUBLE:
        return ParseDouble(c, line.value);
    }
    return false;
}

static bool ParseRowLine(char letter, std::string_view a, std::string_view b, std::string_view c,
                         bool has_c, BlockLine& line, BlockRowRun* run)
{
    int table = 0;
    if (!has_c || !ParseLetter(letter, table, true)) return false;
    const RowTableInfo& info = RowTables[table];
    line.table = static_cast<uint8_t>(table);
    if (a == "=" || a == "+") {
        if (!run || run->letter != info.letter) return false;
        line.row = run->row + (a == "+" ? 1 : 0);
        if (line.row >= kMaxRecordedRows) return false;
    } else if (!ParseIndex(a, kMaxRecordedRows, line.row)) {
        return false;
    }
    if (run) *run = BlockRowRun{info.letter, line.row};
    if (b.size() >= 2 && b[0] == 'k') {
        line.kind = BL_ROW_CELL;
        if (!ParseIndex(b.substr(1), DefTables[info.defs].max_columns, line.column)) return false;
        return ParseCell(c, line.cell);
    }
    return ParseRowFieldValue(info, b, c, line);
}

bool ParseBlockLine(std::string_view text, BlockLine& line, std::string& error, BlockRowRun* run)
{
    std::string_view rest = text, what, a, b, c;
    if (!NextField(rest, what) || what.size() != 1 || !NextField(rest, a) || !NextField(rest, b)) {
        error = "a block line needs three fields or more";
        return false;
    }
    bool has_c = NextField(rest, c);
    if (!rest.empty()) {
        error = "a block line with fields too many";
        return false;
    }
    line = BlockLine();
    bool ok = false;
    switch (what[0]) {
    case 'n':
        ok = ParseCountLine(a, b, has_c, line);
        break;
    case 'd':
        ok = ParseDefTypeLine(a, b, c, has_c, line);
        break;
    case 'g':
        ok = ParseGenLine(a, b, has_c, line);
        break;
    default:
        ok = ParseRowLine(what[0], a, b, c, has_c, line, run);
        break;
    }
    if (ok) return true;
    error = "not a block field, or a value out of its range";
    return false;
}
