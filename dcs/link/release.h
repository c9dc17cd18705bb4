// Release and shutdown.
#pragma once

#include "dcs/data/dcs_data.h"
#include "dcs/driver/driver_state.h"

// DCSReset's work; returns what ApiShutdown returned.
int32_t ResetDriver(DCSData* data);
void EmptyTagList(VnxHandle list);
