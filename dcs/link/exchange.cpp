// One exchange pass per simulation step.
#include "dcs/link/exchange.h"

int32_t SimulateStep(DCSData* data)
{
    uint8_t array_done = 0;
    ServiceEvents();
    ReadCtrlLists(data, 0, 0);
    ReadPVImportList(data, 0);
    WritePVExportArray(data, &array_done);
    WritePVExportTags(data, array_done);
    ServiceEvents();
    // The host's step goes on whatever failed; every failure was reported.
    return 1;
}
