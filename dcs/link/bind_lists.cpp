// The three tag lists the exchange reads in bulk, one item per row in row
// order. Items are added by name: each is a handle of its own, closed on reset.
#include "dcs/link/bind.h"

namespace {

// Results are stored as they come; the exchange reports a missing item.
VnxHandle AddName(VnxHandle list, const char* name)
{
    return name ? AddTagToList(list, name) : nullptr;
}

}  // namespace

void BuildTagLists(DCSData* data)
{
    if (GetCtrlCount(data) > 0) {
        SPTagList = CreateTagList();
        OPTagList = CreateTagList();
        const int32_t rows = ClampRows(GetCtrlCount(data));
        for (int32_t row = 0; row < rows; ++row) {
            CtrlSPItems[row] = AddName(SPTagList, CtrlTagName(data, row, CTRL_COL_SP));
            CtrlOPItems[row] = AddName(OPTagList, CtrlTagName(data, row, CTRL_COL_OP));
        }
    }
    if (GetPVImportCount(data) > 0) {
        PVImportTagList = CreateTagList();
        const int32_t rows = ClampRows(GetPVImportCount(data));
        for (int32_t row = 0; row < rows; ++row) {
            PVImportItems[row] = AddName(PVImportTagList, PVImportTagName(data, row, PVIMPORT_COL_TAG));
        }
    }
}
