// The per-step exchange.
#pragma once

#include "dcs/data/dcs_data.h"
#include "dcs/link/driver_state.h"

// DCSSimulate's work; always 1.
int32_t SimulateStep(DCSData* data);
uint8_t ReadCtrlLists(DCSData* data, uint8_t skip_sp, uint8_t skip_op);
uint8_t ReadPVImportList(DCSData* data, uint8_t skip);
uint8_t WritePVExportArray(DCSData* data, uint8_t* array_done);
uint8_t WritePVExportTags(DCSData* data, uint8_t array_done);
