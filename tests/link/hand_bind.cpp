#include "tests/link/hand_bind.h"

#include "dcs/link/driver_state.h"

void BindByHand(TestBlock& block)
{
    DCSData* d = block.get();
    ApiStartup();
    DataServicesStartup(&Driver.DataServicesContext);
    if (d->GenData && d->GenData[0].Text) Driver.PVExportArrayTag = OpenTag(d->GenData[0].Text);

    VnxHandle* ctrl_tables[5] = {Driver.CtrlSPTags, Driver.CtrlOPTags, Driver.CtrlModeTags,
                                 Driver.CtrlSPInitTags, Driver.CtrlOPInitTags};
    for (int r = 0; r < d->CtrlCount; ++r) {
        for (int c = 0; c < 5; ++c) {
            const char* name = d->CtrlRows[r].Cells[c].Text;
            if (name) ctrl_tables[c][r] = OpenTag(name);
        }
    }
    for (int r = 0; r < d->PVCount; ++r) {
        const char* name = d->PVRows[r].Cells[0].Text;
        if (name) Driver.PVExportTags[r] = OpenTag(name);
    }
    for (int r = 0; r < d->PVImportCount; ++r) {
        const char* name = d->PVImportRows[r].Cells[0].Text;
        if (name) Driver.PVImportTags[r] = OpenTag(name);
    }

    if (d->CtrlCount > 0) {
        Driver.SPTagList = CreateTagList();
        Driver.OPTagList = CreateTagList();
        for (int r = 0; r < d->CtrlCount; ++r) {
            const char* sp = d->CtrlRows[r].Cells[0].Text;
            const char* op = d->CtrlRows[r].Cells[1].Text;
            if (sp) Driver.CtrlSPItems[r] = AddTagToList(Driver.SPTagList, sp);
            if (op) Driver.CtrlOPItems[r] = AddTagToList(Driver.OPTagList, op);
        }
    }
    if (d->PVImportCount > 0) {
        Driver.PVImportTagList = CreateTagList();
        for (int r = 0; r < d->PVImportCount; ++r) {
            const char* name = d->PVImportRows[r].Cells[0].Text;
            if (name) Driver.PVImportItems[r] = AddTagToList(Driver.PVImportTagList, name);
        }
    }
}
