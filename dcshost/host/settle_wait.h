// The driver's ten one-second sleeps inside DCSConfigure. Under
// --no-settle-wait they return at once; its client-library calls still
// happen and are logged. An interrupt cuts a settle in progress short.
// Windows: the driver module's import of Sleep is pointed at a wait that
// returns at once when the settle is skipped or cut. Linux: the shim
// (libwinshim.so) is told to.
#pragma once

#include <string>

// module: the loaded driver (DriverModule::Handle). False with a reason when
// the wait cannot be skipped; the settle then takes its real time.
bool SkipSettleWait(void* module, std::string& error);
// The settle takes its time, but CutSettleWait ends it (Windows: patches the
// module's Sleep as SkipSettleWait does).
void MakeSettleCuttable(void* module);
// Async-signal-safe: the settle's sleeps, the one in progress too, return at
// once until RestoreSettleWait.
void CutSettleWait();
// The real wait again, for the next DCSConfigure.
void RestoreSettleWait();
// Called with `user` as each of the driver's sleeps begins, skipped or not,
// on the host's thread inside DCSConfigure: the settle's seconds where the
// client library cannot be watched (a live run). Null: none. Windows: only
// once the module's Sleep is patched (SkipSettleWait, MakeSettleCuttable).
void WatchSettleSleeps(void (*watch)(void* user), void* user);
