// Starting values.
#pragma once

#include "dcs/data/dcs_data.h"
#include "dcs/link/driver_state.h"

int32_t InitializeValues(DCSData* data);  // DCSInitialize
uint8_t WriteCtrlInitValues(DCSData* data);
uint8_t WritePVImportTags(DCSData* data, uint8_t skip);
