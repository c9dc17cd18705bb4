// Release and shutdown.
#pragma once

#include "dcs/data/dcs_data.h"
#include "dcs/link/driver_state.h"

// DCSReset's work; returns what ApiShutdown returned. Works in any state:
// bound, partly bound by a failed configuration, or already released.
int32_t ResetDriver(DCSData* data);
// Removes and closes every item of a list (null: nothing), at most MAXDCSROWS.
void EmptyTagList(VnxHandle list);
// Empties the SP, OP and PV import lists and clears their items' slots, also
// those a walk cut short by the library did not meet. The handles stay.
void EmptyTagLists(DCSData* data);
// Bound as the driver's states have it: a list, the array tag, or a tag or
// item in a row the block counts now.
uint8_t HoldsBinding(DCSData* data);
