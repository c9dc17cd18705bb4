// General table: definitions and the GenData cells (the table has no rows).
#include "dcs/data/dcs_data.h"

int32_t GetGenDefCnt(DCSData* d) { return d->GenDefCnt; }

int32_t SetGenDefType(DCSData* d, int32_t col, int32_t type)
{
    d->GenDefs[col].Type = type;
    return 0;
}
int32_t GetGenDefType(DCSData* d, int32_t col) { return d->GenDefs[col].Type; }
const char* GetGenDefLabel(DCSData* d, int32_t col) { return d->GenDefs[col].Label; }
const char* GetGenDefMoniker(DCSData* d, int32_t col) { return d->GenDefs[col].Moniker; }
int32_t SetGenDefOptions(DCSData* d, int32_t col, const char* const* options)
{
    d->GenDefs[col].Options = options;
    return 0;
}

int32_t SetGenDataInt(DCSData* d, int32_t col, int32_t value)
{
    d->GenData[col].Int = value;
    return 0;
}
int32_t SetGenDataDouble(DCSData* d, int32_t col, double value)
{
    d->GenData[col].Double = value;
    return 0;
}

const char* GetGenDataText(DCSData* d, int32_t col) { return d->GenData[col].Text; }
double GetGenDataDouble(DCSData* d, int32_t col) { return d->GenData[col].Double; }
int32_t GetGenDataInt(DCSData* d, int32_t col) { return d->GenData[col].Int; }
