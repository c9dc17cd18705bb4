// The floor: the same client-library calls as the driver makes, in the same
// order, as straight loops over names, values and handles resolved up front.
// What the driver costs on top of the simulated control system is the
// difference between a driver benchmark and its floor.
#pragma once

#include <cstdint>
#include <vector>

#include "dcs/data/columns.h"  // CTRL_COLUMNS: SP, OP, Mode, SP Init, OP Init, the bind order
#include "dcs/vendor/vnxapi.h"

struct FloorPlan {
    int32_t rows = 0;
    const char* array_name = nullptr;
    std::vector<const char*> ctrl_names[CTRL_COLUMNS];
    std::vector<const char*> pv_names;
    std::vector<const char*> import_names;

    // Values as the driver hands them to the library.
    std::vector<float> pv_values;
    std::vector<float> import_values;  // DCSInitialize writes them as floats
    std::vector<float> sp_init_values;
    std::vector<float> op_init_values;        // OP x 100
    std::vector<int32_t> import_conversions;  // by the tag's data type: 9 or 12

    // Handles, as binding leaves them.
    uint32_t context = 0;
    VnxHandle array_tag = nullptr;
    std::vector<VnxHandle> ctrl_tags[CTRL_COLUMNS];
    std::vector<VnxHandle> pv_tags;
    std::vector<VnxHandle> import_tags;
    VnxHandle sp_list = nullptr;
    VnxHandle op_list = nullptr;
    VnxHandle import_list = nullptr;
    std::vector<VnxHandle> sp_items;
    std::vector<VnxHandle> op_items;
    std::vector<VnxHandle> import_items;

    // Where list reads land.
    std::vector<float> sp_read;
    std::vector<float> op_read;
    std::vector<uint32_t> import_read;  // float or integer bits
};

// Sizes every table for plan.rows; names and values are the caller's.
void SizeFloorPlan(FloorPlan& plan);

// DCSConfigure after its row-count check, a bind that succeeds throughout.
void FloorConfigure(FloorPlan& plan);
// DCSReset of a bound state.
void FloorReset(FloorPlan& plan);
// DCSInitialize with every row active and the array path completing.
int32_t FloorInitialize(FloorPlan& plan);
// DCSSimulate with every row active and every item good: the array path...
void FloorSimulateArray(FloorPlan& plan);
// ...and the per-tag path after the array tag's status failed.
void FloorSimulatePerTag(FloorPlan& plan);
