// The columns this driver declares in the host's block (DCSLoad's work).
#pragma once

#include "dcs/data/dcs_data.h"

// PV import column 1, "Mapping": static, null-terminated.
extern const char* const MappingOptions[3];
#define MAPPING_ONE_TO_ONE 0
#define MAPPING_CONTROLLER_MODE 1

// Column indexes the rest of the driver relies on.
#define GEN_COL_ARRAY_TAG 0
#define CTRL_COL_SP 0
#define CTRL_COL_OP 1
#define CTRL_COL_MODE 2
#define CTRL_COL_SP_INIT 3
#define CTRL_COL_OP_INIT 4
#define PV_COL_TAG 0
#define IMPORT_COL_TAG 0
#define IMPORT_COL_MAPPING 1

// Declares the general, controller, PV and PV import columns and allocates
// the three default rows' cells, in the order the host expects.
void DeclareDriverFields(DCSData* data);
