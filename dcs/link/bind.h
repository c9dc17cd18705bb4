// Tag binding: starts the client library and binds every tag the block names.
#pragma once

#include "dcs/data/dcs_data.h"
#include "dcs/driver/driver_state.h"

// DCSConfigure's work: 1 when everything is bound, 0 after a failure (the
// driver state is then already released).
int32_t ConfigureDriver(DCSData* data);
