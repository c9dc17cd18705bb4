// DCSConfigure: start the library, let it settle, then bind table by table.
// All or nothing: the first failed phase releases everything bound so far.
#include "dcs/link/bind.h"
#include "dcs/diag/platform_calls.h"
#include "dcs/diag/report.h"
#include "dcs/link/release.h"

namespace {

int32_t FailConfiguration(DCSData* data)
{
    ResetDriver(data);
    return 0;
}

// Both start-ups are tried even when the first fails.
uint8_t StartLibrary()
{
    uint8_t started = 1;
    if (ApiStartup() != 0) {
        SendText(MSG_GENERAL_VENDOR_1, "Error Initializing the VORNAK API");
        started = 0;
    }
    if (DataServicesStartup(&Driver.DataServicesContext) != 0) {
        SendText(MSG_GENERAL_VENDOR_1, "Error Initializing the VORNAK Data Services");
        started = 0;
    }
    return started;
}

// Runs after a failed start-up too, so a failure costs the same time.
void Settle()
{
    for (int32_t round = 0; round < SETTLE_ROUNDS; ++round) {
        ServiceEvents();
        Platform.Sleep(SETTLE_SLEEP_MS);
    }
}

uint8_t CheckRowCount(int32_t count, const char* bound_message)
{
    if (count >= 0 && count <= MAXDCSROWS) return 1;
    ShowMessageBox(bound_message, "ZUDCSAPI");
    return 0;
}

}  // namespace

// Each refused count gets its own box.
uint8_t CheckRowCounts(DCSData* data)
{
    uint8_t fit = CheckRowCount(GetCtrlCount(data), "0 <= CtrlCount <= MAXDCSROWS");
    fit &= CheckRowCount(GetPVCount(data), "0 <= PVCount <= MAXDCSROWS");
    fit &= CheckRowCount(GetPVImportCount(data), "0 <= PVImportCount <= MAXDCSROWS");
    return fit;
}

int32_t ConfigureDriver(DCSData* data)
{
    // Binding over a binding would overwrite handles that are still open:
    // the earlier one is released first, as DCSReset would.
    if (HoldsBinding(data)) ResetDriver(data);

    // Rows the handle tables cannot hold are refused before the library is
    // started: no settle is spent on a configuration that cannot succeed.
    if (!CheckRowCounts(data)) return FailConfiguration(data);

    const uint8_t started = StartLibrary();
    Settle();
    if (!started) return FailConfiguration(data);

    if (!ConfigArrayTags(data)) return FailConfiguration(data);

    if (!CheckCtrlTagFields(data)) {
        SendKey(MSG_CTRL_TAG_FIELD_ERROR);
        return FailConfiguration(data);
    }
    ServiceEvents();
    if (!BindCtrlTags(data)) return FailConfiguration(data);

    if (!CheckPVTagFields(data)) {
        SendKey(MSG_PV_TAG_FIELD_ERROR);
        return FailConfiguration(data);
    }
    ServiceEvents();
    if (!BindPVTags(data)) return FailConfiguration(data);

    if (!CheckPVImportTagFields(data)) {
        SendKey(MSG_PVIMPORT_TAG_FIELD_ERROR);
        return FailConfiguration(data);
    }
    ServiceEvents();
    if (!BindPVImportTags(data)) return FailConfiguration(data);

    BuildTagLists(data);
    return 1;
}
