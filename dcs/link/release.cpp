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

// Clears the slot of an item the walk has closed. A list holds its rows in
// order, so the search starts behind the slot found last.
void ForgetItem(VnxHandle item, VnxHandle* items, int32_t rows, int32_t* next)
{
    for (int32_t i = 0; i < rows; ++i) {
        const int32_t row = (*next + i) % rows;
        if (items[row] == item) {
            items[row] = nullptr;
            *next = row + 1;
            return;
        }
    }
}

// The next item is asked for after the current one is gone. No list holds
// more than MAXDCSROWS items, so a library that never ends a list cannot
// hold the reset forever.
void WalkList(VnxHandle list, VnxHandle* items, int32_t rows)
{
    if (!list) return;
    ListRewind(list);
    VnxHandle item = ListFirst(list);
    int32_t next = 0;
    for (int32_t taken = 0; item && taken < MAXDCSROWS; ++taken) {
        RemoveTagFromList(list, item);
        CloseTag(item);
        if (items) ForgetItem(item, items, rows, &next);
        item = ListNext(list);
        ServiceEvents();
    }
}

// A walk the library cut short (ListFirst or ListNext answering none too
// early) leaves items open in the list; their slots still name them, so they
// are released the same way. The walk cleared the slots of the items it
// closed, so nothing is closed twice.
void ReleaseUnwalkedItems(VnxHandle list, VnxHandle* items, int32_t rows)
{
    for (int32_t row = 0; row < rows; ++row) {
        if (!items[row]) continue;
        RemoveTagFromList(list, items[row]);
        CloseTag(items[row]);
        items[row] = nullptr;
        ServiceEvents();
    }
}

void EmptyList(VnxHandle list, VnxHandle* items, int32_t rows)
{
    WalkList(list, items, rows);
    if (list) ReleaseUnwalkedItems(list, items, rows);
}

}  // namespace

void EmptyTagList(VnxHandle list) { WalkList(list, nullptr, 0); }

void EmptyTagLists(DCSData* data)
{
    EmptyList(Driver.SPTagList, Driver.CtrlSPItems, ClampRows(GetCtrlCount(data)));
    EmptyList(Driver.OPTagList, Driver.CtrlOPItems, ClampRows(GetCtrlCount(data)));
    EmptyList(Driver.PVImportTagList, Driver.PVImportItems, ClampRows(GetPVImportCount(data)));
}

// The items were closed with their lists, so every walked row's item slot is
// cleared, whether or not the row's tag was bound.
int32_t ResetDriver(DCSData* data)
{
    // Emptied lists die with the library run that made them; a stale handle
    // must not reach the next run's library.
    EmptyTagLists(data);
    Driver.SPTagList = Driver.OPTagList = Driver.PVImportTagList = nullptr;

    const int32_t pv_rows = ClampRows(GetPVCount(data));
    for (int32_t row = 0; row < pv_rows; ++row) {
        CloseSlot(&Driver.PVExportTags[row]);
        ServiceEvents();
    }

    const int32_t import_rows = ClampRows(GetPVImportCount(data));
    for (int32_t row = 0; row < import_rows; ++row) {
        Driver.PVImportItems[row] = nullptr;
        CloseSlot(&Driver.PVImportTags[row]);
        ServiceEvents();
    }

    const int32_t ctrl_rows = ClampRows(GetCtrlCount(data));
    for (int32_t row = 0; row < ctrl_rows; ++row) {
        Driver.CtrlOPItems[row] = nullptr;
        CloseSlot(&Driver.CtrlOPTags[row]);
        Driver.CtrlSPItems[row] = nullptr;
        CloseSlot(&Driver.CtrlSPTags[row]);
        CloseSlot(&Driver.CtrlOPInitTags[row]);
        CloseSlot(&Driver.CtrlSPInitTags[row]);
        CloseSlot(&Driver.CtrlModeTags[row]);
        ServiceEvents();
    }

    CloseSlot(&Driver.PVExportArrayTag);
    ServiceEvents();

    DataServicesShutdown();
    return ApiShutdown();
}

namespace {

uint8_t AnySlot(const VnxHandle* table, int32_t rows)
{
    for (int32_t row = 0; row < rows; ++row) {
        if (table[row]) return 1;
    }
    return 0;
}

}  // namespace

uint8_t HoldsBinding(DCSData* data)
{
    if (Driver.SPTagList || Driver.OPTagList || Driver.PVImportTagList || Driver.PVExportArrayTag) {
        return 1;
    }
    const int32_t ctrl_rows = ClampRows(GetCtrlCount(data));
    const VnxHandle* const ctrl_tables[] = {
        Driver.CtrlSPTags,     Driver.CtrlOPTags,  Driver.CtrlModeTags, Driver.CtrlSPInitTags,
        Driver.CtrlOPInitTags, Driver.CtrlSPItems, Driver.CtrlOPItems};
    for (const VnxHandle* table : ctrl_tables) {
        if (AnySlot(table, ctrl_rows)) return 1;
    }
    const int32_t import_rows = ClampRows(GetPVImportCount(data));
    return AnySlot(Driver.PVExportTags, ClampRows(GetPVCount(data))) ||
           AnySlot(Driver.PVImportTags, import_rows) || AnySlot(Driver.PVImportItems, import_rows);
}
