// A copy of what a recording last gave of the block. Diff writes a line for
// every field of the block that differs from the copy and takes the block
// into it; the replay takes each line it reads into a copy with Apply, so
// both sides hold the same copy. It starts empty: no definitions, no rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "recording/format/block_fields.h"

// How much of the host's block a Diff reads: no more than the driver may
// read at the entry point being recorded.
enum BlockScope : uint8_t {
    SCOPE_NOTHING,
    SCOPE_DEFINITIONS,  // the definition counts and each definition's Type
    SCOPE_WHOLE,        // and the row counts, rows, cells and GenData
};

struct MirrorRow {
    unsigned char raw[sizeof(DCSCtrlRow)] = {};  // the record's bytes; its Cells pointer aside
    bool cells_present = false;
    std::vector<CellValue> cells;
};

struct BlockMirror {
    // Appends "PREFIX LINE\n" per field that differs, in the recording's order;
    // with `run_rows`, a row line's row as `=` or `+` where the previous row
    // line allows (what a recording holds; the replay compares whole rows).
    // Only the fields within `scope` are read and taken.
    void Diff(const DCSData& block, const char* prefix, std::string& out, bool run_rows = false,
              BlockScope scope = SCOPE_WHOLE);
    // Takes one line into the copy. False with a reason when it names a row,
    // column or definition the copy does not hold.
    bool Apply(const BlockLine& line, std::string& error);
    void Clear();

    int32_t def_count[DEF_TABLE_COUNT] = {};
    // Present when the block's definition array was; one type per column.
    bool defs_present[DEF_TABLE_COUNT] = {};
    std::vector<int32_t> def_type[DEF_TABLE_COUNT];
    int32_t row_count[ROW_TABLE_COUNT] = {};
    std::vector<MirrorRow> rows[ROW_TABLE_COUNT];  // empty while the row array is null
    bool gen_present = false;
    std::vector<CellValue> gen;

private:
    void DiffCells(const DCSCell* cells, DefTable table, bool& present,
                   std::vector<CellValue>& copy, const char* prefix, char letter, int32_t row,
                   BlockRowRun* run, std::string& out);
    int32_t TypeOf(DefTable table, int32_t column) const;
};
