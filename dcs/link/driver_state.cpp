#include "dcs/link/driver_state.h"

#include <cstring>

DriverState Driver;

int32_t ClampRows(int32_t count)
{
    if (count < 0) return 0;
    if (count > MAXDCSROWS) return MAXDCSROWS;
    return count;
}

int32_t RowsToWalk(int32_t count, const void* rows) { return rows ? ClampRows(count) : 0; }

namespace {

// A tag still open when its slot is cleared would stay open in the control
// system for good, so a bound driver's tags are closed first.
void ClearTags(VnxHandle* table, uint8_t close)
{
    if (close) {
        for (int i = 0; i < MAXDCSROWS; ++i) {
            if (table[i]) CloseTag(table[i]);
        }
    }
    std::memset(table, 0, sizeof(VnxHandle) * MAXDCSROWS);
}

// Items belong to their lists, which stay and are emptied by the next release.
void ClearItems(VnxHandle* table) { std::memset(table, 0, sizeof(VnxHandle) * MAXDCSROWS); }

}  // namespace

void ClearLoadHandles(uint8_t close_tags)
{
    ClearItems(Driver.CtrlOPItems);
    ClearItems(Driver.CtrlSPItems);
    ClearTags(Driver.CtrlOPTags, close_tags);
    ClearTags(Driver.CtrlSPTags, close_tags);
    ClearTags(Driver.PVExportTags, close_tags);
    ClearItems(Driver.PVImportItems);
    ClearTags(Driver.PVImportTags, close_tags);
    if (close_tags && Driver.PVExportArrayTag) CloseTag(Driver.PVExportArrayTag);
    Driver.PVExportArrayTag = nullptr;
}
