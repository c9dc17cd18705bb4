// The four definition allocators. They differ only in the fields, bound,
// moniker list and texts of their table; the work is shared.
#include "dcs/data/dcs_data.h"
#include "dcs/diag/report.h"
#include "dcs/host/iface.h"

namespace {

const char kDefsCaption[] = "ZUDCSAPI";

struct DefTable {
    int32_t bound;
    const char* const* monikers;
    const char* bound_message;
    const char* alloc_message;
};

const DefTable kGenTable = {MAXGENFIELDS, GenMonikers, "0 <= GenDefCnt <= MAXGENFIELDS",
                            "Could not allocate DCSDataDef(Gen)"};
const DefTable kCtrlTable = {MAXCTRLFIELDS, CtrlMonikers, "0 <= CtrlDefCnt <= MAXCTRLFIELDS",
                             "Could not allocate DCSDataDef(Ctrl)"};
const DefTable kPVTable = {MAXPVFIELDS, PVMonikers, "0 <= PVDefCnt <= MAXPVFIELDS",
                           "Could not allocate DCSDataDef(PV)"};
const DefTable kPVImportTable = {MAXPVIMPORTFIELDS, PVImportMonikers,
                                 "0 <= PVImportDefCnt <= MAXPVIMPORTFIELDS",
                                 "Could not allocate DCSDataDef(PVImport)"};

// Out of bounds: the box, and the block stays as it was.
bool CheckCount(int32_t count, const DefTable& t)
{
    if (count >= 0 && count <= t.bound) return true;
    ShowMessageBox(t.bound_message, kDefsCaption);
    return false;
}

// Null (after the box) when the host heap refuses. Type is left to the
// caller, who sets it for every definition next.
DCSDataDef* NewDefs(int32_t count, const DefTable& t)
{
    DCSDataDef* defs =
        static_cast<DCSDataDef*>(IFace_new(static_cast<size_t>(count) * sizeof(DCSDataDef)));
    if (!defs) {
        ShowMessageBox(t.alloc_message, kDefsCaption);
        return nullptr;
    }
    for (int32_t j = 0; j < count; ++j) {
        defs[j].Label = nullptr;
        defs[j].Moniker = t.monikers[j];
        defs[j].Options = nullptr;
        defs[j].HostBuffer1 = nullptr;
        defs[j].HostBuffer2 = nullptr;
    }
    return defs;
}

}  // namespace

// The fields are written by name, not through a table: the block is packed
// and may sit at any address. The count stays when the array is missing.
int32_t AllocGenDefs(DCSData* d, int32_t count)
{
    if (!CheckCount(count, kGenTable)) return 0;
    d->GenDefCnt = count;
    d->GenDefs = NewDefs(count, kGenTable);
    return d->GenDefs ? 1 : 0;
}

int32_t AllocCtrlDefs(DCSData* d, int32_t count)
{
    if (!CheckCount(count, kCtrlTable)) return 0;
    d->CtrlDefCnt = count;
    d->CtrlDefs = NewDefs(count, kCtrlTable);
    return d->CtrlDefs ? 1 : 0;
}

int32_t AllocPVDefs(DCSData* d, int32_t count)
{
    if (!CheckCount(count, kPVTable)) return 0;
    d->PVDefCnt = count;
    d->PVDefs = NewDefs(count, kPVTable);
    return d->PVDefs ? 1 : 0;
}

int32_t AllocPVImportDefs(DCSData* d, int32_t count)
{
    if (!CheckCount(count, kPVImportTable)) return 0;
    d->PVImportDefCnt = count;
    d->PVImportDefs = NewDefs(count, kPVImportTable);
    return d->PVImportDefs ? 1 : 0;
}
