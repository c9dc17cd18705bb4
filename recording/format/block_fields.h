// The block fields a recording holds (docs/recording.md, "Block fields"):
// one table per kind of row with each field's name, offset and kind, the
// definition tables, the cells read by their column's type, and the parse of
// one block line into (table, row, field, value).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dcs/data/dcs_data.h"

// The driver reads no row past this one; nor does a recording.
constexpr int32_t kMaxRecordedRows = 2000;

enum FieldKind : uint8_t { FIELD_I16, FIELD_U8, FIELD_DOUBLE };

struct BlockField {
    const char* name;
    uint8_t offset;
    FieldKind kind;
};

enum DefTable : uint8_t { DEF_GEN, DEF_CTRL, DEF_PV, DEF_IMPORT, DEF_TABLE_COUNT };
enum RowTable : uint8_t { ROW_CTRL, ROW_PV, ROW_IMPORT, ROW_TABLE_COUNT };

struct DefTableInfo {
    char letter;             // in "d T COL TYPE"
    const char* count_name;  // in "n gd N"
    int32_t max_columns;
    size_t count_offset;  // in DCSData
    size_t defs_offset;
};

struct RowTableInfo {
    char letter;  // "c", "p", "m"
    const BlockField* fields;
    uint8_t field_count;
    uint8_t row_size;
    uint8_t cells_offset;
    DefTable defs;        // the definitions that give its cells' types
    size_t count_offset;  // in DCSData
    size_t rows_offset;
};

extern const DefTableInfo DefTables[DEF_TABLE_COUNT];
extern const RowTableInfo RowTables[ROW_TABLE_COUNT];

// Reads of the host's block by table.
int32_t DefCount(const DCSData& block, DefTable table);
const DCSDataDef* Defs(const DCSData& block, DefTable table);
// Columns that exist: the count, within 0 and the table's bound.
int32_t ColumnsOf(int32_t count, DefTable table);
int32_t RowCount(const DCSData& block, RowTable table);
const unsigned char* Rows(const DCSData& block, RowTable table);
// Rows that exist: the count, within 0 and kMaxRecordedRows.
int32_t RowsOf(int32_t count);
const DCSCell* RowCells(const unsigned char* row, RowTable table);

// A cell as a recording holds it, by its column's type: text (2), choice
// (3), or its 8 bytes.
enum CellForm : uint8_t { CELL_NONE, CELL_TEXT, CELL_NULL_TEXT, CELL_CHOICE, CELL_BYTES };
struct CellValue {
    CellForm form = CELL_NONE;
    int32_t choice = 0;
    unsigned char bytes[8] = {};
    std::string text;
};

bool SameCell(const CellValue& value, const DCSCell& cell, int32_t type);
void ReadCell(const DCSCell& cell, int32_t type, CellValue& value);
void AppendCell(std::string& out, const CellValue& value);
bool ParseCell(std::string_view field, CellValue& value);

// One block line, parsed.
enum BlockLineKind : uint8_t {
    BL_DEF_COUNT,  // n gd N: table (DefTable), number
    BL_DEF_TYPE,   // d T COL TYPE: table (DefTable), column, number
    BL_ROW_COUNT,  // n c N: table (RowTable), number
    BL_GEN_CELL,   // g COL CELL: column, cell
    BL_ROW_FIELD,  // c ROW a INT: table, row, field, number or value
    BL_ROW_CELL,   // c ROW kCOL CELL: table, row, column, cell
};

struct BlockLine {
    BlockLineKind kind = BL_DEF_COUNT;
    uint8_t table = 0;
    uint8_t field = 0;  // index into RowTables[table].fields
    int32_t row = 0;
    int32_t column = 0;
    int64_t number = 0;  // counts, types, integer fields
    double value = 0;    // double fields
    CellValue cell;
};

// The row of the previous row line among one call's `i` lines, or its `o`
// lines: a row may be given as `=` (that row) or `+` (the next) in its table.
struct BlockRowRun {
    char letter = 0;  // the table's, as the line gives it
    int32_t row = -1;
};

// `text` is the line after "i " or "o ". False with a reason. `run`, when
// given, resolves `=` and `+` rows and follows the row lines.
bool ParseBlockLine(std::string_view text, BlockLine& line, std::string& error,
                    BlockRowRun* run = nullptr);
