// The block as the recorded host handed it over: each `i` line taken into
// dcshost's host block, rows and cells laid as the host block lays them
// (the shared block builder), texts in buffers of the host's own. A host
// that restored a saved model hands over its own definitions before any
// DCSLoad: they are laid as the block's allocators lay them (from the host
// heap, with their monikers) with the types the recording gives; captions
// and choice lists, which no entry point after DCSLoad reads and a
// recording does not hold, stay null.
#pragma once

#include <string>
#include <vector>

#include "dcshost/host/host_block.h"
#include "recording/format/block_fields.h"

// False with why when a replay cannot lay the line into a block: a
// definition count outside the host's bounds, a table larger than a replay
// lays.
bool Layable(const BlockLine& line, std::string& error);

class BlockApplier {
public:
    explicit BlockApplier(HostBlock& block) : block_(block) {}
    // False with what cannot be replayed: a line not Layable, a cell the
    // block has no room for.
    bool Apply(const BlockLine& line, std::string& error);

private:
    bool SetDefCount(DefTable table, int32_t count, std::string& error);
    bool SetDefType(DefTable table, int32_t column, int32_t type, std::string& error);
    bool SetRowCount(RowTable table, int32_t count, std::string& error);
    bool Lay(std::string& error);
    DCSCell* CellOf(const BlockLine& line, std::string& error);

    HostBlock& block_;
    bool laid_ = false;
    int32_t gen_cells_ = 0;
    int32_t counts_[ROW_TABLE_COUNT] = {};
    std::vector<int32_t> cells_[ROW_TABLE_COUNT];  // per laid row
};
