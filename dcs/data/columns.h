// Where each column sits in the four tables DCSLoad declares. Binding, the
// exchange and every host or test that fills a block find a cell by these.
#pragma once

#include <cstdint>

// General fields
#define GEN_COL_ARRAY_TAG 0
#define GEN_COLUMNS 1

// Controller columns, in the order a row is bound; all five hold tag names.
#define CTRL_COL_SP 0
#define CTRL_COL_OP 1
#define CTRL_COL_MODE 2
#define CTRL_COL_SP_INIT 3
#define CTRL_COL_OP_INIT 4
#define CTRL_COLUMNS 5

// Everything the driver and its hosts know of one controller tag column. The
// moniker follows from the index (monikers.cpp).
struct CtrlTagColumn {
    int32_t col;          // index of the definition and of the row's cell
    const char* caption;  // the Label DCSLoad declares
    const char* context;  // reported when the library gives no handle for the tag
    uint8_t integer;      // 1: the driver writes the tag as a 4-byte integer
};

// In the order DCSLoad declares and binding opens them.
// clang-format off
inline constexpr CtrlTagColumn CtrlTagColumns[CTRL_COLUMNS] = {
    {CTRL_COL_SP,      "SP TAG",      "for Controller Setpoint Tag Handle",      0},
    {CTRL_COL_OP,      "OP TAG",      "for Controller Output Tag Handle",        0},
    {CTRL_COL_MODE,    "Mode TAG",    "for Controller Mode Tag Handle",          1},
    {CTRL_COL_SP_INIT, "SP Init TAG", "for Controller Setpoint Init Tag Handle", 0},
    {CTRL_COL_OP_INIT, "OP Init TAG", "for Controller Output Init Tag Handle",   0},
};
// clang-format on

// Each row sits at its own index, so a column's cell, definition and moniker
// are found by position.
constexpr bool CtrlTagColumnsInPlace()
{
    for (int32_t i = 0; i < CTRL_COLUMNS; ++i)
        if (CtrlTagColumns[i].col != i) return false;
    return true;
}
static_assert(CtrlTagColumnsInPlace(), "controller tag columns in index order");

// PV (export) columns
#define PV_COL_TAG 0
#define PV_COLUMNS 1

// PV import columns, and the choices of "Mapping"
#define IMPORT_COL_TAG 0
#define IMPORT_COL_MAPPING 1
#define IMPORT_COLUMNS 2
#define MAPPING_ONE_TO_ONE 0
#define MAPPING_CONTROLLER_MODE 1
