// Releases what the driver's allocators hung into the block, table by table:
// controller, PV, PV import, general. Safe on a released or empty block.
#include "dcs/data/dcs_data.h"
#include "dcs/host/iface.h"

namespace {

// Only the definitions say which default cells hold texts, so the cells go
// first, while the definitions still exist; without them the texts stay.
void ReleaseDefaultCells(DCSCell* cells, const DCSDataDef* defs, int32_t count)
{
    if (!cells) return;
    if (defs) {
        for (int32_t j = 0; j < count; ++j) {
            if (defs[j].Type == DCS_TYPE_TEXT) IFace_free(cells[j].Text);
        }
    }
    IFace_delete(cells);
}

void ReleaseDefs(DCSDataDef* defs, int32_t count)
{
    if (!defs) return;
    for (int32_t j = 0; j < count; ++j) {
        if (defs[j].Label) IFace_free(defs[j].Label);
        if (defs[j].HostBuffer1) {
            IFace_delete(defs[j].HostBuffer1);
            defs[j].HostBuffer1 = nullptr;
        }
        if (defs[j].HostBuffer2) {
            IFace_delete(defs[j].HostBuffer2);
            defs[j].HostBuffer2 = nullptr;
        }
    }
    IFace_delete(defs);
}

}  // namespace

int32_t FreeDCSData(DCSData* d)
{
    ReleaseDefaultCells(d->CtrlDataDefault.Cells, d->CtrlDefs, d->CtrlDefCnt);
    d->CtrlDataDefault.Cells = nullptr;
    ReleaseDefs(d->CtrlDefs, d->CtrlDefCnt);
    d->CtrlDefs = nullptr;
    d->CtrlDefCnt = 0;

    ReleaseDefaultCells(d->PVDataDefault.Cells, d->PVDefs, d->PVDefCnt);
    d->PVDataDefault.Cells = nullptr;
    ReleaseDefs(d->PVDefs, d->PVDefCnt);
    d->PVDefs = nullptr;
    d->PVDefCnt = 0;

    ReleaseDefaultCells(d->PVImportDataDefault.Cells, d->PVImportDefs, d->PVImportDefCnt);
    d->PVImportDataDefault.Cells = nullptr;
    ReleaseDefs(d->PVImportDefs, d->PVImportDefCnt);
    d->PVImportDefs = nullptr;
    d->PVImportDefCnt = 0;

    // The texts in the general cells are the host's business, not the array's.
    if (d->GenData) IFace_delete(d->GenData);
    d->GenData = nullptr;
    ReleaseDefs(d->GenDefs, d->GenDefCnt);
    d->GenDefs = nullptr;
    d->GenDefCnt = 0;
    return 0;
}
