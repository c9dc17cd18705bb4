// Controller table: definitions, default cells and the fields of each row.
#include "dcs/data/dcs_data.h"

int32_t GetCtrlDefCnt(DCSData* d) { return d->CtrlDefCnt; }
int32_t GetCtrlCount(DCSData* d) { return d->CtrlCount; }

int32_t SetCtrlDefType(DCSData* d, int32_t col, int32_t type)
{
    d->CtrlDefs[col].Type = type;
    return 0;
}
int32_t GetCtrlDefType(DCSData* d, int32_t col) { return d->CtrlDefs[col].Type; }
const char* GetCtrlDefLabel(DCSData* d, int32_t col) { return d->CtrlDefs[col].Label; }
const char* GetCtrlDefMoniker(DCSData* d, int32_t col) { return d->CtrlDefs[col].Moniker; }
int32_t SetCtrlDefOptions(DCSData* d, int32_t col, const char* const* options)
{
    d->CtrlDefs[col].Options = options;
    return 0;
}

int32_t SetCtrlDefaultInt(DCSData* d, int32_t col, int32_t value)
{
    d->CtrlDataDefault.Cells[col].Int = value;
    return 0;
}
int32_t SetCtrlDefaultDouble(DCSData* d, int32_t col, double value)
{
    d->CtrlDataDefault.Cells[col].Double = value;
    return 0;
}

const char* GetCtrlCellText(DCSData* d, int32_t row, int32_t col)
{
    return d->CtrlRows[row].Cells[col].Text;
}
double GetCtrlCellDouble(DCSData* d, int32_t row, int32_t col)
{
    return d->CtrlRows[row].Cells[col].Double;
}
int32_t GetCtrlCellInt(DCSData* d, int32_t row, int32_t col)
{
    return d->CtrlRows[row].Cells[col].Int;
}

int32_t GetCtrlActive(DCSData* d, int32_t row) { return d->CtrlRows[row].Active; }

double GetCtrlSP(DCSData* d, int32_t row) { return d->CtrlRows[row].SP; }
double GetCtrlOP(DCSData* d, int32_t row) { return d->CtrlRows[row].OP; }

// The flag tells the host a fresh value arrived; only the host clears it.
int32_t SetCtrlSP(DCSData* d, int32_t row, double value)
{
    d->CtrlRows[row].SP = value;
    d->CtrlRows[row].SPUpdated = 1;
    return 0;
}
int32_t SetCtrlOP(DCSData* d, int32_t row, double value)
{
    d->CtrlRows[row].OP = value;
    d->CtrlRows[row].OPUpdated = 1;
    return 0;
}

double GetCtrlHostValue1(DCSData* d, int32_t row) { return d->CtrlRows[row].HostValue1; }
double GetCtrlHostValue2(DCSData* d, int32_t row) { return d->CtrlRows[row].HostValue2; }
int32_t SetCtrlHostValue1(DCSData* d, int32_t row, double value)
{
    d->CtrlRows[row].HostValue1 = value;
    return 0;
}
int32_t SetCtrlHostValue2(DCSData* d, int32_t row, double value)
{
    d->CtrlRows[row].HostValue2 = value;
    return 0;
}
