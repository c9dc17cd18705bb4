// Tag names in the block: reading them without trusting the block's shape,
// and the validators that run before each table is bound. A row with no
// cells, or a table with no definitions, has no name to read: it counts as
// missing and is never dereferenced.
#include "dcs/link/bind.h"

namespace {

uint8_t IsTextCell(const DCSDataDef* defs, int32_t def_count, const DCSCell* cells, int32_t col)
{
    if (!defs || !cells || col < 0 || col >= def_count) return 0;
    return defs[col].Type == DCS_TYPE_TEXT;
}

uint8_t IsNamed(const char* name) { return name && name[0] != '\0'; }

// Columns a validator looks at: every declared text column, and the tag
// columns binding reads whether they are declared or not.
uint8_t MustHoldName(const DCSDataDef* defs, int32_t def_count, int32_t col, int32_t tag_columns)
{
    if (col < tag_columns) return 1;
    return defs && col < def_count && defs[col].Type == DCS_TYPE_TEXT;
}

int32_t ColumnsToCheck(int32_t def_count, int32_t tag_columns)
{
    return def_count > tag_columns ? def_count : tag_columns;
}

uint8_t IsRow(int32_t row, int32_t count, const void* rows)
{
    return rows && row >= 0 && row < ClampRows(count);
}

}  // namespace

const char* ArrayTagName(DCSData* data)
{
    if (!IsTextCell(data->GenDefs, GetGenDefCnt(data), data->GenData, GEN_COL_ARRAY_TAG)) {
        return nullptr;
    }
    return GetGenDataText(data, GEN_COL_ARRAY_TAG);
}

const char* CtrlTagName(DCSData* data, int32_t row, int32_t col)
{
    if (!IsRow(row, GetCtrlCount(data), data->CtrlRows)) return nullptr;
    if (!IsTextCell(data->CtrlDefs, GetCtrlDefCnt(data), data->CtrlRows[row].Cells, col)) {
        return nullptr;
    }
    return GetCtrlCellText(data, row, col);
}

const char* PVTagName(DCSData* data, int32_t row, int32_t col)
{
    if (!IsRow(row, GetPVCount(data), data->PVRows)) return nullptr;
    if (!IsTextCell(data->PVDefs, GetPVDefCnt(data), data->PVRows[row].Cells, col)) return nullptr;
    return GetPVCellText(data, row, col);
}

const char* PVImportTagName(DCSData* data, int32_t row, int32_t col)
{
    if (!IsRow(row, GetPVImportCount(data), data->PVImportRows)) return nullptr;
    if (!IsTextCell(data->PVImportDefs, GetPVImportDefCnt(data), data->PVImportRows[row].Cells,
                    col)) {
        return nullptr;
    }
    return GetPVImportCellText(data, row, col);
}

namespace {

typedef const char* (*TagNameReader)(DCSData* data, int32_t row, int32_t col);

// Names of blanks pass: ValidateTagName judges them.
uint8_t CheckTagFields(DCSData* data, int32_t row_count, const DCSDataDef* defs, int32_t def_count,
                       int32_t tag_columns, TagNameReader name_of)
{
    const int32_t rows = ClampRows(row_count);
    const int32_t cols = ColumnsToCheck(def_count, tag_columns);
    for (int32_t row = 0; row < rows; ++row) {
        for (int32_t col = 0; col < cols; ++col) {
            if (!MustHoldName(defs, def_count, col, tag_columns)) continue;
            if (!IsNamed(name_of(data, row, col))) return 0;
        }
    }
    return 1;
}

}  // namespace

uint8_t CheckCtrlTagFields(DCSData* data)
{
    return CheckTagFields(data, GetCtrlCount(data), data->CtrlDefs, GetCtrlDefCnt(data),
                          CTRL_COLUMNS, CtrlTagName);
}

uint8_t CheckPVTagFields(DCSData* data)
{
    return CheckTagFields(data, GetPVCount(data), data->PVDefs, GetPVDefCnt(data), PV_COL_TAG + 1,
                          PVTagName);
}

// The "Mapping" choice column is not a text column and is not looked at.
uint8_t CheckPVImportTagFields(DCSData* data)
{
    return CheckTagFields(data, GetPVImportCount(data), data->PVImportDefs, GetPVImportDefCnt(data),
                          IMPORT_COL_TAG + 1, PVImportTagName);
}
