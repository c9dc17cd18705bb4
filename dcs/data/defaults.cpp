// Default allocators: zero cells for the general fields and the three default
// rows, plus the default row values the host copies into new rows.
#include <cstring>

#include "dcs/data/dcs_data.h"
#include "dcs/diag/report.h"
#include "dcs/host/iface.h"

namespace {

const char kDefaultsCaption[] = "ZUDCSAPI Error";

// A count that is negative or whose byte size does not fit is refused like a
// failed allocation, rather than handed to the host heap as a wrapped size.
DCSCell* NewZeroCells(int32_t count)
{
    if (count < 0 || static_cast<size_t>(count) > static_cast<size_t>(-1) / sizeof(DCSCell)) {
        return nullptr;
    }
    size_t bytes = static_cast<size_t>(count) * sizeof(DCSCell);
    void* cells = IFace_new(bytes);
    if (cells) std::memset(cells, 0, bytes);  // null text, index 0 and 0.0 at once
    return static_cast<DCSCell*>(cells);
}

int32_t ShowAllocError(const char* text)
{
    ShowMessageBox(text, kDefaultsCaption);
    return 0;
}

}  // namespace

// Host bytes and Active are the host's and stay as they are.
int32_t AllocCtrlDataDefault(DCSData* d, int32_t count)
{
    d->CtrlDataDefault.Cells = NewZeroCells(count);
    if (!d->CtrlDataDefault.Cells)
        return ShowAllocError("Memory Allocation Error: CtrlDataDefault");
    d->CtrlDataDefault.HostValue1 = 1.0;
    d->CtrlDataDefault.HostValue2 = 0.0;
    d->CtrlDataDefault.SP = 0.0;
    d->CtrlDataDefault.OP = 0.0;
    d->CtrlDataDefault.SPUpdated = 0;
    d->CtrlDataDefault.OPUpdated = 0;
    return 1;
}

int32_t AllocPVDataDefault(DCSData* d, int32_t count)
{
    d->PVDataDefault.Cells = NewZeroCells(count);
    if (!d->PVDataDefault.Cells) return ShowAllocError("Memory Allocation Error: PVDataDefault");
    d->PVDataDefault.Value = 0.0;
    return 1;
}

int32_t AllocPVImportDataDefault(DCSData* d, int32_t count)
{
    d->PVImportDataDefault.Cells = NewZeroCells(count);
    if (!d->PVImportDataDefault.Cells) {
        return ShowAllocError("Memory Allocation Error: PVImportDataDefault");
    }
    d->PVImportDataDefault.Value = 0.0;
    return 1;
}

int32_t AllocGenData(DCSData* d, int32_t count)
{
    d->GenData = NewZeroCells(count);
    if (!d->GenData) return ShowAllocError("Memory Allocation Error: GenData");
    return 1;
}
