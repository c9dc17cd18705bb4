// The columns this driver declares in the host's block (DCSLoad's work).
#pragma once

#include "dcs/data/columns.h"
#include "dcs/data/dcs_data.h"

// The options of PV import column "Mapping": static, null-terminated.
extern const char* const MappingOptions[3];

// Declares the general, controller, PV and PV import columns and allocates
// the three default rows' cells, in the order the host expects.
void DeclareDriverFields(DCSData* data);
