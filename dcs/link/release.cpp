// DCSReset: empty the lists, close every tag, shut the library down. Each
// closed slot goes back to zero; ServiceEvents runs after every item and row
// so that the library processes the closes as they come.
#include "dcs/link/release.h"

namespace {

void CloseSlot(VnxHandle* slot)
{
    if (!*slot) return;
    CloseTag(*slot);
    *slot = nullptr;
}

// Emptied lists die with the library run that made them; a stale handle must
// not reach the next run's library.
void EmptyAndForget(VnxHandle* list)
{
    EmptyTagList(*list);
    *list = nullptr;
}

}  // namespace

// The next item is asked for after the current one is gone. No list holds
// more than MAXDCSROWS items, so a library that never ends a list cannot
// hold the reset forever.
void EmptyTagList(VnxHandle list)
{
    if (!list) return;
    ListRewind(list);
    VnxHandle item = ListFirst(list);
    for (int32_t taken = 0; item && taken < MAXDCSROWS; ++taken) {
        RemoveTagFromList(list, item);
        CloseTag(item);
        item = ListNext(list);
        ServiceEvents();
    }
}

// The items were closed with their lists, so every walked row's item slot is
// cleared, whether or not the row's tag was bound.
int32_t ResetDriver(DCSData* data)
{
    EmptyAndForget(&SPTagList);
    EmptyAndForget(&OPTagList);
    EmptyAndForget(&PVImportTagList);

    const int32_t pv_rows = ClampRows(GetPVCount(data));
    for (int32_t row = 0; row < pv_rows; ++row) {
        CloseSlot(&PVExportTags[row]);
        ServiceEvents();
    }

    const int32_t import_rows = ClampRows(GetPVImportCount(data));
    for (int32_t row = 0; row < import_rows; ++row) {
        PVImportItems[row] = nullptr;
        CloseSlot(&PVImportTags[row]);
        ServiceEvents();
    }

    const int32_t ctrl_rows = ClampRows(GetCtrlCount(data));
    for (int32_t row = 0; row < ctrl_rows; ++row) {
        CtrlOPItems[row] = nullptr;
        CloseSlot(&CtrlOPTags[row]);
        CtrlSPItems[row] = nullptr;
        CloseSlot(&CtrlSPTags[row]);
        CloseSlot(&CtrlOPInitTags[row]);
        CloseSlot(&CtrlSPInitTags[row]);
        CloseSlot(&CtrlModeTags[row]);
        ServiceEvents();
    }

    CloseSlot(&PVExportArrayTag);
    ServiceEvents();

    DataServicesShutdown();
    return ApiShutdown();
}
