// Binding row tags: one tag per call of BindRowTag, and the three row phases.
#include "dcs/diag/report.h"
#include "dcs/link/bind.h"

namespace {

// Where each controller column's handles go, by column index.
VnxHandle* const CtrlTagTables[CTRL_COLUMNS] = {
    Driver.CtrlSPTags,     Driver.CtrlOPTags,     Driver.CtrlModeTags,
    Driver.CtrlSPInitTags, Driver.CtrlOPInitTags,
};

}  // namespace

// The handle is stored before its status is known, so that a reset closes a
// handle whose status check failed.
uint8_t BindRowTag(const char* name, MessageKey key, int32_t row, const char* context,
                   VnxHandle* slot)
{
    // Validation keeps this from happening; a missing name is never passed on.
    if (!name || !name[0]) {
        SendTextRow(key, context, row);
        return 0;
    }
    int16_t status = ValidateTagName(name);
    if (status != 0) {
        ReportVendorStatus(status, key, row, "");
        return 0;
    }
    *slot = OpenTag(name);
    if (!*slot) {
        SendTextRow(key, context, row);
        return 0;
    }
    status = GetTagStatus(*slot);
    if (status != 0) {
        ReportVendorStatus(status, key, row, "");
        return 0;
    }
    return 1;
}

uint8_t ConfigCtrlTag(DCSData* data, int32_t row, int32_t col, VnxHandle* slot, const char* context)
{
    return BindRowTag(CtrlTagName(data, row, col), MSG_CTRL_VENDOR, row, context, slot);
}

uint8_t BindCtrlTags(DCSData* data)
{
    const int32_t rows = ClampRows(GetCtrlCount(data));
    for (int32_t row = 0; row < rows; ++row) {
        for (const CtrlTagColumn& column : CtrlTagColumns) {
            VnxHandle* slot = &CtrlTagTables[column.col][row];
            if (!ConfigCtrlTag(data, row, column.col, slot, column.context)) return 0;
        }
    }
    return 1;
}

uint8_t BindPVTags(DCSData* data)
{
    uint8_t bound = 1;
    const int32_t rows = ClampRows(GetPVCount(data));
    for (int32_t row = 0; row < rows; ++row) {
        if (!BindRowTag(PVTagName(data, row, PV_COL_TAG), MSG_PV_VENDOR, row, "for PV Tag Handle",
                        &Driver.PVExportTags[row])) {
            bound = 0;
        }
    }
    return bound;
}

uint8_t BindPVImportTags(DCSData* data)
{
    uint8_t bound = 1;
    const int32_t rows = ClampRows(GetPVImportCount(data));
    for (int32_t row = 0; row < rows; ++row) {
        if (!BindRowTag(PVImportTagName(data, row, IMPORT_COL_TAG), MSG_PVIMPORT_VENDOR, row,
                        "for PV Import Tag Handle", &Driver.PVImportTags[row])) {
            bound = 0;
        }
    }
    return bound;
}
