// Controller modes, written to every active row's mode tag.
#pragma once

#include "dcs/data/dcs_data.h"
#include "dcs/link/driver_state.h"

int32_t StartControllers(DCSData* data);  // DCSStart
int32_t StopControllers(DCSData* data);   // DCSStop
uint8_t WriteCtrlModes(DCSData* data, uint8_t mode);
