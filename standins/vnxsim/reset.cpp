// Back to a fresh simulated control system.
#include "standins/vnxsim/sim_internal.h"

using namespace vnxsim;

VNXSIM_API void VnxSimReset(void)
{
    ResetRun();
    ResetProcess();
    ResetHandles();
    ResetLists();
    ResetTags();
    ResetFaults();
    ResetTrace();
    ResetCalls();
}

VNXSIM_API void VnxSimRestart(void) { CloseAllHandles(); }
