// Controller modes: automatic for the run (DCSStart), manual after it
// (DCSStop) and before the starting values (DCSInitialize).
#include "dcs/link/controller_modes.h"

#include "dcs/link/write_chain.h"

int32_t StartControllers(DCSData* data)
{
    WriteCtrlModes(data, 1);
    return ServiceEvents();
}

int32_t StopControllers(DCSData* data)
{
    WriteCtrlModes(data, 0);
    return ServiceEvents();
}

uint8_t WriteCtrlModes(DCSData* data, uint8_t mode)
{
    int32_t value = mode != 0 ? 1 : 0;
    for (int32_t row = 0; row < RowsToWalk(GetCtrlCount(data), data->CtrlRows); ++row) {
        VnxHandle tag = Driver.CtrlModeTags[row];
        if (GetCtrlActive(data, row) == 0 || !tag) continue;
        // Mode writes have no key of their own.
        if (!WriteTagRow(tag, &value, VNX_CONV_INT, MSG_CTRL_OP_VENDOR, row)) return 0;
    }
    return 1;
}
