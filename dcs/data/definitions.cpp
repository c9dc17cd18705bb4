// The four definition allocators. They differ only in the fields, bound,
// moniker list and texts of their table, so one routine serves all four.
#include "dcs/data/dcs_data.h"
#include "dcs/host/iface.h"
#include "dcs/host/platform_ui.h"

namespace {

const char kDefsCaption[] = "ZUDCSAPI";

struct DefTable {
    int32_t DCSData::*count;
    DCSDataDef* DCSData::*defs;
    int32_t bound;
    const char* const* monikers;
    const char* bound_message;
    const char* alloc_message;
};

const DefTable kGenTable = {&DCSData::GenDefCnt, &DCSData::GenDefs, MAXGENFIELDS, GenMonikers,
                            "0 <= GenDefCnt <= MAXGENFIELDS", "Could not allocate DCSDataDef(Gen)"};
const DefTable kCtrlTable = {&DCSData::CtrlDefCnt, &DCSData::CtrlDefs, MAXCTRLFIELDS, CtrlMonikers,
                             "0 <= CtrlDefCnt <= MAXCTRLFIELDS",
                             "Could not allocate DCSDataDef(Ctrl)"};
const DefTable kPVTable = {&DCSData::PVDefCnt, &DCSData::PVDefs, MAXPVFIELDS, PVMonikers,
                           "0 <= PVDefCnt <= MAXPVFIELDS", "Could not allocate DCSDataDef(PV)"};
const DefTable kPVImportTable = {&DCSData::PVImportDefCnt, &DCSData::PVImportDefs,
                                 MAXPVIMPORTFIELDS, PVImportMonikers,
                                 "0 <= PVImportDefCnt <= MAXPVIMPORTFIELDS",
                                 "Could not allocate DCSDataDef(PVImport)"};

// Type is left to the caller, who sets it for every definition next.
int32_t AllocDefs(DCSData* d, int32_t count, const DefTable& t)
{
    if (count < 0 || count > t.bound) {
        MessageBoxA(nullptr, t.bound_message, kDefsCaption, MB_OK);
        return 0;
    }
    // The count stays even when the array is missing; readers test the array.
    d->*t.count = count;
    DCSDataDef* defs =
        static_cast<DCSDataDef*>(IFace_new(static_cast<size_t>(count) * sizeof(DCSDataDef)));
    d->*t.defs = defs;
    if (!defs) {
        MessageBoxA(nullptr, t.alloc_message, kDefsCaption, MB_OK);
        return 0;
    }
    for (int32_t j = 0; j < count; ++j) {
        defs[j].Label = nullptr;
        defs[j].Moniker = t.monikers[j];
        defs[j].Options = nullptr;
        defs[j].HostBuffer1 = nullptr;
        defs[j].HostBuffer2 = nullptr;
    }
    return 1;
}

}  // namespace

int32_t AllocGenDefs(DCSData* d, int32_t count) { return AllocDefs(d, count, kGenTable); }
int32_t AllocCtrlDefs(DCSData* d, int32_t count) { return AllocDefs(d, count, kCtrlTable); }
int32_t AllocPVDefs(DCSData* d, int32_t count) { return AllocDefs(d, count, kPVTable); }
int32_t AllocPVImportDefs(DCSData* d, int32_t count) { return AllocDefs(d, count, kPVImportTable); }
