// Starting values: writes only, each writer stopping at
// its first failing row, none keeping the next from running.
#include "dcs/link/initial_values.h"

#include "dcs/link/controller_modes.h"
#include "dcs/link/exchange.h"
#include "dcs/link/narrow_float.h"
#include "dcs/link/write_chain.h"

int32_t InitializeValues(DCSData* data)
{
    uint8_t array_done = 0;
    WritePVExportArray(data, &array_done);
    WritePVExportTags(data, array_done);
    WritePVImportTags(data, 0);
    // Controllers go to manual before their starting values arrive.
    WriteCtrlModes(data, 0);
    WriteCtrlInitValues(data);
    return ServiceEvents();
}

uint8_t WriteCtrlInitValues(DCSData* data)
{
    for (int32_t row = 0; row < RowsToWalk(GetCtrlCount(data), data->CtrlRows); ++row) {
        VnxHandle op_tag = Driver.CtrlOPInitTags[row];
        if (GetCtrlActive(data, row) != 0 && op_tag) {
            // The host's fraction becomes the control system's percent.
            float op = NarrowToFloat(GetCtrlOP(data, row) * 100.0);
            if (!WriteTagRow(op_tag, &op, VNX_CONV_FLOAT, MSG_CTRL_OP_VENDOR, row)) return 0;
        }
        VnxHandle sp_tag = Driver.CtrlSPInitTags[row];
        if (sp_tag) {
            float sp = NarrowToFloat(GetCtrlSP(data, row));
            if (!WriteTagRow(sp_tag, &sp, VNX_CONV_FLOAT, MSG_CTRL_SP_VENDOR, row)) return 0;
        }
    }
    return 1;
}

uint8_t WritePVImportTags(DCSData* data, uint8_t skip)
{
    if (skip == 1) return 0;
    for (int32_t row = 0; row < RowsToWalk(GetPVImportCount(data), data->PVImportRows); ++row) {
        VnxHandle tag = Driver.PVImportTags[row];
        if (GetPVImportActive(data, row) == 0 || !tag) continue;
        // Always a float, with no mapping, whatever the tag's data type.
        float value = NarrowToFloat(GetPVImportValue(data, row));
        if (!WriteTagRow(tag, &value, VNX_CONV_FLOAT, MSG_PVIMPORT_VENDOR, row)) return 0;
    }
    return 1;
}
