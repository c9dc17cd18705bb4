// Ctrl-C, SIGTERM and SIGHUP during a run (on Windows: Ctrl-C, Ctrl-Break and
// closing the console). The first asks the run to stop cleanly: the driver's
// settle ends at once, the step in progress is finished, then DCSStop (when
// DCSStart ran), DCSReset, DCSDestroy, FreeDCSData, the summary and the files
// of what ran, exit code 6. A second ends the process at once, as without
// dcshost. A signal the process was started to ignore (nohup, a background
// job) stays ignored.
#pragma once

#include "module/no_copy.h"

// Installs the handlers for its lifetime; the request starts cleared.
class InterruptGuard : NoCopy {
public:
    InterruptGuard();
    ~InterruptGuard();
};

// Whether a stop was asked for since the guard was installed.
bool InterruptRequested();
// What asked for it: "Ctrl-C", "SIGTERM", "SIGHUP", "Ctrl-Break", "console
// closed"; empty when nothing did.
const char* InterruptName();
