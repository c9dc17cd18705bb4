// The exported PVs: as elements of the one array tag with a single send, or,
// when that path did not complete, each through its own tag.
#include "dcs/diag/report.h"
#include "dcs/link/exchange.h"
#include "dcs/link/narrow_float.h"
#include "dcs/link/write_chain.h"

uint8_t WritePVExportArray(DCSData* data, uint8_t* array_done)
{
    if (!Driver.PVExportArrayTag) return 0;
    int16_t status = GetTagStatus(Driver.PVExportArrayTag);
    if (status != 0) {
        ReportVendorStatus(status, MSG_GENERAL_VENDOR_2, -1, "for PV Export Array");
        return 0;
    }
    bool any = false;
    for (int32_t row = 0; row < RowsToWalk(GetPVCount(data), data->PVRows); ++row) {
        // Only exactly 1 takes part here; other non-zero values go per tag.
        if (GetPVActive(data, row) != 1) continue;
        any = true;
        float value = NarrowToFloat(GetPVValue(data, row));
        status = SetArrayElement(Driver.PVExportArrayTag, row, 1, &value, VNX_CONV_FLOAT);
        if (status != 0) {
            // The elements set so far stay unsent; the per-tag path redoes them all.
            ReportVendorStatus(status, MSG_PV_VENDOR, row, "");
            return 0;
        }
    }
    if (!any) {
        *array_done = 1;
        return 1;
    }
    status = SendTag(Driver.PVExportArrayTag);
    if (status != 0) {
        ReportVendorStatus(status, MSG_GENERAL_VENDOR_2, -1, "for PV Export Array");
        *array_done = 0;
        return 0;
    }
    *array_done = 1;
    return 1;
}

uint8_t WritePVExportTags(DCSData* data, uint8_t array_done)
{
    if (array_done == 1) return 0;
    for (int32_t row = 0; row < RowsToWalk(GetPVCount(data), data->PVRows); ++row) {
        VnxHandle tag = Driver.PVExportTags[row];
        if (GetPVActive(data, row) == 0 || !tag) continue;
        float value = NarrowToFloat(GetPVValue(data, row));
        if (!WriteTagRow(tag, &value, VNX_CONV_FLOAT, MSG_PV_VENDOR, row)) return 0;
    }
    return 1;
}
