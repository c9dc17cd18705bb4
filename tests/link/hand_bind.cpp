#include "tests/link/hand_bind.h"

#include "dcs/driver/driver_state.h"

void BindByHand(TestBlock& block)
{
    DCSData* d = block.get();
    ApiStartup();
    DataServicesStartup(&DataServicesContext);
    if (d->GenData && d->GenData[0].Text) PVExportArrayTag = OpenTag(d->GenData[0].Text);

    VnxHandle* ctrl_tables[5] = {CtrlSPTags, CtrlOPTags, CtrlModeTags, CtrlSPInitTags,
                                 CtrlOPInitTags};
    for (int r = 0; r < d->CtrlCount; ++r) {
        for (int c = 0; c < 5; ++c) {
            const char* name = d->CtrlRows[r].Cells[c].Text;
            if (name) ctrl_tables[c][r] = OpenTag(name);
        }
    }
    for (int r = 0; r < d->PVCount; ++r) {
        const char* name = d->PVRows[r].Cells[0].Text;
        if (name) PVExportTags[r] = OpenTag(name);
    }
    for (int r = 0; r < d->PVImportCount; ++r) {
        const char* name = d->PVImportRows[r].Cells[0].Text;
        if (name) PVImportTags[r] = OpenTag(name);
    }

    if (d->CtrlCount > 0) {
        SPTagList = CreateTagList();
        OPTagList = CreateTagList();
        for (int r = 0; r < d->CtrlCount; ++r) {
            const char* sp = d->CtrlRows[r].Cells[0].Text;
            const char* op = d->CtrlRows[r].Cells[1].Text;
            if (sp) CtrlSPItems[r] = AddTagToList(SPTagList, sp);
            if (op) CtrlOPItems[r] = AddTagToList(OPTagList, op);
        }
    }
    if (d->PVImportCount > 0) {
        PVImportTagList = CreateTagList();
        for (int r = 0; r < d->PVImportCount; ++r) {
            const char* name = d->PVImportRows[r].Cells[0].Text;
            if (name) PVImportItems[r] = AddTagToList(PVImportTagList, name);
        }
    }
}
