#include "tests/dcs/link/hand_bind.h"

#include "dcs/link/driver_state.h"

void BindByHand(BlockBuilder& block)
{
    DCSData* d = block.get();
    ApiStartup();
    DataServicesStartup(&Driver.DataServicesContext);
    const char* array_tag = d->GenData ? d->GenData[GEN_COL_ARRAY_TAG].Text : nullptr;
    if (array_tag) Driver.PVExportArrayTag = OpenTag(array_tag);

    VnxHandle* ctrl_tables[CTRL_COLUMNS] = {Driver.CtrlSPTags, Driver.CtrlOPTags,
                                            Driver.CtrlModeTags, Driver.CtrlSPInitTags,
                                            Driver.CtrlOPInitTags};
    for (int r = 0; r < d->CtrlCount; ++r) {
        for (int c = 0; c < CTRL_COLUMNS; ++c) {
            const char* name = d->CtrlRows[r].Cells[c].Text;
            if (name) ctrl_tables[c][r] = OpenTag(name);
        }
    }
    for (int r = 0; r < d->PVCount; ++r) {
        const char* name = d->PVRows[r].Cells[PV_COL_TAG].Text;
        if (name) Driver.PVExportTags[r] = OpenTag(name);
    }
    for (int r = 0; r < d->PVImportCount; ++r) {
        const char* name = d->PVImportRows[r].Cells[IMPORT_COL_TAG].Text;
        if (name) Driver.PVImportTags[r] = OpenTag(name);
    }

    if (d->CtrlCount > 0) {
        Driver.SPTagList = CreateTagList();
        Driver.OPTagList = CreateTagList();
        for (int r = 0; r < d->CtrlCount; ++r) {
            const char* sp = d->CtrlRows[r].Cells[CTRL_COL_SP].Text;
            const char* op = d->CtrlRows[r].Cells[CTRL_COL_OP].Text;
            if (sp) Driver.CtrlSPItems[r] = AddTagToList(Driver.SPTagList, sp);
            if (op) Driver.CtrlOPItems[r] = AddTagToList(Driver.OPTagList, op);
        }
    }
    if (d->PVImportCount > 0) {
        Driver.PVImportTagList = CreateTagList();
        for (int r = 0; r < d->PVImportCount; ++r) {
            const char* name = d->PVImportRows[r].Cells[IMPORT_COL_TAG].Text;
            if (name) Driver.PVImportItems[r] = AddTagToList(Driver.PVImportTagList, name);
        }
    }
}

DCSData* HandBoundTest::Bind()
{
    DefineTagsFor(block);
    BindByHand(block);
    ClearTrace();
    ClearMessages();
    return block.get();
}
