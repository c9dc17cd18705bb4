// Starting values and controller modes.
#pragma once

#include "dcs/data/dcs_data.h"
#include "dcs/link/driver_state.h"

int32_t InitializeValues(DCSData* data);  // DCSInitialize
int32_t StartControllers(DCSData* data);  // DCSStart
int32_t StopControllers(DCSData* data);   // DCSStop
uint8_t WriteCtrlModes(DCSData* data, uint8_t mode);
uint8_t WriteCtrlInitValues(DCSData* data);
uint8_t WritePVImportTags(DCSData* data, uint8_t skip);
