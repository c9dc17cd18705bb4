// The nine exports. Each hands the host's block to the routine that does the work.
#include "dcs/driver/entry_points.h"

#include "dcs/data/declare_fields.h"
#include "dcs/link/bind.h"
#include "dcs/link/controller_modes.h"
#include "dcs/link/driver_state.h"
#include "dcs/link/exchange.h"
#include "dcs/link/initial_values.h"
#include "dcs/link/release.h"

DCS_EXPORT int32_t DCSLoad(DCSData* data)
{
    // A bound driver is about to forget its items and most of its tags: the
    // lists are emptied and those tags closed first. The list handles and the
    // Mode and Init tags stay, as they always have, for the next DCSReset.
    const uint8_t bound = HoldsBinding(data);
    if (bound) EmptyTagLists(data);
    DeclareDriverFields(data);
    ClearLoadHandles(bound);
    return 0;
}

DCS_EXPORT int32_t DCSConfigure(DCSData* data) { return ConfigureDriver(data); }
DCS_EXPORT int32_t DCSInitialize(DCSData* data) { return InitializeValues(data); }
DCS_EXPORT int32_t DCSStart(DCSData* data) { return StartControllers(data); }
DCS_EXPORT int32_t DCSStop(DCSData* data) { return StopControllers(data); }
DCS_EXPORT int32_t DCSSimulate(DCSData* data) { return SimulateStep(data); }
DCS_EXPORT int32_t DCSReset(DCSData* data) { return ResetDriver(data); }

// Nothing to do at time zero or on destruction; DCSReset has released everything.
DCS_EXPORT int32_t DCSTimeZero(DCSData*) { return 0; }
DCS_EXPORT int32_t DCSDestroy(DCSData*) { return 0; }
