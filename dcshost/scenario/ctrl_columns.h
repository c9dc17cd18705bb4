// A controller row's five tag columns as a scenario names them. Everything
// else about them (caption, report context, integer or not) is the driver's:
// CtrlTagColumns in dcs/data/columns.h.
#pragma once

#include "dcs/data/columns.h"
#include "dcshost/scenario/scenario.h"

// The scenario's key of each column, by the driver's column index.
inline constexpr const char* kCtrlTagKeys[CTRL_COLUMNS] = {
    "sp_tag", "op_tag", "mode_tag", "sp_init_tag", "op_init_tag",
};

// Text of a controller row's tag column (CTRL_COL_*); null when the row has
// none.
inline const std::string* FindCtrlCell(const CtrlRowDef& row, int column)
{
    return FindCell(row.cells, CtrlTagColumns[column].caption);
}
