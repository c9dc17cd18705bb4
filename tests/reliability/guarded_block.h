// A host block laid out so that every stray write of the driver shows: the
// block at an odd address with host bytes behind its 146, and every row
// array, cell array and tag name in its own buffer between guard bytes.
// A snapshot copies all of it, and what the driver declared in the block;
// comparing names each byte the driver changed outside the fields it owns
// (controller SP, OP, SPUpdated, OPUpdated and PV import Value).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dcs/data/dcs_data.h"

struct CtrlSpec {
    std::string names[5];  // SP, OP, Mode, SP Init, OP Init
    int16_t active;
    double sp;
    double op;
};
struct PVSpec {
    std::string name;
    int16_t active;
    double value;
};
struct ImportSpec {
    std::string name;
    int32_t mapping;
    int16_t active;
    double value;
};

// The host's regions by copy; the driver's own buffers (definitions, captions,
// default cells, the general cell) by address and copy, as found at the time.
struct BlockSnapshot {
    std::vector<std::vector<uint8_t>> bytes;  // one per host region, guards included
    struct Declared {
        std::string name;
        const uint8_t* at;
        std::vector<uint8_t> bytes;
    };
    std::vector<Declared> declared;
};

class GuardedBlock {
public:
    GuardedBlock();
    ~GuardedBlock();
    GuardedBlock(const GuardedBlock&) = delete;
    GuardedBlock& operator=(const GuardedBlock&) = delete;

    DCSData* get() { return block_; }

    // The host's part: general field 0 (its cell from the host heap, as
    // FreeDCSData releases it) and the rows, each with one cell per declared
    // column (at least the driver's own). Lay() puts them into the block.
    std::string array_tag;
    std::vector<CtrlSpec> ctrl;
    std::vector<PVSpec> pv;
    std::vector<ImportSpec> imports;
    // Rows past this many share the cells (and names) of the last one before
    // them: a table of 2,000 rows without 12,000 buffers.
    size_t own_rows = SIZE_MAX;  // at least 1
    void Lay();
    // A host text in a guarded buffer of its own, for tests that swap names.
    char* Name(const std::string& name);

    // The rows as laid, for tests that then spoil the block on purpose.
    DCSCtrlRow* CtrlRow(int row);
    DCSPVRow* PVRow(int row);
    DCSPVImportRow* ImportRow(int row);

    // Regions are fixed by Lay(): take the snapshot after it (and after DCSLoad).
    BlockSnapshot Take() const;
    // One line per byte range the driver changed without owning it.
    std::vector<std::string> StrayWrites(const BlockSnapshot& before) const;

    // FreeDCSData, once; the destructor calls it when the test did not.
    void Free();

private:
    enum Kind { BLOCK, CTRL_ROWS, PV_ROWS, IMPORT_ROWS, OTHER };
    struct Region {
        std::string name;
        Kind kind;
        uint8_t* payload;  // the bytes the host handed over
        size_t size;
        size_t guard;      // guard bytes on each side (0: the driver's own buffers)
        std::unique_ptr<uint8_t[]> storage;
    };

    uint8_t* NewRegion(const std::string& name, Kind kind, size_t size);
    char* NewName(const std::string& name);

    std::vector<Region> regions_;
    DCSData* block_;
    bool freed_ = false;
};

// The live blocks of both host heap families, and the bad releases.
int32_t HostLiveBlocks();
int32_t HostBadReleases();
