#include "dcs/driver/driver_state.h"

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
uint32_t DataServicesContext;

int32_t ClampRows(int32_t count)
{
    if (count < 0) return 0;
    if (count > MAXDCSROWS) return MAXDCSROWS;
    return count;
}

void ClearLoadHandles()
{
    for (int i = 0; i < MAXDCSROWS; ++i) CtrlOPItems[i] = nullptr;
    for (int i = 0; i < MAXDCSROWS; ++i) CtrlSPItems[i] = nullptr;
    for (int i = 0; i < MAXDCSROWS; ++i) CtrlOPTags[i] = nullptr;
    for (int i = 0; i < MAXDCSROWS; ++i) CtrlSPTags[i] = nullptr;
    for (int i = 0; i < MAXDCSROWS; ++i) PVExportTags[i] = nullptr;
    for (int i = 0; i < MAXDCSROWS; ++i) PVImportItems[i] = nullptr;
    for (int i = 0; i < MAXDCSROWS; ++i) PVImportTags[i] = nullptr;
    PVExportArrayTag = nullptr;
}
