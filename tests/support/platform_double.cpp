// Linked into every in-process test: the driver's message box and sleep are
// recorded from the start (standins/winshim/winshim_double.h reads them), so
// nothing waits and no box reaches a person, on either platform.
#include "dcs/diag/platform_calls.h"
#include "standins/winshim/winshim_double.h"

namespace {

const bool g_installed = (Platform = PlatformCalls{&WinShimRecordBox, &WinShimRecordSleep}, true);

}  // namespace
