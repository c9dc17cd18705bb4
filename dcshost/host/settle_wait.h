// --no-settle-wait: the driver's ten one-second sleeps inside DCSConfigure
// return at once; its client-library calls still happen and are logged.
// Windows: the driver module's import of Sleep is pointed at a function that
// returns at once. Linux: the shim (libwinshim.so) is told to.
#pragma once

#include <string>

// module: the loaded driver (DriverModule::Handle). False with a reason when
// the wait cannot be skipped; the settle then takes its real time.
bool SkipSettleWait(void* module, std::string& error);
// The real wait again (Linux; a patched module is unloaded with its patch).
void RestoreSettleWait();
