// PV export table: definitions, default cells and the fields of each row.
#include "dcs/data/dcs_data.h"

int32_t GetPVDefCnt(DCSData* d) { return d->PVDefCnt; }
int32_t GetPVCount(DCSData* d) { return d->PVCount; }

int32_t SetPVDefType(DCSData* d, int32_t col, int32_t type)
{
    d->PVDefs[col].Type = type;
    return 0;
}
int32_t GetPVDefType(DCSData* d, int32_t col) { return d->PVDefs[col].Type; }
const char* GetPVDefLabel(DCSData* d, int32_t col) { return d->PVDefs[col].Label; }
const char* GetPVDefMoniker(DCSData* d, int32_t col) { return d->PVDefs[col].Moniker; }
int32_t SetPVDefOptions(DCSData* d, int32_t col, const char* const* options)
{
    d->PVDefs[col].Options = options;
    return 0;
}

int32_t SetPVDefaultInt(DCSData* d, int32_t col, int32_t value)
{
    d->PVDataDefault.Cells[col].Int = value;
    return 0;
}
int32_t SetPVDefaultDouble(DCSData* d, int32_t col, double value)
{
    d->PVDataDefault.Cells[col].Double = value;
    return 0;
}

const char* GetPVCellText(DCSData* d, int32_t row, int32_t col)
{
    return d->PVRows[row].Cells[col].Text;
}
double GetPVCellDouble(DCSData* d, int32_t row, int32_t col)
{
    return d->PVRows[row].Cells[col].Double;
}
int32_t GetPVCellInt(DCSData* d, int32_t row, int32_t col) { return d->PVRows[row].Cells[col].Int; }

int32_t GetPVActive(DCSData* d, int32_t row) { return d->PVRows[row].Active; }
double GetPVValue(DCSData* d, int32_t row) { return d->PVRows[row].Value; }
int32_t GetPVHostWord(DCSData* d, int32_t row) { return d->PVRows[row].HostWord; }
