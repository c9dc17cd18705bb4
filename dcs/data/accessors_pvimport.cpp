// PV import table: definitions, default cells and the fields of each row.
#include "dcs/data/dcs_data.h"

int32_t GetPVImportDefCnt(DCSData* d) { return d->PVImportDefCnt; }
int32_t GetPVImportCount(DCSData* d) { return d->PVImportCount; }

int32_t SetPVImportDefType(DCSData* d, int32_t col, int32_t type)
{
    d->PVImportDefs[col].Type = type;
    return 0;
}
int32_t GetPVImportDefType(DCSData* d, int32_t col) { return d->PVImportDefs[col].Type; }
const char* GetPVImportDefLabel(DCSData* d, int32_t col) { return d->PVImportDefs[col].Label; }
const char* GetPVImportDefMoniker(DCSData* d, int32_t col) { return d->PVImportDefs[col].Moniker; }
int32_t SetPVImportDefOptions(DCSData* d, int32_t col, const char* const* options)
{
    d->PVImportDefs[col].Options = options;
    return 0;
}

int32_t SetPVImportDefaultInt(DCSData* d, int32_t col, int32_t value)
{
    d->PVImportDataDefault.Cells[col].Int = value;
    return 0;
}
int32_t SetPVImportDefaultDouble(DCSData* d, int32_t col, double value)
{
    d->PVImportDataDefault.Cells[col].Double = value;
    return 0;
}

const char* GetPVImportCellText(DCSData* d, int32_t row, int32_t col)
{
    return d->PVImportRows[row].Cells[col].Text;
}
double GetPVImportCellDouble(DCSData* d, int32_t row, int32_t col)
{
    return d->PVImportRows[row].Cells[col].Double;
}
int32_t GetPVImportCellInt(DCSData* d, int32_t row, int32_t col)
{
    return d->PVImportRows[row].Cells[col].Int;
}

int32_t GetPVImportActive(DCSData* d, int32_t row) { return d->PVImportRows[row].Active; }
double GetPVImportValue(DCSData* d, int32_t row) { return d->PVImportRows[row].Value; }
int32_t SetPVImportValue(DCSData* d, int32_t row, double value)
{
    d->PVImportRows[row].Value = value;
    return 0;
}
