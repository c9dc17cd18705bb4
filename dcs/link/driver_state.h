// DriverState: the handles the control system's library issued to the driver,
// zero at load. Row tables are indexed by the row of the matching table.
#pragma once

#include "dcs/vendor/vnxapi.h"

#define MAXDCSROWS 2000

struct DriverState {
    VnxHandle CtrlSPTags[MAXDCSROWS];
    VnxHandle CtrlOPTags[MAXDCSROWS];
    VnxHandle CtrlModeTags[MAXDCSROWS];
    VnxHandle CtrlSPInitTags[MAXDCSROWS];
    VnxHandle CtrlOPInitTags[MAXDCSROWS];
    VnxHandle CtrlSPItems[MAXDCSROWS];
    VnxHandle CtrlOPItems[MAXDCSROWS];
    VnxHandle PVExportTags[MAXDCSROWS];
    VnxHandle PVImportTags[MAXDCSROWS];
    VnxHandle PVImportItems[MAXDCSROWS];

    VnxHandle PVExportArrayTag;
    VnxHandle SPTagList;
    VnxHandle OPTagList;
    VnxHandle PVImportTagList;
    uint32_t DataServicesContext;  // filled by the library, never read
};

// The driver's one instance; the host calls one entry point at a time.
extern DriverState Driver;

// Row count of a table clamped to what the handle tables hold: a negative
// count walks no row, a count above MAXDCSROWS walks MAXDCSROWS rows.
int32_t ClampRows(int32_t count);
// Rows a loop over a table's records may walk: as ClampRows, and none when
// the block has no row array behind its count.
int32_t RowsToWalk(int32_t count, const void* rows);

// DCSLoad's part of the state: seven tables and the array tag back to zero,
// in the declared order. With close_tags (a driver still bound) each tag is
// closed before it is forgotten; items are left to their lists.
void ClearLoadHandles(uint8_t close_tags);
