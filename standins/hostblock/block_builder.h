// A DCSData block as a host builds it, for the harness, the tests, the
// benchmarks and the fuzzer. The block, its row arrays, every row's cells and
// every tag name are buffers the builder owns; GenData comes from the host
// heap, as FreeDCSData releases it. Rows are given as plans and laid into the
// block by Lay(), or by get() when rows were added since the last lay. Rows
// already laid stay as they stand: what the driver wrote into them is kept.
//
// Guards::kAround lays the block so that every stray write of the driver
// shows: the block at an odd address with host bytes behind its 146, every
// buffer between guard bytes, the host's bytes of each row filled with a
// pattern. A snapshot (Take) copies all of it and what the driver declared
// in the block; StrayWrites names each byte the driver changed outside the
// fields it owns (controller SP, OP, SPUpdated, OPUpdated and PV import Value).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dcs/data/columns.h"
#include "dcs/data/dcs_data.h"

// A cell's tag name; none leaves the cell's text null.
using HostText = std::optional<std::string>;
HostText TextOrNone(const char* text);

struct CtrlRowPlan {
    HostText names[CTRL_COLUMNS];  // by column: SP, OP, Mode, SP Init, OP Init
    int16_t active;
    double sp;
    double op;
};
struct PVRowPlan {
    HostText name;
    int16_t active;
    double value;
};
struct ImportRowPlan {
    HostText name;
    int32_t mapping;
    int16_t active;
    double value;
};

enum class Guards { kNone, kAround };

// The host's buffers by copy; the driver's own buffers (definitions, captions,
// default cells, the general cell) by address and copy, as found at the time.
struct BlockSnapshot {
    std::vector<std::vector<uint8_t>> bytes;  // one per host buffer, guards included
    struct Declared {
        std::string name;
        const uint8_t* at;
        std::vector<uint8_t> bytes;
    };
    std::vector<Declared> declared;
};

class BlockBuilder {
public:
    explicit BlockBuilder(Guards guards = Guards::kNone);
    ~BlockBuilder();
    BlockBuilder(const BlockBuilder&) = delete;
    BlockBuilder& operator=(const BlockBuilder&) = delete;

    // The rows to lay, in row order, and general field 0 ("PV Array Tag").
    // Plans of rows already laid are not read again.
    HostText array_tag;
    std::vector<CtrlRowPlan> ctrl;
    std::vector<PVRowPlan> pv;
    std::vector<ImportRowPlan> imports;
    // Rows past this many share the cells (and names) of the last one before
    // them: a table of 2,000 rows without 12,000 buffers.
    size_t own_rows = SIZE_MAX;  // at least 1

    // The same, one row at a time; each returns the row's index. A null name
    // leaves its cell's text null.
    void SetArrayTag(const char* name);
    int AddController(const char* sp, const char* op, const char* mode, const char* sp_init,
                      const char* op_init, int16_t active = 1, double sp_value = 0.0,
                      double op_value = 0.0);
    // BASE.SP, BASE.OP, BASE.MODE, BASE.SPINIT, BASE.OPINIT.
    int AddController(const std::string& base, int16_t active = 1, double sp_value = 0.0,
                      double op_value = 0.0);
    int AddPV(const char* tag, int16_t active = 1, double value = 0.0);
    int AddImport(const char* tag, int32_t mapping = MAPPING_ONE_TO_ONE, int16_t active = 1,
                  double value = 0.0);

    // GenData (first time only, from the host heap: at least one cell per
    // declared general field), the rows added since the last lay, each with
    // one cell per declared column and at least the driver's own, and the
    // counts and row pointers. Declare (DCSLoad) first. False when the host
    // heap refused GenData.
    bool Lay();
    // The block, laid first when rows were added since.
    DCSData* get();

    // Laid rows, for tests that read them or spoil the block on purpose.
    DCSCtrlRow& Ctrl(int row);
    DCSPVRow& PV(int row);
    DCSPVImportRow& Import(int row);
    // A host text in a buffer of its own, for cells written after the lay.
    char* Name(const std::string& name);
    void SetCtrlName(int row, int col, const char* name);
    void SetPVName(int row, const char* name);
    void SetImportName(int row, const char* name);

    // Buffers are fixed by Lay(): take the snapshot after it (and after DCSLoad).
    BlockSnapshot Take() const;
    // One line per byte range the driver changed without owning it.
    std::vector<std::string> StrayWrites(const BlockSnapshot& before) const;

    // FreeDCSData, once (its result; 0 after the first); the destructor calls
    // it when the host did not.
    int32_t Free();

private:
    enum Kind { BLOCK, CTRL_ROWS, PV_ROWS, IMPORT_ROWS, OTHER };
    struct Region {
        std::string name;
        Kind kind;
        uint8_t* payload;  // the bytes the host hands over
        size_t size;
        size_t guard;  // guard bytes on each side
        std::unique_ptr<uint8_t[]> storage;
    };

    // The rows of a table laid so far.
    template <class Row>
    struct Table {
        Row* rows = nullptr;
        size_t count = 0;
    };

    uint8_t* NewRegion(const std::string& name, Kind kind, size_t size);
    char* NewText(const HostText& text);
    DCSCell* NewCells(const std::string& name, int32_t count);
    template <class Row, class Plan, class Fill>
    void LayRows(const char* table, Kind kind, uint8_t pattern, const std::vector<Plan>& plans,
                 int32_t cells, Table<Row>& laid, Fill fill);
    void LayTables();
    bool Pending() const;

    Guards guards_;
    std::vector<Region> regions_;
    DCSData* block_;
    bool gen_laid_ = false;
    HostText laid_array_tag_;
    Table<DCSCtrlRow> ctrl_;
    Table<DCSPVRow> pv_;
    Table<DCSPVImportRow> imports_;
    bool freed_ = false;
};

// The live blocks of both host heap families, and the bad releases.
int32_t HostLiveBlocks();
int32_t HostBadReleases();
