// The PV export array tag: bound from general field 0, waited for until its
// status is good, and kept only with a shape that holds one element per PV row.
#include <cstdio>

#include "dcs/diag/report.h"
#include "dcs/link/bind.h"

namespace {

const char* const ArrayContext = "for PV Export Array Tag";

// No pause between queries: the library does its work in ServiceEvents.
uint8_t WaitForArrayStatus(VnxHandle tag)
{
    int16_t status = GetTagStatus(tag);
    int32_t retries = 0;
    while (status != 0) {
        if (retries == ARRAY_STATUS_RETRIES) {
            char text[64];
            std::snprintf(text, sizeof text, "ReadTag: Abort after %d retries",
                          static_cast<int>(retries));
            ShowMessageBox(text, "ConfigArrayTags");
            ReportVendorStatus(status, MSG_GENERAL_VENDOR_2, -1, ArrayContext);
            return 0;
        }
        status = GetTagStatus(tag);
        ++retries;
        ServiceEvents();
    }
    return 1;
}

// All three are asked before anything is compared. A larger array is fine.
uint8_t HasArrayShape(VnxHandle tag, int32_t pv_count)
{
    const int16_t dims = GetArrayDims(tag);
    const int16_t lower = GetArrayLowerBound(tag, 1);
    const int16_t upper = GetArrayUpperBound(tag, 1);
    return dims == 1 && lower == 0 && static_cast<int32_t>(upper) + 1 >= pv_count;
}

}  // namespace

uint8_t ConfigArrayTags(DCSData* data)
{
    // Mandatory even when there are no PV rows.
    const char* name = ArrayTagName(data);
    if (!name || !name[0]) {
        SendKey(MSG_ARRAY_TAG_ERROR);
        return 0;
    }
    const int16_t status = ValidateTagName(name);
    if (status != 0) {
        ReportVendorStatus(status, MSG_GENERAL_VENDOR_2, -1, ArrayContext);
        return 0;
    }
    Driver.PVExportArrayTag = OpenTag(name);
    if (!Driver.PVExportArrayTag) {
        SendTextRow(MSG_GEN_TAG_VENDOR, "for arrayTagHandle", GEN_COL_ARRAY_TAG);
        return 0;
    }
    // A tag that never turned good stays in its slot for the reset to close.
    if (!WaitForArrayStatus(Driver.PVExportArrayTag)) return 0;
    if (!HasArrayShape(Driver.PVExportArrayTag, GetPVCount(data))) {
        CloseTag(Driver.PVExportArrayTag);
        Driver.PVExportArrayTag = nullptr;
        SendTextContext(MSG_GENERAL_CONFIG_ERROR, "Incompatible Array Variable(Dim or Bounds)",
                        ArrayContext);
        return 0;
    }
    return 1;
}
