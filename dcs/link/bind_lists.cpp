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
        Driver.SPTagList = CreateTagList();
        Driver.OPTagList = CreateTagList();
        const int32_t rows = ClampRows(GetCtrlCount(data));
        for (int32_t row = 0; row < rows; ++row) {
            Driver.CtrlSPItems[row] =
                AddName(Driver.SPTagList, CtrlTagName(data, row, CTRL_COL_SP));
            Driver.CtrlOPItems[row] =
                AddName(Driver.OPTagList, CtrlTagName(data, row, CTRL_COL_OP));
        }
    }
    if (GetPVImportCount(data) > 0) {
        Driver.PVImportTagList = CreateTagList();
        const int32_t rows = ClampRows(GetPVImportCount(data));
        for (int32_t row = 0; row < rows; ++row) {
            Driver.PVImportItems[row] =
                AddName(Driver.PVImportTagList, PVImportTagName(data, row, IMPORT_COL_TAG));
        }
    }
}
